#pragma once

// The pages and HLS playlists of the clips of today's kind (clips.h). `root` is the site's own
// address; every address in them begins with it.

#include "clips.h"

#include <string>

namespace demosite {

std::string clipPage(const Clip &clip, const std::string &root);
std::string clipIndexPage();
// The master playlist of an HLS clip, and the media playlist of one of its sources.
std::string clipMasterPlaylist(const Clip &clip, const std::string &root);
std::string clipMediaPlaylist(const Clip &clip, const ClipSource &source, const std::string &root);

} // namespace demosite
