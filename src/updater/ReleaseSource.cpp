#include "updater/ReleaseSource.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>

namespace ReleaseSource {

QString Root()
{
    QString root = qEnvironmentVariable("CLIPVAULT_EXTRACTOR_RELEASES").trimmed();
    if (root.isEmpty())
        root = QStringLiteral("https://github.com");
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root;
}

QString DownloadFolder(ExtractorChannel::Channel channel)
{
    switch (channel) {
    case ExtractorChannel::Channel::Stable:
        return Root() + QStringLiteral("/yt-dlp/yt-dlp/releases/latest/download/");
    case ExtractorChannel::Channel::Nightly:
        return Root() + QStringLiteral("/yt-dlp/yt-dlp-nightly-builds/releases/latest/download/");
    case ExtractorChannel::Channel::System:
        break;
    }
    return QString();
}

bool PythonIsRecent()
{
    static const bool recent = [] {
        QProcess python;
        python.start(QStringLiteral("python3"), {QStringLiteral("--version")}, QIODevice::ReadOnly);
        if (!python.waitForFinished(10000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
            python.kill();
            python.waitForFinished(1000);
            return false;
        }
        static const QRegularExpression version(QStringLiteral("Python (\\d+)\\.(\\d+)"));
        const QRegularExpressionMatch match =
            version.match(QString::fromLatin1(python.readAllStandardOutput() + python.readAllStandardError()));
        return match.hasMatch()
               && (match.captured(1).toInt() > 3 || (match.captured(1).toInt() == 3 && match.captured(2).toInt() >= 10));
    }();
    return recent;
}

QString AssetName()
{
    if (PythonIsRecent())
        return QStringLiteral("yt-dlp");
    return QSysInfo::currentCpuArchitecture() == QLatin1String("arm64") ? QStringLiteral("yt-dlp_linux_aarch64")
                                                                        : QStringLiteral("yt-dlp_linux");
}

QHash<QString, QByteArray> ParseSums(const QByteArray &sums)
{
    static const QRegularExpression line(QStringLiteral("^([0-9A-Fa-f]{64}) [ *](\\S.*)$"));
    QHash<QString, QByteArray> digests;
    for (const QByteArray &raw : sums.split('\n')) {
        const QRegularExpressionMatch match = line.match(QString::fromUtf8(raw).trimmed());
        if (match.hasMatch())
            digests.insert(match.captured(2), match.captured(1).toLatin1().toLower());
    }
    return digests;
}

} // namespace ReleaseSource
