#pragma once

#include <QDateTime>
#include <QString>

// The two folders kept between runs, in Settings.ini, section "Settings", keys VideoSavePath and
// ImageSavePath. The file lives in the program's folder; when that folder cannot be written (a
// system-wide install) it lives in the user's configuration folder instead.
namespace Settings {

QString FilePath();

// Where videos go when nothing valid is stored: the program's folder, or the user's video (else
// download) folder when the program's folder cannot be written.
QString DefaultSaveFolder();

struct Folders
{
    QString videoSavePath; // for txtSavePath, ending in a separator
    QString imageSavePath; // may be empty on the first run
};

// Reads both folders at start-up, replacing a stored video folder that is gone or not on a local
// fixed disk by the default.
Folders Read();

// Writes both keys (shut-down).
void Write(const QString &videoSavePath, const QString &imageSavePath);

// The video extractor program (key ExtractorPath): a path, or a name found on the PATH; empty
// means yt-dlp on the PATH. Only ever read: the user sets it to use a newer extractor.
QString ExtractorPath();
// The channel of the extractor that runs (key ExtractorChannel: "system", "stable" or "nightly"),
// as stored; ExtractorChannel::FromKey reads it (anything else is "system").
QString ExtractorChannelKey();
void SetExtractorChannelKey(const QString &key); // written at once
// Whether a background check looks for a newer extractor at most once a day (key
// KeepExtractorCurrent, "1" or "0"; off unless set), and when the last check was (key
// ExtractorLastCheck, ISO 8601 in UTC; invalid when never).
bool KeepExtractorCurrent();
void SetKeepExtractorCurrent(bool on);
QDateTime ExtractorLastCheck();
void SetExtractorLastCheck(const QDateTime &when);
// How long the extractor may take to answer about a page, and may stay silent while it downloads
// (key ExtractorTimeout, else IdleTimeout: whole seconds from 5 to 3600), in milliseconds; 60 s when
// unset or unreadable.
int ExtractorTimeoutMs();

// How many connections one download may use at once (key Connections, 1 to 16; 8 when unset or
// unreadable). 1: one connection per file.
int Connections();

// Whether copied watch addresses are loaded (key WatchClipboard, "1" or "0"); off unless set.
bool WatchClipboard();
void SetWatchClipboard(bool on); // written at once

// The download list's limits. How many rows the list holds (key ListRows, 25 to 1000; 25 when
// unset or not a number, values outside clamped), and how many of its rows download at once (key
// SimultaneousDownloads, 1 to 25, clamped; 0, all rows at once, when unset or not a number).
inline constexpr int DefaultListRows = 25;
inline constexpr int MostListRows = 1000;
inline constexpr int MostSimultaneousDownloads = 25;
int ListRows();
void SetListRows(int rows);
int SimultaneousDownloads();
void SetSimultaneousDownloads(int count); // 0 empties the key: all rows at once

// Writes one key at once (after Browse, after a saved thumbnail).
void WriteValue(const QString &key, const QString &value);

} // namespace Settings
