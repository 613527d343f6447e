#pragma once

#include <QByteArray>
#include <QMetaType>

// What a server said about the file it sent, kept with the bytes it vouches for: enough to prove
// later that the rest of a file asked for by range belongs to the same file.
struct TransferValidators
{
    QByteArray etag;         // as sent, quotes included; a weak one (W/"...") proves nothing
    QByteArray lastModified; // as sent (an HTTP date)
    qint64 total = -1;       // length of the whole file, -1 when unknown

    bool hasStrongEtag() const { return etag.startsWith('"') && etag.size() >= 2 && etag.endsWith('"'); }
    // A resume can be proved only with the whole length and a strong ETag or a date.
    bool canProveResume() const { return total > 0 && (hasStrongEtag() || !lastModified.isEmpty()); }
    // The value of If-Range for a resume: the strong ETag, else the date.
    QByteArray ifRange() const { return hasStrongEtag() ? etag : lastModified; }
    // An answer vouches for the same file when it carries the same strong ETag, or, when there
    // was none, the same date. Lengths are compared by the caller (they come from the range).
    bool sameFileAs(const TransferValidators &answer) const;

    bool operator==(const TransferValidators &) const = default;
};

Q_DECLARE_METATYPE(TransferValidators)
