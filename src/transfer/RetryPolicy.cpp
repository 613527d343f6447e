#include "transfer/RetryPolicy.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace {

bool transientNetworkError(int error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError: // closed early, or reset
    case QNetworkReply::TimeoutError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyTimeoutError:
        return true;
    default:
        return false;
    }
}

bool transientStatus(int status)
{
    return status == 408 || status == 429 || status == 500 || status == 502 || status == 503 || status == 504;
}

} // namespace

RetryPolicy::Failure RetryPolicy::classify(const TransferResult &r)
{
    if (r.ok)
        return Failure::None;
    // A part of the file where the whole was asked for: a cache or balancer in the way may
    // answer properly next time. Nothing of it was kept.
    if (r.refused == TransferResult::Refused::PartUnasked)
        return Failure::Transient;
    if (r.retriesSpent || r.writeFailed || r.refused != TransferResult::Refused::None || r.overSizeLimit || r.overDeadline)
        return Failure::Permanent;
    if (r.timedOut)
        return Failure::Transient;
    if (r.httpStatus >= 300)
        return transientStatus(r.httpStatus) ? Failure::Transient : Failure::Permanent;
    if (transientNetworkError(r.networkError))
        return Failure::Transient;
    // A success status whose body stopped short without an error of its own was still cut off.
    if (r.httpStatus >= 200 && r.networkError == QNetworkReply::NoError && r.bytesTotal >= 0
        && r.fileBytes() < r.bytesTotal)
        return Failure::Transient;
    return Failure::Permanent;
}

std::optional<qint64> RetryPolicy::retryAfterSeconds(const QByteArray &value, const QDateTime &now)
{
    const QByteArray text = value.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        bool ok = false;
        const qint64 seconds = text.size() <= 12 ? text.toLongLong(&ok) : 0;
        return ok ? std::optional<qint64>(seconds) : std::optional<qint64>(MaxRetryAfterSeconds);
    }
    QDateTime when = TransferValidators::httpDate(text);
    if (!when.isValid())
        return std::nullopt;
    // The old form's two-digit year is read as 19xx; a date 50 years or less ahead is meant.
    if (text.contains('-') && when.secsTo(now) > 50LL * 365 * 86400 && when.addYears(100).secsTo(now) > -50LL * 365 * 86400)
        when = when.addYears(100);
    return std::max<qint64>(0, now.secsTo(when));
}

qint64 RetryPolicy::delayMs(int retry, const QByteArray &retryAfter, const QDateTime &now, double jitter)
{
    if (const auto seconds = retryAfterSeconds(retryAfter, now))
        return std::min(*seconds, MaxRetryAfterSeconds) * 1000;
    const qint64 base = qint64(1000) << std::clamp(retry - 1, 0, MaxRetries - 1);
    return std::llround(base * (1.0 + 0.1 * std::clamp(jitter, -1.0, 1.0)));
}

RetryPolicy::Decision RetryPolicy::next(const TransferResult &result, int retriesDone, const QDateTime &now,
                                        double jitter)
{
    Decision decision;
    if (classify(result) != Failure::Transient || retriesDone >= MaxRetries)
        return decision;
    decision.retry = true;
    decision.retryNumber = retriesDone + 1;
    decision.delayMs = delayMs(decision.retryNumber, result.retryAfter, now, jitter);
    return decision;
}

RetryPolicy::Decision RetryPolicy::next(const TransferResult &result, int retriesDone)
{
    return next(result, retriesDone, QDateTime::currentDateTimeUtc(),
                QRandomGenerator::global()->generateDouble() * 2.0 - 1.0);
}
