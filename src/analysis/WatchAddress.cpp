#include "analysis/WatchAddress.h"

#include "app/AppState.h"

namespace WatchAddress {

namespace {

constexpr qsizetype IdLength = 11; // the site's video identifiers

// Only blanks are trimmed, as the address box's users type or paste them.
QString trimBlanks(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

} // namespace

QString Prefix()
{
    return (AppState::SiteRoot() + QStringLiteral("/watch?v=")).toLower();
}

QString EmbedPrefix()
{
    return AppState::SiteRoot() + QStringLiteral("/v/");
}

bool IsWatchAddress(const QString &text)
{
    const QString trimmed = trimBlanks(text);
    const QString prefix = Prefix();
    return trimmed.size() >= prefix.size() + IdLength && trimmed.toLower().contains(prefix);
}

QString EmbedAddress(const QString &text)
{
    QString address = text;
    address.replace(Prefix(), EmbedPrefix(), Qt::CaseSensitive);
    return address;
}

QString FromLink(const QString &link)
{
    return AppState::SiteRoot() + link;
}

} // namespace WatchAddress
