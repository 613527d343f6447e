#pragma once

// Stand-ins for the page text helpers of the analysis library until it provides them; the search
// calls them only through these names.

#include <QString>
#include <QStringList>

namespace PendingTextHelpers {

inline QString GetBetween(const QString &text, const QString &startMarker, const QString &endMarker)
{
    const qsizetype found = text.indexOf(startMarker);
    const qsizetype p = (found < 0 ? -1 : found) + startMarker.size();
    if (p < 0 || p > text.size())
        return QString();
    const qsizetype q = text.indexOf(endMarker, p);
    if (q < 0)
        return QString();
    return text.mid(p, q - p);
}

inline QString CleanTitle(QString title)
{
    title.replace(QStringLiteral("\\'"), QStringLiteral("'"));
    title.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    title.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    for (const char *gone : {"&lt;", "&gt;", "/", "\\", ":", "*", "\"", "<", ">", "|", "?"})
        title.remove(QString::fromLatin1(gone));
    while (title.contains(QStringLiteral("  ")))
        title.replace(QStringLiteral("  "), QStringLiteral(" "));
    return title;
}

inline QString GrabYoutubeVideoCode(const QString &address)
{
    const QStringList pieces = address.split(QLatin1Char('/'));
    return pieces.size() > 4 ? pieces.at(4) : QString();
}

} // namespace PendingTextHelpers
