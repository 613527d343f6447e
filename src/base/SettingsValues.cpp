#include "base/SettingsValues.h"

#include "base/IniFile.h"
#include "base/Settings.h"

#include <QStringList>

#include <algorithm>

namespace Settings {

namespace {

const QString kSection = QStringLiteral("Settings");

const QStringList &proxyKeys()
{
    static const QStringList keys{QStringLiteral("system"), QStringLiteral("none"), QStringLiteral("http"),
                                  QStringLiteral("socks5")};
    return keys;
}

} // namespace

int Number(const QString &key, int min, int max, int fallback)
{
    bool ok = false;
    const qint64 value = Text(key).toLongLong(&ok);
    return ok ? static_cast<int>(std::clamp<qint64>(value, min, max)) : fallback;
}

bool Flag(const QString &key, bool fallback)
{
    const QString value = Text(key);
    return value.isEmpty() ? fallback : value == QLatin1String("1");
}

QString Text(const QString &key)
{
    return IniFile::read(kSection, key, FilePath()).trimmed();
}

bool SetText(const QString &key, const QString &value)
{
    return IniFile::write(kSection, key, value, FilePath());
}

bool SetNumber(const QString &key, int value)
{
    return SetText(key, QString::number(value));
}

bool SetFlag(const QString &key, bool on)
{
    return SetText(key, on ? QStringLiteral("1") : QStringLiteral("0"));
}

QString ProxyKey(Proxy::Kind kind)
{
    return proxyKeys().at(static_cast<int>(kind));
}

QString Proxy::address() const
{
    switch (kind) {
    case Kind::None:
        return QStringLiteral("");
    case Kind::Http:
    case Kind::Socks5:
        return QStringLiteral("%1://%2:%3").arg(ProxyKey(kind), host).arg(port);
    case Kind::System:
        break;
    }
    return QString();
}

Proxy ProxySetting()
{
    Proxy proxy;
    const qsizetype kind = proxyKeys().indexOf(Text(QStringLiteral("Proxy")));
    proxy.kind = kind < 0 ? Proxy::Kind::System : static_cast<Proxy::Kind>(kind);
    proxy.host = Text(QStringLiteral("ProxyHost"));
    proxy.port = Number(QStringLiteral("ProxyPort"), 0, 65535, 0);
    // A manual proxy without a place to go is none the program can use: the system's stands.
    if ((proxy.kind == Proxy::Kind::Http || proxy.kind == Proxy::Kind::Socks5) && (proxy.host.isEmpty() || proxy.port <= 0))
        proxy.kind = Proxy::Kind::System;
    return proxy;
}

bool SetProxySetting(const Proxy &proxy)
{
    return SetText(QStringLiteral("Proxy"), ProxyKey(proxy.kind)) && SetText(QStringLiteral("ProxyHost"), proxy.host.trimmed())
           && SetText(QStringLiteral("ProxyPort"), proxy.port > 0 ? QString::number(proxy.port) : QString());
}

const QStringList &Browsers()
{
    static const QStringList browsers{QStringLiteral("firefox"), QStringLiteral("chromium"), QStringLiteral("chrome"),
                                      QStringLiteral("brave"), QStringLiteral("edge"), QStringLiteral("opera"),
                                      QStringLiteral("vivaldi")};
    return browsers;
}

SignIn SignInSetting()
{
    SignIn signIn;
    const QString source = Text(QStringLiteral("Cookies"));
    signIn.browser = Text(QStringLiteral("CookiesBrowser")).toLower();
    signIn.profile = Text(QStringLiteral("CookiesProfile"));
    signIn.file = Text(QStringLiteral("CookiesFile"));
    if (source == QLatin1String("browser") && Browsers().contains(signIn.browser))
        signIn.source = SignIn::Source::Browser;
    else if (source == QLatin1String("file") && !signIn.file.isEmpty())
        signIn.source = SignIn::Source::File;
    return signIn;
}

bool SetSignInSetting(const SignIn &signIn)
{
    static const char *sources[] = {"none", "browser", "file"};
    return SetText(QStringLiteral("Cookies"), QString::fromLatin1(sources[static_cast<int>(signIn.source)]))
           && SetText(QStringLiteral("CookiesBrowser"), signIn.browser) && SetText(QStringLiteral("CookiesProfile"), signIn.profile.trimmed())
           && SetText(QStringLiteral("CookiesFile"), signIn.file.trimmed());
}

} // namespace Settings
