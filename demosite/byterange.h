#pragma once

#include <cstdint>
#include <string>

namespace demosite {

// What a Range request header asks of a file of a given size.
struct ByteRange {
    enum Kind {
        Whole,         // no header, or one the site ignores (other unit, several ranges, bad syntax)
        Part,          // bytes first..last (inclusive), both inside the file
        Unsatisfiable, // a valid range that lies wholly past the end: 416
    };
    Kind kind = Whole;
    std::uint64_t first = 0;
    std::uint64_t last = 0;

    std::uint64_t length() const { return last - first + 1; }
};

// Reads "bytes=A-B", "bytes=A-" and "bytes=-N" against a file of `size` bytes.
ByteRange parseByteRange(const std::string &header, std::uint64_t size);

} // namespace demosite
