#pragma once

// Content of the demo site's media files. Nothing is stored: every byte is computed from the
// video identifier, the format code and the byte's offset, so even GiB files cost no memory and a
// test can check every byte it saved.
//
// Word w (bytes 8w to 8w+7) of a file is
//     splitmix64(mediaSeed(id, code) ^ (w / 8)) ^ ((w % 8) * 0x9e3779b97f4a7c15)
// (one hash per 64-byte block keeps generation cheap); byte 8w+k is bits 8k..8k+7 of that word.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace demosite {

// The path part of a media address: "/media/" + id + "/" + code.
std::string mediaPath(std::string_view id, int code);
// "video/x-flv" for codes 5, 34, 35; "video/webm" for 43 to 46; "video/mp4" otherwise.
std::string mediaContentType(int code);

std::uint64_t mediaSeed(std::string_view id, int code);

inline std::uint64_t splitmix64(std::uint64_t x)
{
    std::uint64_t z = x + 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

inline std::uint64_t mediaWord(std::uint64_t seed, std::uint64_t word)
{
    return splitmix64(seed ^ (word / 8)) ^ ((word % 8) * 0x9e3779b97f4a7c15ULL);
}

inline unsigned char mediaByteFromSeed(std::uint64_t seed, std::uint64_t offset)
{
    return static_cast<unsigned char>(mediaWord(seed, offset / 8) >> (8 * (offset % 8)));
}

unsigned char mediaByte(std::string_view id, int code, std::uint64_t offset);

// The seed of the same file after the site changed it (the changeFrom= fault): other bytes.
inline std::uint64_t changedMediaSeed(std::uint64_t seed)
{
    return splitmix64(seed ^ 0x6368616e676564ULL);
}

// Writes the n bytes of the file that start at offset into buf.
void fillMediaFromSeed(std::uint64_t seed, std::uint64_t offset, char *buf, std::size_t n);
void fillMedia(std::string_view id, int code, std::uint64_t offset, char *buf, std::size_t n);

} // namespace demosite
