#include "transfer/ByteRanges.h"

#include <algorithm>

void ByteRanges::add(qint64 begin, qint64 end)
{
    if (begin < 0 || end <= begin)
        return;
    // The first span that ends at or after begin; it and the ones after it that start at or before
    // end become one.
    auto first = std::lower_bound(m_spans.begin(), m_spans.end(), begin,
                                  [](const Span &s, qint64 at) { return s.end < at; });
    if (first == m_spans.end() || first->begin > end) {
        m_spans.insert(first, Span{begin, end});
        return;
    }
    auto last = first + 1;
    while (last != m_spans.end() && last->begin <= end)
        ++last;
    // Mostly a span grows at its end, in place.
    first->begin = std::min(begin, first->begin);
    first->end = std::max(end, (last - 1)->end);
    m_spans.erase(first + 1, last);
}

qint64 ByteRanges::bytes() const
{
    qint64 sum = 0;
    for (const Span &s : m_spans)
        sum += s.size();
    return sum;
}

bool ByteRanges::covers(qint64 begin, qint64 end) const
{
    return std::any_of(m_spans.begin(), m_spans.end(),
                       [=](const Span &s) { return s.begin <= begin && end <= s.end; });
}

QList<ByteRanges::Span> ByteRanges::missing(qint64 total) const
{
    QList<Span> holes;
    qint64 at = 0;
    for (const Span &s : m_spans) {
        if (s.begin >= total)
            break;
        if (s.begin > at)
            holes.append({at, s.begin});
        at = std::max(at, s.end);
    }
    if (at < total)
        holes.append({at, total});
    return holes;
}

ByteRanges ByteRanges::clippedTo(qint64 limit) const
{
    ByteRanges clipped;
    for (const Span &s : m_spans)
        clipped.add(s.begin, std::min(s.end, limit));
    return clipped;
}

bool ByteRanges::isValid(const QList<Span> &spans, qint64 total)
{
    qint64 at = 0;
    for (const Span &s : spans) {
        if (s.begin < at || s.end <= s.begin || s.end > total)
            return false;
        at = s.end;
    }
    return true;
}

ByteRanges ByteRanges::fromSpans(const QList<Span> &spans)
{
    ByteRanges ranges;
    for (const Span &s : spans)
        ranges.add(s.begin, s.end);
    return ranges;
}
