#include "clippages.h"

#include "pages.h"
#include "urlcoding.h"

#include <cstdio>

namespace demosite {

namespace {

// A JSON string; "<" is escaped as well so that the text cannot close the script element.
std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '<': out += "\\u003c"; break;
        case '>': out += "\\u003e"; break;
        case '&': out += "\\u0026"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string isoDuration(int seconds)
{
    return "PT" + std::to_string(seconds / 60) + "M" + std::to_string(seconds % 60) + "S";
}

std::string head(const Clip &clip, const std::string &extra = std::string())
{
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + htmlEscape(clip.title) +
           "</title>\n" + extra + "</head>\n<body>\n<h1>" + htmlEscape(clip.title) + "</h1>\n";
}

std::string jsonLdPage(const Clip &clip, const std::string &root)
{
    const ClipSource &source = clip.sources.front();
    const std::string metadata =
        "{\"@context\": \"https://schema.org\", \"@type\": \"VideoObject\",\n"
        " \"name\": " + jsonString(clip.title) + ",\n"
        " \"author\": {\"@type\": \"Person\", \"name\": " + jsonString(clip.author) + "},\n"
        " \"uploadDate\": " + jsonString(clip.uploadDate) + ",\n"
        " \"duration\": " + jsonString(isoDuration(clip.seconds)) + ",\n"
        " \"interactionStatistic\": {\"@type\": \"InteractionCounter\", \"interactionType\": "
        "{\"@type\": \"WatchAction\"}, \"userInteractionCount\": " + std::to_string(clip.views) + "},\n"
        " \"description\": " + jsonString(clip.description) + ",\n"
        " \"thumbnailUrl\": " + jsonString(thumbnailUrl(root, clip.thumbnailId)) + ",\n"
        " \"contentUrl\": " + jsonString(root + clipMediaPath(clip.name, source)) + "}";
    return head(clip, "<script type=\"application/ld+json\">\n" + metadata + "\n</script>\n") +
           "<p>A clip described by its metadata only.</p>\n</body>\n</html>\n";
}

std::string html5Page(const Clip &clip, const std::string &root)
{
    std::string page = head(clip) + "<video controls poster=\"" + thumbnailUrl(root, clip.thumbnailId) + "\">\n";
    for (const ClipSource &s : clip.sources)
        page += "<source src=\"" + root + clipMediaPath(clip.name, s) + "\" type=\"video/" + s.container +
                "\" label=\"" + s.label + "\" res=\"" + std::to_string(s.height) + "\">\n";
    return page + "</video>\n</body>\n</html>\n";
}

std::string hlsPage(const Clip &clip, const std::string &root)
{
    return head(clip) + "<video controls>\n<source src=\"" + root + clipMasterPath(clip.name) +
           "\" type=\"application/x-mpegURL\">\n</video>\n</body>\n</html>\n";
}

std::string resolution(const ClipSource &s)
{
    return std::to_string(s.width) + "x" + std::to_string(s.height);
}

} // namespace

std::string clipPage(const Clip &clip, const std::string &root)
{
    switch (clip.kind) {
    case ClipKind::JsonLd:
        return jsonLdPage(clip, root);
    case ClipKind::Html5:
        return html5Page(clip, root);
    case ClipKind::Hls:
    case ClipKind::SeparateStreams:
        return hlsPage(clip, root);
    case ClipKind::NoVideo:
    case ClipKind::Silent:
        break;
    }
    return head(clip) + "<p>Tide tables, mooring fees and the harbour master's hours. No video here.</p>\n"
                        "</body>\n</html>\n";
}

std::string clipIndexPage()
{
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Pages of today's kind</title>\n</head>\n<body>\n<h1>Pages of today's kind</h1>\n<ul>\n";
    for (const Clip &clip : clipCatalogue())
        page += "<li><a href=\"" + clipPagePath(clip.name) + "\">" + htmlEscape(clip.title) + "</a></li>\n";
    return page + "</ul>\n</body>\n</html>\n";
}

std::string clipMasterPlaylist(const Clip &clip, const std::string &root)
{
    std::string out = "#EXTM3U\n#EXT-X-VERSION:3\n";
    const bool separate = clip.kind == ClipKind::SeparateStreams;
    for (const ClipSource &s : clip.sources) {
        if (s.audioOnly)
            out += "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"audio\",NAME=\"Harbour\",LANGUAGE=\"en\",DEFAULT=YES,"
                   "AUTOSELECT=YES,URI=\"" + root + clipPlaylistPath(clip.name, s.code) + "\"\n";
    }
    for (const ClipSource &s : clip.sources) {
        if (s.audioOnly)
            continue;
        const int bandwidth = s.height * 2000 + (separate ? 0 : 80000);
        out += "#EXT-X-STREAM-INF:BANDWIDTH=" + std::to_string(bandwidth) + ",RESOLUTION=" + resolution(s) +
               ",CODECS=\"avc1.4d401f,mp4a.40.2\"" + (separate ? ",AUDIO=\"audio\"" : "") + "\n" + root +
               clipPlaylistPath(clip.name, s.code) + "\n";
    }
    return out;
}

std::string clipMediaPlaylist(const Clip &clip, const ClipSource &source, const std::string &root)
{
    std::string out = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:" + std::to_string(hlsSegmentSeconds) +
                      "\n#EXT-X-MEDIA-SEQUENCE:0\n#EXT-X-PLAYLIST-TYPE:VOD\n";
    for (std::uint64_t k = 0; k < clipSegmentCount(source); ++k)
        out += "#EXTINF:" + std::to_string(hlsSegmentSeconds) + ".0,\n" + root + clipSegmentPath(clip.name, source.code, k) + "\n";
    return out + "#EXT-X-ENDLIST\n";
}

} // namespace demosite
