#include "mediaroute.h"

#include "catalogue.h"
#include "mediacontent.h"
#include "pages.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace demosite {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t fullChunk = 256 * 1024;
constexpr auto stallLimit = std::chrono::minutes(10);

std::optional<std::uint64_t> numberParam(const httplib::Request &req, const char *key)
{
    if (!req.has_param(key))
        return std::nullopt;
    try {
        return std::stoull(req.get_param_value(key));
    } catch (...) {
        return std::nullopt;
    }
}

// The request's own target without any fault= item of its query.
std::string withoutFault(const std::string &target)
{
    const auto q = target.find('?');
    if (q == std::string::npos)
        return target;
    std::string kept;
    std::size_t start = q + 1;
    while (start <= target.size()) {
        std::size_t end = target.find('&', start);
        if (end == std::string::npos)
            end = target.size();
        const std::string item = target.substr(start, end - start);
        if (!item.empty() && item.rfind("fault=", 0) != 0)
            kept += (kept.empty() ? "" : "&") + item;
        start = end + 1;
    }
    return target.substr(0, q) + (kept.empty() ? "" : "?" + kept);
}

char *chunkBuffer()
{
    thread_local std::vector<char> buffer(fullChunk);
    return buffer.data();
}

// Shared by the calls of one answer's content provider.
struct Sending {
    std::uint64_t seed = 0;
    std::uint64_t size = 0;
    std::uint64_t dropAt = UINT64_MAX; // close the connection once this many bytes are out
    std::uint64_t rate = 0;            // bytes per second, 0 = as fast as possible
    std::uint64_t sent = 0;
    Clock::time_point started = Clock::now();
    const std::atomic<bool> *stopping = nullptr;

    std::size_t chunk() const
    {
        if (rate == 0)
            return fullChunk;
        return static_cast<std::size_t>(std::clamp<std::uint64_t>(rate / 10, 1024, fullChunk));
    }

    // Waits until the throttled rate allows the next chunk; false when the answer should end.
    bool pace(httplib::DataSink &sink) const
    {
        if (rate == 0)
            return true;
        const auto due = started + std::chrono::microseconds(sent * 1000000 / rate);
        while (Clock::now() < due) {
            if (stopping->load() || !sink.is_writable())
                return false;
            std::this_thread::sleep_for(std::min<Clock::duration>(due - Clock::now(), std::chrono::milliseconds(50)));
        }
        return true;
    }

    // Writes the next piece from offset; false to cut the connection.
    bool send(std::uint64_t offset, std::uint64_t wanted, httplib::DataSink &sink)
    {
        if (offset >= dropAt || !pace(sink))
            return false;
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>({wanted, chunk(), dropAt - offset}));
        char *buf = chunkBuffer();
        fillMediaFromSeed(seed, offset, buf, n);
        if (!sink.write(buf, n))
            return false;
        sent += n;
        return true;
    }
};

void errorAnswer(httplib::Response &res, int status, const std::string &text)
{
    res.status = status;
    res.set_content(notFoundPage(text), "text/html; charset=utf-8");
}

} // namespace

void serveMedia(const httplib::Request &req, httplib::Response &res, const Video &video, int code,
                const std::string &root, const std::atomic<bool> &stopping, std::uint64_t defaultRate)
{
    const std::string fault = req.get_param_value("fault");
    if (fault == "404" || fault == "500") {
        errorAnswer(res, std::stoi(fault), "The media file is not available.");
        return;
    }
    if (fault == "redirect") {
        res.set_redirect(root + withoutFault(req.target), 302);
        return;
    }

    auto sending = std::make_shared<Sending>();
    sending->seed = mediaSeed(video.id, code);
    sending->size = numberParam(req, "size").value_or(formatSize(video, code));
    sending->rate = numberParam(req, "rate").value_or(defaultRate);
    sending->stopping = &stopping;
    if (fault == "drop")
        sending->dropAt = numberParam(req, "dropAt").value_or(sending->size / 2);
    else if (fault == "short")
        sending->dropAt = numberParam(req, "dropAt").value_or(sending->size > 100 ? sending->size - 100 : 0);
    const std::string type = mediaContentType(code);

    if (fault == "stall") {
        // Headers go out, then nothing until the client leaves, the site stops or ten minutes pass.
        res.set_content_provider(static_cast<std::size_t>(sending->size), type,
                                 [sending](std::size_t, std::size_t, httplib::DataSink &sink) {
                                     while (Clock::now() - sending->started < stallLimit) {
                                         if (sending->stopping->load() || !sink.is_writable())
                                             return false;
                                         std::this_thread::sleep_for(std::chrono::milliseconds(100));
                                     }
                                     return false;
                                 });
        return;
    }
    if (fault == "nolength") {
        res.set_chunked_content_provider(type, [sending](std::size_t offset, httplib::DataSink &sink) {
            if (offset >= sending->size) {
                sink.done();
                return true;
            }
            return sending->send(offset, sending->size - offset, sink);
        });
        return;
    }
    if (sending->size == 0) {
        // A provider of length 0 would be sent without a length; an empty body says Content-Length: 0.
        res.set_content(std::string(), type);
        return;
    }
    res.set_content_provider(static_cast<std::size_t>(sending->size), type,
                             [sending](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                                 return sending->send(offset, length, sink);
                             });
}

} // namespace demosite
