#include "transfer/RateLimiter.h"

#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <cmath>

namespace RateLimiter {

namespace {

constexpr qint64 RecentMs = 250; // a reader counts as reading while it asked this recently
constexpr qint64 MinChunk = 1024;

// The tokens that come in are shared out at once among the readers reading now, each holding at
// most its share of the bucket: a reader that asks more often gets no more than one that asks less.
struct Bucket
{
    struct Reader
    {
        double credit = 0;
        qint64 lastAskedMs = 0;
    };
    qint64 rate = 0;
    QElapsedTimer clock;
    qint64 lastMs = 0;
    QHash<const void *, Reader> readers;

    qint64 capacity() const { return std::max<qint64>(rate / 20, 4 * MinChunk); }

    void refill()
    {
        if (!clock.isValid())
            clock.start();
        const qint64 now = clock.elapsed();
        for (auto it = readers.begin(); it != readers.end();)
            it = now - it->lastAskedMs > RecentMs ? readers.erase(it) : std::next(it);
        if (!readers.isEmpty()) {
            const double each = double(rate) * double(now - lastMs) / 1000.0 / double(readers.size());
            const double most = double(capacity()) / double(readers.size());
            for (Reader &reader : readers)
                reader.credit = std::min(most, reader.credit + each);
        }
        lastMs = now;
    }
};

Bucket &bucket()
{
    static Bucket b;
    return b;
}

} // namespace

void setRate(qint64 bytesPerSecond)
{
    Bucket &b = bucket();
    b.refill();
    b.rate = std::max<qint64>(0, bytesPerSecond);
}

qint64 rate()
{
    return bucket().rate;
}

qint64 take(const void *reader, qint64 wanted)
{
    Bucket &b = bucket();
    if (b.rate <= 0 || wanted <= 0)
        return std::max<qint64>(0, wanted);
    b.refill();
    Bucket::Reader &own = b.readers[reader];
    own.lastAskedMs = b.lastMs;
    const qint64 given = std::min(wanted, static_cast<qint64>(std::floor(own.credit)));
    if (given < std::min(wanted, MinChunk))
        return 0; // not worth a read yet
    own.credit -= double(given);
    return given;
}

int waitMs()
{
    const Bucket &b = bucket();
    if (b.rate <= 0)
        return 0;
    // Until a share has come in, at least a few milliseconds.
    return static_cast<int>(std::clamp<qint64>(MinChunk * 4 * 1000 / b.rate, 5, 100));
}

} // namespace RateLimiter
