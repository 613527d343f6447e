#pragma once

#include <QDate>
#include <QString>

// The forms in which the video panel shows details, whichever reader found them.
namespace VideoText {

// Minutes without leading zeros, ":", two-digit seconds; whole hours are not shown (the form of
// the watch pages' durations).
QString Duration(qint64 seconds);

// "May 4, 2021": English month names, as the watch pages write their dates.
QString Published(const QDate &date);

// "1,234,567": thousands grouped by commas, as the watch pages write their counts.
QString Grouped(qint64 number);

// "12.35 MB", "640 KB", "1.50 GB", with the user's decimal separator.
QString Size(qint64 bytes);

// A title fit for a file name: control characters and the characters that file names on common
// systems cannot hold removed, blanks collapsed and trimmed.
QString FileTitle(const QString &title);

// True for an absolute http or https address with a host.
bool IsWebAddress(const QString &address);

} // namespace VideoText
