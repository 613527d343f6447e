#pragma once

// The demo site's video pages of today's kind: they carry none of the watch pages' markers. What
// they offer is named in schema.org metadata, in an HTML5 video element or in an HLS playlist, as
// an installed extractor reads them. Shared by the site and by the tests that check what the
// program makes of these pages and of their media.
//
// Media bytes are those of mediacontent.h with the clip's name as identifier and the source's
// code as format code; an HLS stream is such a file cut into segments of hlsSegmentBytes.

#include "catalogue.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace demosite {

namespace clips {
inline constexpr std::string_view jsonLd = "harbour-lights";   // VideoObject metadata, one MP4 file
inline constexpr std::string_view html5 = "lighthouse-day";    // <video> with three sources
inline constexpr std::string_view hls = "night-ferry";         // HLS playlist in two variants
inline constexpr std::string_view separate = "tide-timelapse"; // HLS with separate video and audio
inline constexpr std::string_view noVideo = "harbour-notes";   // a page without any video
inline constexpr std::string_view silent = "fog-horn";         // a page that never answers
} // namespace clips

enum class ClipKind { JsonLd, Html5, Hls, SeparateStreams, NoVideo, Silent };

struct ClipSource {
    int code = 0;          // the media file's number
    std::string label;     // HTML5: the source's label, which the extractor takes as format id
    std::string container; // "mp4", "webm"; "ts" for HLS segments
    int width = 0;
    int height = 0;
    std::uint64_t size = 0;
    bool audioOnly = false; // separate streams: the audio rendition
    bool videoOnly = false;
};

struct Clip {
    std::string name;
    ClipKind kind = ClipKind::NoVideo;
    std::string title;
    std::string author;
    std::string uploadDate;  // ISO 8601 date
    int seconds = 0;
    std::uint64_t views = 0;
    std::string description; // plain text, with characters that look like markup
    std::string thumbnailId; // a catalogue video whose thumbnail the page names
    std::vector<ClipSource> sources;
};

inline constexpr std::uint64_t hlsSegmentBytes = 40000;
inline constexpr int hlsSegmentSeconds = 4;

const std::vector<Clip> &clipCatalogue();
const Clip *findClip(std::string_view name);
const ClipSource *findClipSource(const Clip &clip, int code);
// The clip as a catalogue video (identifier = name, one format per source) for the media route.
const Video &clipMediaVideo(const Clip &clip);

std::string clipPagePath(std::string_view name);                                 // "/clip/NAME"
std::string clipMediaPath(std::string_view name, const ClipSource &source);      // "/clipmedia/NAME/CODE.EXT"
std::string clipMasterPath(std::string_view name);                               // "/clipmedia/NAME/master.m3u8"
std::string clipPlaylistPath(std::string_view name, int code);                   // ".../CODE/index.m3u8"
std::string clipSegmentPath(std::string_view name, int code, std::uint64_t index); // ".../CODE/seg-K.ts"
std::uint64_t clipSegmentCount(const ClipSource &source);

} // namespace demosite
