#include "mediaroute.h"

#include "byterange.h"
#include "catalogue.h"
#include "controlboard.h"
#include "mediacontent.h"
#include "pages.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
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

// Shared by the calls of one answer's content provider. Offsets given to send() count from the
// first byte of the body, which is byte `start` of the file.
struct Sending {
    std::uint64_t seed = 0;
    std::uint64_t start = 0;
    std::uint64_t length = 0;          // body bytes
    std::uint64_t dropAt = UINT64_MAX; // close the connection once this many body bytes are out
    std::uint64_t rate = 0;            // bytes per second, 0 = as fast as possible
    std::uint64_t sent = 0;
    Clock::time_point started = Clock::now();
    const std::atomic<bool> *stopping = nullptr;
    // Held while the body is on its way; let go before its last byte is handed over, so that a
    // client that starts another transfer on that byte never finds this one still counted.
    std::shared_ptr<void> sendingToken;
    std::shared_ptr<void> slot; // counts this answer among those of its address while it is sent

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
        fillMediaFromSeed(seed, start + offset, buf, n);
        if (offset + n >= std::min(length, dropAt))
            sendingToken.reset();
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

// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT"), spelled out by hand: the process locale may
// not be C.
std::string httpDate(std::time_t when)
{
    static const char *const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm t{};
    gmtime_r(&when, &t);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", days[t.tm_wday], t.tm_mday,
                  months[t.tm_mon], t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

// The validators of one version of a file: the ETag names its content and length, the date
// moves forward when the file changes.
struct Validators {
    std::string etag;
    std::string lastModified;
};

Validators validatorsOf(std::uint64_t originalSeed, std::uint64_t seed, std::uint64_t size)
{
    char etag[64];
    std::snprintf(etag, sizeof etag, "\"%016llx-%llu\"", static_cast<unsigned long long>(seed),
                  static_cast<unsigned long long>(size));
    const std::time_t base = 1300000000 + static_cast<std::time_t>(originalSeed % 63072000);
    return {etag, httpDate(seed == originalSeed ? base : base + 30 * 86400)};
}

// The range the request asks for, unless the answer must be the whole file.
ByteRange wantedRange(const httplib::Request &req, const Validators &validators, std::uint64_t size)
{
    if (!req.has_header("Range"))
        return {};
    if (req.has_header("If-Range") && req.get_param_value("ignoreIfRange") != "1") {
        // Only an exact match of the current version's ETag or date keeps the range.
        const std::string condition = req.get_header_value("If-Range");
        if (condition != validators.etag && condition != validators.lastModified)
            return {};
    }
    return parseByteRange(req.get_header_value("Range"), size);
}

} // namespace

void serveMedia(const httplib::Request &req, httplib::Response &res, const Video &video, int code,
                const MediaContext &context)
{
    // The library cuts every answer to the request's ranges by itself; this route answers ranges
    // on its own (416, If-Range, ignored ranges, faults), so the library's pass is switched off.
    // The request is the server's own object, handed to routes as const.
    const_cast<httplib::Request &>(req).ranges.clear();

    res.set_header("Date", httpDate(std::time(nullptr)));
    const std::uint64_t request = static_cast<std::uint64_t>(std::max(context.requestNumber, 1));
    const std::string fault =
        request <= numberParam(req, "faultTimes").value_or(UINT64_MAX) ? req.get_param_value("fault") : std::string();
    if (req.get_param_value("errorValidators") == "1") {
        // A static error page names its own version; set here, the file's own replace them below.
        res.set_header("ETag", "\"error-page-1\"");
        res.set_header("Last-Modified", httpDate(1400000000));
    }
    if (fault == "404" || fault == "500") {
        errorAnswer(res, std::stoi(fault), "The media file is not available.");
        return;
    }
    if (fault == "redirect") {
        res.set_redirect(context.root + withoutFault(req.target), 302);
        return;
    }
    if (request >= numberParam(req, "busyFrom").value_or(1) && request <= numberParam(req, "busyTimes").value_or(0)) {
        res.set_header("Retry-After", req.has_param("retryAfter") ? req.get_param_value("retryAfter") : "1");
        const int status = static_cast<int>(numberParam(req, "busyStatus").value_or(503));
        errorAnswer(res, status >= 400 && status <= 599 ? status : 503, "The media server is busy.");
        return;
    }

    auto sending = std::make_shared<Sending>();
    if (const auto cap = numberParam(req, "maxConnections"); cap && context.control) {
        auto [slot, sendingNow] = context.control->occupy(req.target);
        if (static_cast<std::uint64_t>(sendingNow) > *cap) {
            res.set_header("Retry-After", "1");
            const int status = static_cast<int>(numberParam(req, "capStatus").value_or(503));
            errorAnswer(res, status >= 400 && status <= 599 ? status : 503, "Too many connections.");
            return;
        }
        sending->slot = std::move(slot);
    }
    const std::uint64_t originalSeed = mediaSeed(video.id, code);
    const bool changed = request >= numberParam(req, "changeFrom").value_or(UINT64_MAX);
    sending->seed = changed ? changedMediaSeed(originalSeed) : originalSeed;
    const std::uint64_t size = numberParam(req, "size").value_or(formatSize(video, code));
    sending->rate = numberParam(req, "rate").value_or(context.defaultRate);
    sending->stopping = context.stopping;
    const std::string type = mediaContentType(code);

    const Validators validators = validatorsOf(originalSeed, sending->seed, size);
    res.headers.erase("ETag");
    res.headers.erase("Last-Modified");
    if (req.get_param_value("noEtag") != "1")
        res.set_header("ETag", validators.etag);
    res.set_header("Last-Modified", validators.lastModified);
    const bool ignoreRange = req.get_param_value("ignoreRange") == "1";
    if (!ignoreRange && fault != "nolength")
        res.set_header("Accept-Ranges", "bytes");
    ByteRange range = ignoreRange || fault == "nolength" ? ByteRange{} : wantedRange(req, validators, size);
    if (fault == "unasked206" && size > 1)
        range = ByteRange{ByteRange::Part, size / 2, size - 1};
    if (fault == "shiftedRange" && range.kind == ByteRange::Part && range.first + 1000 < size)
        range.first += 1000;
    if (fault == "earlierRange" && range.kind == ByteRange::Part && range.first >= 1000)
        range.first -= 1000;
    if (const auto limit = numberParam(req, "partLimit"); limit && *limit > 0 && range.kind == ByteRange::Part
        && range.length() > *limit)
        range.last = range.first + *limit - 1;
    if (range.kind == ByteRange::Unsatisfiable) {
        res.set_header("Content-Range", "bytes */" + std::to_string(size));
        errorAnswer(res, 416, "The range lies past the end of the media file.");
        return;
    }
    sending->length = size;
    if (range.kind == ByteRange::Part) {
        res.status = 206;
        res.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last)
                                            + "/" + std::to_string(size));
        sending->start = range.first;
        sending->length = range.length();
    }

    if (context.control) {
        context.control->mediaSending(1);
        ControlBoard *control = context.control;
        sending->sendingToken = std::shared_ptr<void>(nullptr, [control](void *) { control->mediaSending(-1); });
    }

    if (fault == "drop")
        sending->dropAt = numberParam(req, "dropAt").value_or(sending->length / 2);
    else if (fault == "short")
        sending->dropAt = numberParam(req, "dropAt").value_or(sending->length > 100 ? sending->length - 100 : 0);
    if (request <= numberParam(req, "dropTimes").value_or(0))
        sending->dropAt = std::min(sending->dropAt, numberParam(req, "dropAfter").value_or(sending->length / 2));

    if (fault == "gzip")
        res.set_header("Content-Encoding", "gzip");
    if (fault == "hugeLength") {
        res.set_content_provider(std::size_t(1) << 60, type, [sending](std::size_t offset, std::size_t, httplib::DataSink &sink) {
            return sending->send(offset, fullChunk, sink);
        });
        return;
    }
    if (fault == "stall") {
        // Headers go out, then nothing until the client leaves, the site stops or ten minutes pass.
        res.set_content_provider(static_cast<std::size_t>(sending->length), type,
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
            if (offset >= sending->length) {
                sink.done();
                return true;
            }
            return sending->send(offset, sending->length - offset, sink);
        });
        return;
    }
    if (sending->length == 0) {
        // A provider of length 0 would be sent without a length; an empty body says Content-Length: 0.
        res.set_content(std::string(), type);
        return;
    }
    res.set_content_provider(static_cast<std::size_t>(sending->length), type,
                             [sending](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                                 return sending->send(offset, length, sink);
                             });
}

} // namespace demosite
