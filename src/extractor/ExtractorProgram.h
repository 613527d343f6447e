#pragma once

#include <QString>
#include <QStringList>

// Where the extractor program is and what every run of it is told.
namespace ExtractorProgram {

// The program run when nothing is configured: found on the PATH.
inline constexpr const char *DefaultName = "yt-dlp";

// The program to start for the configured value (Settings.ini, ExtractorPath): the default name
// when it is empty, looked up on the PATH when it names no folder. Empty when there is no
// executable file there.
QString Resolve(const QString &configured);
// The configured value as a message names it.
QString Shown(const QString &configured);

// True when ffmpeg, which joins separate video and audio streams, is found on the PATH.
bool CanMerge();

// What precedes every run's own options: no configuration files of the user, no colours, one
// video even when the address names a list; and, for a program whose version is known to take
// it, the JavaScript runtime found (--js-runtimes NAME:PATH).
// Also the proxy and the sign-in of NetworkArguments().
QStringList CommonArguments(const QString &program = QString());

// The proxy and the sign-in chosen in Preferences (Settings.ini), each value its own argument:
// --proxy ADDRESS for a manual proxy, --proxy "" for none (nothing for the system's, which the
// extractor finds itself); --cookies-from-browser BROWSER[:PROFILE] or --cookies FILE.
QStringList NetworkArguments();

} // namespace ExtractorProgram
