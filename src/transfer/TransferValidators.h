#pragma once

#include <QByteArray>
#include <QMetaType>

class QDateTime;

// What a server said about the file it sent, kept with the bytes it vouches for: enough to prove
// later that the rest of a file asked for by range belongs to the same file.
struct TransferValidators
{
    QByteArray etag;         // as sent, quotes included; a weak one (W/"...") proves nothing
    QByteArray lastModified; // as sent (an HTTP date)
    qint64 total = -1;       // length of the whole file, -1 when unknown
    // The date proves a version only when no entity tag came with it and it lies at least a
    // second before the answer's own Date (a file changed within the second of its date keeps it).
    bool lastModifiedStrong = false;

    // The longest file a length may announce: a JSON number beyond 2^53 loses bytes, so the
    // journal could not keep it.
    static constexpr qint64 MaxLength = qint64(1) << 53;

    bool hasStrongEtag() const { return etag.startsWith('"') && etag.size() >= 2 && etag.endsWith('"'); }
    // A resume can be proved only with the whole length and a strong ETag or a date.
    bool canProveResume() const { return total > 0 && (hasStrongEtag() || !lastModified.isEmpty()); }
    // The value of If-Range for a resume: the strong ETag, else a strong date; empty when neither
    // (the resume then goes without If-Range and only the length and the date vouch for the rest).
    QByteArray ifRange() const;
    // An answer vouches for the same file when it carries the same strong ETag, or, when there
    // was none, the same date. Lengths are compared by the caller (they come from the range).
    bool sameFileAs(const TransferValidators &answer) const;

    // Whether lastModified, sent in an answer whose Date header is `date`, is a strong validator.
    static bool isStrongDate(const QByteArray &lastModified, const QByteArray &date, const QByteArray &etag);
    // An HTTP date in any of its three forms; invalid when unreadable.
    static QDateTime httpDate(const QByteArray &text);

    bool operator==(const TransferValidators &) const = default;
};

Q_DECLARE_METATYPE(TransferValidators)
