#pragma once

#include "transfer/TransferResult.h"

#include <QByteArray>
#include <QDateTime>

#include <optional>

// Whether and when a failed download is tried again.
//
// Transient failures (the server or the way to it may be fine a little later): connection
// refused, reset or closed early (also a body shorter than announced), the idle time-out, and
// HTTP 408, 429, 500, 502, 503, 504, and a part of the file sent where the whole was asked for.
// Everything else is permanent: other 4xx and 5xx statuses, an encoded body or an absurd length,
// a file that cannot be written, a refused address.
//
// Retry n (1 to MaxRetries) waits 2^(n-1) seconds (1, 2, 4, 8, 16), stretched or shortened by up
// to a tenth at random so that many rows do not knock at once; a readable Retry-After (seconds
// or an HTTP date) replaces that wait, but never for longer than 60 s.
class RetryPolicy final
{
public:
    static constexpr int MaxRetries = 5; // after the first try: at most six tries in all
    static constexpr qint64 MaxRetryAfterSeconds = 60;

    enum class Failure { None, Transient, Permanent };
    static Failure classify(const TransferResult &result);

    // The seconds a Retry-After value asks to wait from `now`: a number of seconds or an HTTP
    // date (a date in the past gives 0); nothing when absent or unreadable.
    static std::optional<qint64> retryAfterSeconds(const QByteArray &value, const QDateTime &now);

    // The wait before retry `retry` (1-based). `jitter` in -1..1 scales the tenth.
    static qint64 delayMs(int retry, const QByteArray &retryAfter, const QDateTime &now, double jitter);

    struct Decision
    {
        bool retry = false; // false: the failure is final (or there was none)
        int retryNumber = 0; // 1-based number of the retry to come (the try after it is retryNumber + 1)
        qint64 delayMs = 0;
    };
    // What to do after the latest try ended with `result`, when `retriesDone` retries have run.
    static Decision next(const TransferResult &result, int retriesDone, const QDateTime &now, double jitter);
    static Decision next(const TransferResult &result, int retriesDone); // now, random jitter
};
