#pragma once

// HTML pages of the demo site. `root` is the site's own address ("http://127.0.0.1:PORT"); every
// absolute address in a page (media files, thumbnails) begins with it.

#include "catalogue.h"

#include <string>
#include <string_view>

namespace demosite {

// The format map's value as the watch page writes it (percent-encoded once).
std::string encodedFormatMap(const Video &video, const std::string &root);
std::string thumbnailUrl(const std::string &root, std::string_view id);

std::string watchPage(const Video &video, const std::string &root);
std::string embedPage(const Video &video, bool haveClip);
std::string indexPage(const std::string &root);
std::string notFoundPage(std::string_view what);

// A result page for the decoded query (quotes around it removed) and page number. Covers the test
// queries "noresults", "nosection", "many", "unterminated" and "twice"; "failpage" lists like "all"
// (its failing page is the server's business).
std::string resultsPage(std::string_view query, int page, const std::string &root);

} // namespace demosite
