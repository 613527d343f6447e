#pragma once

#include <QByteArray>
#include <QString>

// Text helpers on which every analysis of the site's pages rests. Pages are read as literal text
// between markers: no HTML parser is involved anywhere.
namespace modFunctions {

// The text strictly between the first start marker and the first end marker behind it. Without
// the start marker the scan begins at the position equal to the marker's length (counted from 1);
// without an end marker the result is empty. Never fails.
QString GetBetween(const QString &text, const QString &startMarker, const QString &endMarker);

// A title as the page writes it, made fit for display and for a file name: escapes and entities
// resolved, characters that file names cannot hold removed, runs of blanks collapsed. Each step is
// one pass over the text.
QString CleanTitle(const QString &title);

// Every occurrence of `from`, left to right and without overlaps, replaced by `to` in one pass.
// (QString::replace moves the whole rest of the text for every batch of hits: on text of many
// hits that grows with the square of its length.)
QString ReplaceAll(QStringView text, QStringView from, QStringView to);

// The lengths page fields are cut to: real titles and descriptions stay far below them, and a
// page must not make us hold or work on more. Each is cut after it is cleaned: a title once its
// runs of blanks have collapsed, a description once its tags are gone. A description within its
// limit also stays within what the formatted label can draw.
inline constexpr qsizetype MaxTitleLength = 1000;
inline constexpr qsizetype MaxDescriptionLength = 20000;
// The first `limit` characters of text, one less where the cut would split a surrogate pair.
QString CutToLength(const QString &text, qsizetype limit);
// A title of a page, cleaned and then cut to MaxTitleLength.
QString PageTitle(const QString &title);

// "+" becomes a blank, then every "%XX" is decoded. The bytes of consecutive "%XX" are collected
// and decoded together as UTF-8, so "%C3%A9" becomes one "é". A "%" without two characters behind
// it is dropped; two characters that are not hexadecimal digits raise a run-time error.
QString PercentDecode(const QString &text);

// Every tag becomes one blank; then &quot;, &amp;, &lt; and &gt; are resolved, each in one pass.
QString StripTags(const QString &text);

// Minutes without leading zeros, ":", two-digit seconds; whole hours are not shown.
QString DurationText(qint64 seconds);

// A whole number as the program reads numeric page fields: blanks around it are ignored, a
// fraction is rounded half to even; text that is no number raises "Type mismatch", a number
// outside [minimum, maximum] raises "Overflow".
qint64 WholeNumber(const QString &text, qint64 minimum, qint64 maximum);

// The fifth piece of an address split at "/": the video identifier of a thumbnail address.
// Fewer pieces are reported by the error trap and give the empty string.
QString GrabYoutubeVideoCode(const QString &address);

// Received page bytes as text (the pages and the locale's 8-bit encoding are UTF-8).
QString PageText(const QByteArray &data);

} // namespace modFunctions
