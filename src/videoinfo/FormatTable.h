#pragma once

#include <QString>
#include <array>

// The encodings the program knows. The slot is also the index of the option button and of the
// link kept for it; the order of the slots is the order of preference, best last.
struct VideoFormat
{
    int code;            // the site's format code in the watch page's map
    const char *caption; // option button caption
    const char *suffix;  // file name ending of a download
};

namespace FormatTable {

inline constexpr int Count = 6;

inline constexpr std::array<VideoFormat, Count> Formats{{
    {5, "FLV (Low Quality)", "_(LQ).flv"},
    {34, "FLV (Normal Quality)", ".flv"},
    {35, "FLV (High Quality)", "_(HQ).flv"},
    {18, "MP4 (Normal Quality)", ".mp4"},
    {22, "MP4 (HD - 720p)", "_(720p).mp4"},
    {37, "MP4 (Full HD - 1080p)", "_(1080p).mp4"},
}};

// The slot of a format code, -1 for a code the program does not know.
int SlotOfCode(int code);

// Caption and file name ending of a slot; empty outside 0..5.
QString Caption(int slot);
QString Suffix(int slot);

} // namespace FormatTable
