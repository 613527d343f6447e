#include "pages/WatchAddress.h"

#include "base/AppState.h"
#include "base/TextHelpers.h"

namespace WatchAddress {

namespace {

constexpr qsizetype IdLength = 11; // the site's video identifiers

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
    const QString trimmed = TrimBlanks(text);
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
