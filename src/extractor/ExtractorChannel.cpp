#include "extractor/ExtractorChannel.h"

#include "base/Settings.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace ExtractorChannel {

QString Key(Channel channel)
{
    switch (channel) {
    case Channel::Stable:
        return QStringLiteral("stable");
    case Channel::Nightly:
        return QStringLiteral("nightly");
    case Channel::System:
        break;
    }
    return QStringLiteral("system");
}

QString Label(Channel channel)
{
    switch (channel) {
    case Channel::Stable:
        return QStringLiteral("Stable releases");
    case Channel::Nightly:
        return QStringLiteral("Nightly builds");
    case Channel::System:
        break;
    }
    return QStringLiteral("Installed with the system");
}

Channel FromKey(const QString &key)
{
    const QString k = key.trimmed().toLower();
    if (k == QLatin1String("stable"))
        return Channel::Stable;
    if (k == QLatin1String("nightly"))
        return Channel::Nightly;
    return Channel::System;
}

QString DataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/extractor");
}

QString Folder(Channel channel)
{
    return DataFolder() + QLatin1Char('/') + Key(channel);
}

QString CopyPath(Channel channel)
{
    return Folder(channel) + QStringLiteral("/yt-dlp");
}

QString PreviousPath(Channel channel)
{
    return Folder(channel) + QStringLiteral("/yt-dlp.previous");
}

QString ProgramInUse(Channel channel, const QString &configured)
{
    if (channel != Channel::System) {
        const QFileInfo copy(CopyPath(channel));
        if (copy.isFile() && !copy.isSymLink() && copy.isExecutable())
            return copy.absoluteFilePath();
    }
    return configured;
}

Channel Configured()
{
    return FromKey(Settings::ExtractorChannelKey());
}

QString ConfiguredProgram()
{
    return ProgramInUse(Configured(), Settings::ExtractorPath());
}

} // namespace ExtractorChannel
