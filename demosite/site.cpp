#include "site.h"

#include "catalogue.h"
#include "mediaroute.h"
#include "pages.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <thread>

#ifndef CLIPVAULT_DEMOSITE_CLIP
#define CLIPVAULT_DEMOSITE_CLIP ""
#endif

namespace demosite {

namespace {

constexpr const char *htmlType = "text/html; charset=utf-8";
constexpr std::size_t workerThreads = 256;

int intParam(const httplib::Request &req, const char *key, int fallback)
{
    try {
        return req.has_param(key) ? std::stoi(req.get_param_value(key)) : fallback;
    } catch (...) {
        return fallback;
    }
}

// The search words as the site reads them: quotes around the whole query removed, blanks trimmed.
std::string searchWords(std::string query)
{
    const auto trim = [](std::string &s) {
        const auto first = s.find_first_not_of(" \t");
        const auto last = s.find_last_not_of(" \t");
        s = first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
    };
    trim(query);
    if (query.size() >= 2 && query.front() == '"' && query.back() == '"')
        query = query.substr(1, query.size() - 2);
    trim(query);
    return query;
}

bool readFile(const std::filesystem::path &path, std::string &contents)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    contents = text.str();
    return true;
}

// The request headers a test may want to see in the log: ranges, conditions and the headers a
// download carries on behalf of the page it came from.
std::vector<std::string> loggedHeaders(const httplib::Request &req)
{
    std::vector<std::string> headers;
    for (const char *name : {"Range", "If-Range", "User-Agent", "Referer", "Cookie"}) {
        if (req.has_header(name))
            headers.push_back(std::string(name) + ": " + req.get_header_value(name));
    }
    return headers;
}

std::string contentType(const std::string &path)
{
    const auto endsWith = [&path](std::string_view suffix) {
        return path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    if (endsWith(".html"))
        return htmlType;
    if (endsWith(".m3u8"))
        return "application/vnd.apple.mpegurl";
    if (endsWith(".ts"))
        return "video/MP2T";
    if (endsWith(".vtt"))
        return "text/vtt; charset=utf-8";
    if (endsWith(".jpg"))
        return "image/jpeg";
    return "application/octet-stream";
}

void notFound(httplib::Response &res, const std::string &what)
{
    res.status = 404;
    res.set_content(notFoundPage(what), htmlType);
}

} // namespace

Site::Site(std::string extraDir)
    : m_extraDir(std::move(extraDir))
{
    // Every connection holds a worker while it lives, idle ones kept open between requests too,
    // so the pool is large enough for 25 downloads, files fetched over up to 16 connections each,
    // pages and thumbnails at once, from more than one client.
    m_server.new_task_queue = [] { return new httplib::ThreadPool(workerThreads); };
    m_server.set_keep_alive_max_count(1000);
    m_server.set_keep_alive_timeout(10);
    m_server.set_read_timeout(30);
    m_server.set_write_timeout(30);
    m_server.set_pre_routing_handler(
        [this](const httplib::Request &req, httplib::Response &res) { return beforeRouting(req, res); });
    m_server.set_exception_handler([](const httplib::Request &, httplib::Response &res, std::exception_ptr) {
        res.status = 500;
        res.set_content(notFoundPage("Internal error."), htmlType);
    });
    addRoutes();
}

int Site::bind(int port)
{
    if (port == 0)
        m_port = m_server.bind_to_any_port("127.0.0.1");
    else
        m_port = m_server.bind_to_port("127.0.0.1", port) ? port : -1;
    return m_port;
}

void Site::run()
{
    m_server.listen_after_bind();
}

void Site::stop()
{
    m_stopping = true;
    m_server.stop();
}

std::string Site::rootOf(const httplib::Request &req) const
{
    const std::string host = req.get_header_value("Host");
    return "http://" + (host.empty() ? "127.0.0.1:" + std::to_string(m_port) : host);
}

bool Site::readExtra(const std::string &relativePath, std::string &contents) const
{
    if (m_extraDir.empty())
        return false;
    return readFile(std::filesystem::path(m_extraDir) / relativePath, contents);
}

bool Site::sleepUnlessStopping(int milliseconds) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until) {
        if (m_stopping)
            return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            until - std::chrono::steady_clock::now(), std::chrono::milliseconds(20)));
    }
    return true;
}

