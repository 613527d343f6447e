#include "base/Settings.h"

#include "base/AppState.h"
#include "base/FileHelpers.h"
#include "base/IniFile.h"
#include "base/Installation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>

namespace Settings {

namespace {

const QString kSection = QStringLiteral("Settings");

// Tried for real: permission bits say nothing about read-only mounts or virtual filesystems.
// An installed copy never writes beside itself, even where it could.
bool programFolderWritable()
{
    if (Installation::IsInstalledCopy())
        return false;
    const QString folder = AppState::AppPath();
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(folder + QStringLiteral("write-test-XXXXXX"));
    return probe.open();
}

} // namespace

QString FilePath()
{
    if (programFolderWritable())
        return AppState::AppPath() + QStringLiteral("Settings.ini");
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Clipvault");
    QDir().mkpath(config);
    return config + QStringLiteral("/Settings.ini");
}

QString DefaultSaveFolder()
{
    if (programFolderWritable())
        return AppState::AppPath();
    for (auto location : {QStandardPaths::MoviesLocation, QStandardPaths::DownloadLocation,
                          QStandardPaths::HomeLocation}) {
        QString folder = QStandardPaths::writableLocation(location);
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return modFunctions::WithSeparator(folder);
    }
    return AppState::AppPath();
}

Folders Read()
{
    Folders folders;
    const QString file = FilePath();
    if (!modFunctions::FileExists(file)) {
        folders.videoSavePath = DefaultSaveFolder();
        return folders;
    }

    QString video = IniFile::read(kSection, QStringLiteral("VideoSavePath"), file);
    if (!video.endsWith(QLatin1Char('/')))
        video += QLatin1Char('/');
    if (modFunctions::IsDriveTypeValid(video) && modFunctions::FolderExists(video))
        folders.videoSavePath = video;
    else
        folders.videoSavePath = DefaultSaveFolder();

    folders.imageSavePath = IniFile::read(kSection, QStringLiteral("ImageSavePath"), file);
    if (folders.imageSavePath.isEmpty())
        folders.imageSavePath = DefaultSaveFolder();
    return folders;
}

void Write(const QString &videoSavePath, const QString &imageSavePath)
{
    WriteValue(QStringLiteral("VideoSavePath"), videoSavePath);
    WriteValue(QStringLiteral("ImageSavePath"), imageSavePath);
}

QString ExtractorPath()
{
    return IniFile::read(kSection, QStringLiteral("ExtractorPath"), FilePath()).trimmed();
}

QString ExtractorChannelKey()
{
    return IniFile::read(kSection, QStringLiteral("ExtractorChannel"), FilePath()).trimmed();
}

void SetExtractorChannelKey(const QString &key)
{
    WriteValue(QStringLiteral("ExtractorChannel"), key);
}

bool KeepExtractorCurrent()
{
    return IniFile::read(kSection, QStringLiteral("KeepExtractorCurrent"), FilePath()).trimmed() == QLatin1String("1");
}

void SetKeepExtractorCurrent(bool on)
{
    WriteValue(QStringLiteral("KeepExtractorCurrent"), on ? QStringLiteral("1") : QStringLiteral("0"));
}

QDateTime ExtractorLastCheck()
{
    return QDateTime::fromString(IniFile::read(kSection, QStringLiteral("ExtractorLastCheck"), FilePath()).trimmed(),
                                 Qt::ISODate);
}

void SetExtractorLastCheck(const QDateTime &when)
{
    WriteValue(QStringLiteral("ExtractorLastCheck"), when.toUTC().toString(Qt::ISODate));
}

int ExtractorTimeoutMs()
{
    constexpr int DefaultSeconds = 60;
    bool ok = false;
    // Its own key, else the idle time-out of all transfers (Preferences, Network).
    QString value = IniFile::read(kSection, QStringLiteral("ExtractorTimeout"), FilePath()).trimmed();
    if (value.isEmpty())
        value = IniFile::read(kSection, QStringLiteral("IdleTimeout"), FilePath()).trimmed();
    const qint64 seconds = value.toLongLong(&ok);
    return static_cast<int>(ok ? std::clamp<qint64>(seconds, 5, 3600) : DefaultSeconds) * 1000;
}

int Connections()
{
    constexpr qint64 DefaultConnections = 8;
    bool ok = false;
    const qint64 connections = IniFile::read(kSection, QStringLiteral("Connections"), FilePath()).trimmed().toLongLong(&ok);
    return static_cast<int>(ok ? std::clamp<qint64>(connections, 1, 16) : DefaultConnections);
}

bool WatchClipboard()
{
    return IniFile::read(kSection, QStringLiteral("WatchClipboard"), FilePath()).trimmed() == QLatin1String("1");
}

void SetWatchClipboard(bool on)
{
    WriteValue(QStringLiteral("WatchClipboard"), on ? QStringLiteral("1") : QStringLiteral("0"));
}

namespace {

// A whole number stored under key, clamped to min..max; fallback when unset or not a number.
int clampedNumber(const char *key, int min, int max, int fallback)
{
    bool ok = false;
    const qint64 value = IniFile::read(kSection, QString::fromLatin1(key), FilePath()).trimmed().toLongLong(&ok);
    return ok ? static_cast<int>(std::clamp<qint64>(value, min, max)) : fallback;
}

} // namespace

int ListRows()
{
    return clampedNumber("ListRows", DefaultListRows, MostListRows, DefaultListRows);
}

void SetListRows(int rows)
{
    WriteValue(QStringLiteral("ListRows"), QString::number(std::clamp(rows, DefaultListRows, MostListRows)));
}

int SimultaneousDownloads()
{
    return clampedNumber("SimultaneousDownloads", 1, MostSimultaneousDownloads, 0);
}

void SetSimultaneousDownloads(int count)
{
    WriteValue(QStringLiteral("SimultaneousDownloads"),
               count <= 0 ? QString() : QString::number(std::min(count, MostSimultaneousDownloads)));
}

void WriteValue(const QString &key, const QString &value)
{
    IniFile::write(kSection, key, value, FilePath());
}

} // namespace Settings
