// The routes of the pages of today's kind: the pages, their single media files, their HLS
// playlists and segments.

#include "site.h"

#include "clippages.h"
#include "clips.h"
#include "mediacontent.h"
#include "mediaroute.h"
#include "pages.h"

#include <chrono>

namespace demosite {

namespace {

constexpr const char *htmlType = "text/html; charset=utf-8";
constexpr const char *playlistType = "application/vnd.apple.mpegurl";

int number(const std::string &text)
{
    try {
        return std::stoi(text);
    } catch (...) {
        return -1;
    }
}

void missing(httplib::Response &res)
{
    res.status = 404;
    res.set_content(notFoundPage("No such clip."), htmlType);
}

} // namespace

void Site::addClipRoutes()
{
    m_server.Get("/clips", [](const httplib::Request &, httplib::Response &res) {
        res.set_content(clipIndexPage(), htmlType);
    });

    m_server.Get(R"(/clip/([a-z-]+))", [this](const httplib::Request &req, httplib::Response &res) {
        const Clip *clip = findClip(req.matches[1].str());
        if (!clip) {
            missing(res);
            return;
        }
        if (clip->kind == ClipKind::Silent) {
            // Holds the connection without a byte until the client leaves or the site stops.
            sleepUnlessStopping(static_cast<int>(std::chrono::milliseconds(std::chrono::minutes(10)).count()));
            res.status = 504;
            return;
        }
        res.set_content(clipPage(*clip, rootOf(req)), htmlType);
    });

    m_server.Get(R"(/clipmedia/([a-z-]+)/(\d+)\.(mp4|webm))", [this](const httplib::Request &req, httplib::Response &res) {
        const Clip *clip = findClip(req.matches[1].str());
        const ClipSource *source = clip ? findClipSource(*clip, number(req.matches[2].str())) : nullptr;
        if (!source || source->container != req.matches[3].str()) {
            missing(res);
            return;
        }
        serveMedia(req, res, clipMediaVideo(*clip), source->code,
                   {rootOf(req), &m_stopping, m_mediaRate, m_control.timesRequested(req.target), &m_control});
    });

    m_server.Get(R"(/clipmedia/([a-z-]+)/master\.m3u8)", [this](const httplib::Request &req, httplib::Response &res) {
        const Clip *clip = findClip(req.matches[1].str());
        if (!clip || (clip->kind != ClipKind::Hls && clip->kind != ClipKind::SeparateStreams)) {
            missing(res);
            return;
        }
        res.set_content(clipMasterPlaylist(*clip, rootOf(req)), playlistType);
    });

    m_server.Get(R"(/clipmedia/([a-z-]+)/(\d+)/index\.m3u8)", [this](const httplib::Request &req, httplib::Response &res) {
        const Clip *clip = findClip(req.matches[1].str());
        const ClipSource *source = clip ? findClipSource(*clip, number(req.matches[2].str())) : nullptr;
        if (!source || source->container != "ts") {
            missing(res);
            return;
        }
        res.set_content(clipMediaPlaylist(*clip, *source, rootOf(req)), playlistType);
    });

    m_server.Get(R"(/clipmedia/([a-z-]+)/(\d+)/seg-(\d+)\.ts)", [](const httplib::Request &req, httplib::Response &res) {
        const Clip *clip = findClip(req.matches[1].str());
        const ClipSource *source = clip ? findClipSource(*clip, number(req.matches[2].str())) : nullptr;
        const int index = number(req.matches[3].str());
        if (!source || source->container != "ts" || index < 0 || static_cast<std::uint64_t>(index) >= clipSegmentCount(*source)) {
            missing(res);
            return;
        }
        const std::uint64_t offset = static_cast<std::uint64_t>(index) * hlsSegmentBytes;
        std::string bytes(static_cast<std::size_t>(std::min(hlsSegmentBytes, source->size - offset)), '\0');
        fillMedia(clip->name, source->code, offset, bytes.data(), bytes.size());
        res.set_content(bytes, "video/MP2T");
    });
}

} // namespace demosite