httplib::Server::HandlerResponse Site::beforeRouting(const httplib::Request &req, httplib::Response &res)
{
    if (req.path.rfind("/_control/", 0) == 0)
        return httplib::Server::HandlerResponse::Unhandled;
    m_control.logRequest(req.target, loggedHeaders(req));
    const ControlBoard::Rule rule = m_control.ruleFor(req.path, req.target);
    if (rule.delayMs > 0)
        sleepUnlessStopping(rule.delayMs);
    if (rule.status > 0) {
        // The status as set, whole: the library would otherwise cut the page to a Range the
        // request carries and turn the answer into a 416.
        const_cast<httplib::Request &>(req).ranges.clear();
        res.status = rule.status;
        res.set_content(notFoundPage("Answer set by a control rule."), htmlType);
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

void Site::addRoutes()
{
    m_server.Get("/", [this](const httplib::Request &req, httplib::Response &res) {
        res.set_content(indexPage(rootOf(req)), htmlType);
    });

    m_server.Get("/watch", [this](const httplib::Request &req, httplib::Response &res) {
        const std::string id = req.get_param_value("v");
        std::string page;
        if (readExtra("watch/" + id + ".html", page)) {
            res.set_content(page, htmlType);
            return;
        }
        const Video *video = findVideo(id);
        if (!video && id.size() > 11)
            video = findVideo(std::string_view(id).substr(0, 11));
        if (!video) {
            notFound(res, "This video does not exist.");
            return;
        }
        res.set_content(watchPage(*video, rootOf(req)), htmlType);
    });

    m_server.Get(R"(/v/([A-Za-z0-9_-]{11}).*)", [](const httplib::Request &req, httplib::Response &res) {
        const Video *video = findVideo(req.matches[1].str());
        if (!video) {
            notFound(res, "This video does not exist.");
            return;
        }
        std::error_code error;
        res.set_content(embedPage(*video, std::filesystem::is_regular_file(CLIPVAULT_DEMOSITE_CLIP, error)),
                        htmlType);
    });

    m_server.Get("/clip.webm", [](const httplib::Request &, httplib::Response &res) {
        std::string clip;
        if (!readFile(CLIPVAULT_DEMOSITE_CLIP, clip)) {
            notFound(res, "no clip");
            return;
        }
        res.set_content(clip, "video/webm");
    });

    m_server.Get(R"(/vi/([A-Za-z0-9_-]+)/default\.jpg)", [this](const httplib::Request &req, httplib::Response &res) {
        std::string extra;
        if (readExtra("vi/" + req.matches[1].str() + "/default.jpg", extra)) {
            res.set_content(extra, "image/jpeg"); // whatever the test put there, picture or not
            return;
        }
        const QByteArray jpeg = m_thumbnails.jpeg(req.matches[1].str());
        if (jpeg.isEmpty()) {
            notFound(res, "No such thumbnail.");
            return;
        }
        res.set_content(jpeg.constData(), static_cast<std::size_t>(jpeg.size()), "image/jpeg");
    });

    m_server.Get("/results", [this](const httplib::Request &req, httplib::Response &res) {
        const int page = intParam(req, "page", 1);
        std::string extra;
        if (readExtra("results/page-" + std::to_string(page) + ".html", extra)) {
            res.set_content(extra, htmlType);
            return;
        }
        const std::string words = searchWords(req.get_param_value("search_query"));
        if (words == "failpage" && page == 2) {
            res.status = 500;
            res.set_content(notFoundPage("The search failed."), htmlType);
            return;
        }
        res.set_content(resultsPage(words, page, rootOf(req)), htmlType);
    });

    m_server.Get(R"(/media/([A-Za-z0-9_-]+)/(\d+))", [this](const httplib::Request &req, httplib::Response &res) {
        const Video *video = findVideo(req.matches[1].str());
        int code = 0;
        try {
            code = std::stoi(req.matches[2].str());
        } catch (...) {
            code = 0;
        }
        if (!video || formatSize(*video, code) == 0) {
            notFound(res, "No such media file.");
            return;
        }
        serveMedia(req, res, *video, code,
                   {rootOf(req), &m_stopping, m_mediaRate, m_control.timesRequested(req.target), &m_control});
    });

    // Files of a test's own making below the --extra folder, such as media that ffmpeg made for
    // it. No part of the path starts with a dot, so nothing above the folder is reached.
    m_server.Get(R"(/files/((?:[A-Za-z0-9_-][A-Za-z0-9_.-]*/)*[A-Za-z0-9_-][A-Za-z0-9_.-]*))",
                 [this](const httplib::Request &req, httplib::Response &res) {
        const std::string path = req.matches[1].str();
        std::string contents;
        if (!readExtra("files/" + path, contents)) {
            notFound(res, "No such file.");
            return;
        }
        res.set_content(contents, contentType(path));
    });

    addClipRoutes();
    addListRoutes();

    m_server.Get("/_control/rule", [this](const httplib::Request &req, httplib::Response &res) {
        const std::string path = req.get_param_value("path");
        if (path.empty()) {
            res.status = 400;
            res.set_content("path missing\n", "text/plain");
            return;
        }
        m_control.setRule(path, {intParam(req, "delay", 0), intParam(req, "status", 0)});
        res.set_content("ok\n", "text/plain");
    });
    m_server.Get("/_control/clear", [this](const httplib::Request &, httplib::Response &res) {
        m_control.clear();
        res.set_content("ok\n", "text/plain");
    });
    m_server.Get("/_control/log", [this](const httplib::Request &, httplib::Response &res) {
        res.set_content(m_control.logText(), "text/plain; charset=utf-8");
    });
    m_server.Get("/_control/media", [this](const httplib::Request &, httplib::Response &res) {
        res.set_content(m_control.mediaText(), "text/plain; charset=utf-8");
    });
}

} // namespace demosite
