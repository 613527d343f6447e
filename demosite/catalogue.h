#pragma once

// The demo site's videos: what their watch pages show, which encodings they offer and how
// large each media file is. Shared by the site and by the tests that check what the program
// makes of its pages and downloads.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace demosite {

// Identifiers of the videos whose pages exercise the program's edge cases.
namespace ids {
inline constexpr std::string_view mapOrder = "spMapOrder_";      // map codes 5, 22, 34, 18 in that order
inline constexpr std::string_view noMap = "spNoMap____";         // no format map on the page
inline constexpr std::string_view unknownCodes = "spUnknownFm";  // map with codes 43 and 45 only
inline constexpr std::string_view mapNoBar = "spMapNoBar_";      // "18|..", then an entry without "|", then "22|.."
inline constexpr std::string_view mapBadCode = "spMapBadCod";    // "18|..", then "abc|..", then "22|.."
inline constexpr std::string_view mapBadPercent = "spMapBadPct"; // encoded map ends in "%2C%zz"
inline constexpr std::string_view mapUtf8Link = "spMapUtf8Ln";   // links end in "?title=caf%C3%A9" after one decoding
inline constexpr std::string_view mapDuplicateCode = "spMapDupCod"; // 18 (?copy=1), 22, 18 (?copy=2)
inline constexpr std::string_view related4 = "spRelated4_";      // related section with 4 items
inline constexpr std::string_view related9 = "spRelated9_";      // related section with 9 items
inline constexpr std::string_view relatedNoLink = "spRelNoLink"; // 6 items, the last two without a link
inline constexpr std::string_view noRelated = "spNoRelated";     // no related section at all
inline constexpr std::string_view badLength = "spBadLength";     // length_seconds "abc"

// Ordinary videos that tests refer to by name.
inline constexpr std::string_view allSix = "sunsetBeach";        // all six codes
inline constexpr std::string_view escapedApostrophe = "pianoLesson"; // title with \'
inline constexpr std::string_view entities = "tomJerryMix";      // title with &amp; and &quot;
inline constexpr std::string_view punctuation = "howToFixTap";   // title with : / ?
inline constexpr std::string_view nonAscii = "cafeMuller1";      // title with é, ü, 日本語 (UTF-8)
inline constexpr std::string_view emptyTitle = "qqqQuestion";    // title "???" cleans to nothing
inline constexpr std::string_view dotsTitle = "dotDotTitle";     // title ".."
inline constexpr std::string_view tiny = "tinyClip-01";          // files of 4097, 12345 and 65537 bytes
inline constexpr std::string_view oneGiB = "bigFile1GiB";        // code 22 is 1073741824 bytes
inline constexpr std::string_view threeGiB = "bigFile3GiB";      // code 37 is 3221225472 bytes
} // namespace ids

enum class Special {
    None,
    MapOrder,
    NoMap,
    UnknownCodes,
    MapNoBar,
    MapBadCode,
    MapBadPercent,
    MapUtf8Link,
    MapDuplicateCode,
    Related4,
    Related9,
    RelatedNoLink,
    NoRelated,
    BadLength,
};

struct MediaFormat {
    int code = 0;
    std::uint64_t size = 0;
};

struct Video {
    std::string id;              // 11 characters of [A-Za-z0-9_-]
    std::string title;           // as the page writes it (\' and HTML entities kept)
    std::string author;
    std::string published;
    std::string descriptionHtml; // small HTML, never contains "</span>"
    int lengthSeconds = 0;
    std::string lengthText;      // the page's "length_seconds" value: the seconds, or text for a bad duration
    std::string rating;          // e.g. "4.8571"
    std::string votes;           // e.g. "1,234"
    std::string views;           // e.g. "1,234,567"
    std::vector<MediaFormat> formats; // in the order the format map lists them
    Special special = Special::None;
};

// Every video, ordinary ones first, then the special ones.
const std::vector<Video> &catalogue();
// The ordinary videos only (special == None): those that searches and related sections list.
const std::vector<const Video *> &ordinaryVideos();
const Video *findVideo(std::string_view id);
// The media size of one encoding; 0 when the video does not offer it.
std::uint64_t formatSize(const Video &video, int code);
bool isSpecial(const Video &video);

// The related videos that a video's watch page lists, in page order. Ordinary pages list 6 to 8.
std::vector<const Video *> relatedVideos(const Video &video);
// How many of the listed related items carry a link (all but the last two of spRelNoLink).
std::size_t relatedItemsWithLink(const Video &video);

// Videos of one result page (1-based) for a query as the site decodes it (quotes around it
// already removed). "all" or "*" lists the ordinary videos cyclically, 20 per page, for any page;
// other words list the ordinary videos whose title or author contains any word (ASCII
// case-insensitive), 20 per page. The special queries (noresults, nosection, many, unterminated,
// twice, failpage) are handled by the site itself, not here.
inline constexpr int resultsPerPage = 20;
std::vector<const Video *> searchVideos(std::string_view query, int page);

} // namespace demosite
