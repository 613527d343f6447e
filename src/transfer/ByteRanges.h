#pragma once

#include <QList>
#include <QMetaType>

// The parts of a file that are on disk, as sorted, separate, non-empty spans [begin, end) of byte
// offsets. Adding a span merges it with the spans it touches, so the list stays in that shape
// whatever order the bytes arrive in.
class ByteRanges final
{
public:
    struct Span
    {
        qint64 begin = 0;
        qint64 end = 0; // one past the last byte
        qint64 size() const { return end - begin; }
        bool operator==(const Span &) const = default;
    };

    ByteRanges() = default;

    void add(qint64 begin, qint64 end);
    const QList<Span> &spans() const { return m_spans; }
    bool isEmpty() const { return m_spans.isEmpty(); }
    qint64 bytes() const; // bytes covered
    bool covers(qint64 begin, qint64 end) const; // every byte of [begin, end) is on disk
    // The spans of [0, total) that are not on disk, in order.
    QList<Span> missing(qint64 total) const;
    // Only what lies in [0, limit): what a file of that size can hold.
    ByteRanges clippedTo(qint64 limit) const;

    // Whether spans, as a reader got them, are in this shape and inside [0, total).
    static bool isValid(const QList<Span> &spans, qint64 total);
    static ByteRanges fromSpans(const QList<Span> &spans); // any spans, merged

    bool operator==(const ByteRanges &) const = default;

private:
    QList<Span> m_spans;
};

Q_DECLARE_METATYPE(ByteRanges)
