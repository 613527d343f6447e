#pragma once

#include <QString>
#include <QStringList>

// The Preferences window's values in Settings.ini, section "Settings", each read through one typed
// accessor (an absent or unreadable value reads as its default; a number outside its range is
// brought into it) and written at once.
//
//   Notifications           "1"/"0": a tray message when a download ends (default 1)
//   (ListRows and SimultaneousDownloads have their own accessors in Settings.h)
//   Connections             connections per file, 1..16 (default 8)
//   WhenDone                "nothing" or "quit" when all downloads have finished (default nothing)
//   SpeedLimit              kB/s for all transfers together, 0 for none (default 0)
//   AltSpeedLimit           the alternative limit, kB/s, 0 for none (default 0)
//   AltSpeedLimitOn         "1" while the alternative limit is in force (default 0)
//   Proxy                   "system", "none", "http" or "socks5" (default system)
//   ProxyHost, ProxyPort    of a manual proxy; the port 1..65535
//   IdleTimeout             seconds a transfer may receive nothing, 5..3600 (default 60)
//   Cookies                 "none", "browser" or "file": what the extractor signs in with
//   CookiesBrowser          firefox, chromium, chrome, brave, edge, opera or vivaldi
//   CookiesProfile          the browser's profile (name or path), may be empty
//   CookiesFile             a cookies.txt file (Netscape format)
namespace Settings {

// A whole number kept under key: fallback when absent or no number, else clamped to min..max.
int Number(const QString &key, int min, int max, int fallback);
bool Flag(const QString &key, bool fallback);
QString Text(const QString &key); // trimmed
// False when the file cannot be written or the value holds a line break.
bool SetText(const QString &key, const QString &value);
bool SetNumber(const QString &key, int value);
bool SetFlag(const QString &key, bool on);

inline constexpr int MaxSpeedLimit = 10'000'000; // kB/s

struct Proxy
{
    enum class Kind { System, None, Http, Socks5 };
    Kind kind = Kind::System;
    QString host;
    int port = 0;

    // The address the extractor's --proxy takes ("http://HOST:PORT", "socks5://HOST:PORT"), ""
    // for no proxy, and nothing (a null string) for the system's, which the extractor finds itself.
    QString address() const;
    bool operator==(const Proxy &) const = default;
};
Proxy ProxySetting();
bool SetProxySetting(const Proxy &proxy);
QString ProxyKey(Proxy::Kind kind);

// What the extractor signs in with: nothing, a browser's cookies, or a cookies.txt file.
struct SignIn
{
    enum class Source { None, Browser, File };
    Source source = Source::None;
    QString browser; // one of Browsers()
    QString profile;
    QString file;
    bool operator==(const SignIn &) const = default;
};
SignIn SignInSetting();
bool SetSignInSetting(const SignIn &signIn);
// The browsers the extractor reads cookies from, as --cookies-from-browser names them.
const QStringList &Browsers();

} // namespace Settings
