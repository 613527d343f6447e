#pragma once

// The demo site's lists of videos, as an installed extractor lists them: a podcast-style RSS feed
// of any number of episodes (each an enclosure of a small generated media file) and a page with
// three HTML5 video elements. Shared by the site and by the tests that check what the program
// lists and saves.
//
// A list's media file NAME is served at /listmedia/NAME.mp4; its bytes are those of
// mediacontent.h with NAME as identifier and 18 as format code.

#include "catalogue.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace demosite::lists {

inline constexpr int defaultEpisodes = 30;
inline constexpr int maxEpisodes = 10000;
inline constexpr int mediaCode = 18;
inline constexpr std::string_view feedTitle = "Harbour Radio: the podcast";
inline constexpr std::string_view feedPath = "/feed.xml"; // ?items=N, defaultEpisodes without
inline constexpr std::string_view threeVideosPath = "/three-videos";
inline constexpr std::string_view threeVideosTitle = "Three views of the harbour";

std::string episodeName(int number);  // "episode-7"
std::string episodeTitle(int number); // "Episode 7: ..." (1-based)
int episodeSeconds(int number);       // 0 for the episodes whose item names no duration
std::string threeVideosName(int number); // "three-videos-1" .. "three-videos-3"

std::string mediaPath(std::string_view name); // "/listmedia/NAME.mp4"
std::uint64_t mediaSize(std::string_view name);
// The media file as a catalogue video (identifier NAME, one format), for the media route.
Video mediaVideo(std::string_view name);

} // namespace demosite::lists
