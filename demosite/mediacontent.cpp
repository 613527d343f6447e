#include "mediacontent.h"

#include <bit>
#include <cstring>

namespace demosite {

namespace {

void storeWord(char *at, std::uint64_t v)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(at, &v, 8);
    } else {
        for (int k = 0; k < 8; ++k)
            at[k] = static_cast<char>(v >> (8 * k));
    }
}

} // namespace

std::string mediaPath(std::string_view id, int code)
{
    return "/media/" + std::string(id) + "/" + std::to_string(code);
}

std::string mediaContentType(int code)
{
    switch (code) {
    case 5:
    case 34:
    case 35:
        return "video/x-flv";
    case 43:
    case 44:
    case 45:
    case 46:
        return "video/webm";
    default:
        return "video/mp4";
    }
}

std::uint64_t mediaSeed(std::string_view id, int code)
{
    // FNV-1a over the identifier, then the code mixed in.
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const char c : id) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ULL;
    }
    return splitmix64(h ^ (static_cast<std::uint64_t>(code) << 32));
}

unsigned char mediaByte(std::string_view id, int code, std::uint64_t offset)
{
    return mediaByteFromSeed(mediaSeed(id, code), offset);
}

void fillMediaFromSeed(std::uint64_t seed, std::uint64_t offset, char *buf, std::size_t n)
{
    std::size_t i = 0;
    // Unaligned head, byte by byte.
    while (i < n && (offset + i) % 8 != 0) {
        buf[i] = static_cast<char>(mediaByteFromSeed(seed, offset + i));
        ++i;
    }
    // Whole words, a 64-byte block at a time where possible: byte k of a word is bits 8k.., which
    // is the word's own little-endian layout.
    std::uint64_t word = (offset + i) / 8;
    for (; i + 8 <= n && word % 8 != 0; i += 8, ++word)
        storeWord(buf + i, mediaWord(seed, word));
    for (; i + 64 <= n; i += 64, word += 8) {
        const std::uint64_t h = splitmix64(seed ^ (word / 8));
        for (std::uint64_t k = 0; k < 8; ++k)
            storeWord(buf + i + 8 * k, h ^ (k * 0x9e3779b97f4a7c15ULL));
    }
    for (; i + 8 <= n; i += 8, ++word)
        storeWord(buf + i, mediaWord(seed, word));
    for (; i < n; ++i)
        buf[i] = static_cast<char>(mediaByteFromSeed(seed, offset + i));
}

void fillMedia(std::string_view id, int code, std::uint64_t offset, char *buf, std::size_t n)
{
    fillMediaFromSeed(mediaSeed(id, code), offset, buf, n);
}

} // namespace demosite
