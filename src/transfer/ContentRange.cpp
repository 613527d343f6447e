#include "transfer/ContentRange.h"

namespace {

// A non-negative decimal number made of digits only; -1 otherwise.
qint64 number(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > 18)
        return -1;
    for (const char c : text)
        if (c < '0' || c > '9')
            return -1;
    return text.toLongLong();
}

} // namespace

ContentRange ContentRange::parse(const QByteArray &header)
{
    ContentRange range;
    const QByteArray value = header.trimmed();
    // The unit, as any token of HTTP, is compared without regard to case.
    if (value.left(6).toLower() != "bytes ")
        return range;
    const QByteArray rangeText = value.mid(6).trimmed();
    const qsizetype slash = rangeText.indexOf('/');
    if (slash < 0)
        return range;
    const QByteArray span = rangeText.left(slash).trimmed();
    const QByteArray total = rangeText.mid(slash + 1).trimmed();
    if (total != "*") {
        range.total = number(total);
        if (range.total < 0)
            return range;
    }
    if (span == "*") {
        range.unsatisfied = true;
        range.valid = range.total >= 0;
        return range;
    }
    const qsizetype dash = span.indexOf('-');
    if (dash < 0)
        return range;
    range.first = number(span.left(dash));
    range.last = number(span.mid(dash + 1));
    range.valid = range.first >= 0 && range.last >= range.first && (range.total < 0 || range.last < range.total);
    return range;
}
