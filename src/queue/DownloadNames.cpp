#include "queue/DownloadNames.h"

#include "videoinfo/PageText.h"
#include "base/FileHelpers.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Any entry counts as taken, hidden files and folders too: a free name must be writable.
bool taken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// A finished video never looks like one of the program's own hidden files, which the clean-up at
// start-up removes, nor like a download still on its way: no leading dot, no ".part" at its end.
QString unhidden(QString name)
{
    for (qsizetype i = 0; i < name.size() && name.at(i) == QLatin1Char('.'); ++i)
        name[i] = QLatin1Char('_');
    if (name.endsWith(QLatin1String(".part"), Qt::CaseInsensitive))
        name[name.size() - 5] = QLatin1Char('_');
    return name;
}

QString stemOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

} // namespace

namespace modFunctions {

QString GetUniqueFileName(QString Path, const QString &FileName)
{
    return DownloadNames::UniqueName(Path, FileName, nullptr);
}

} // namespace modFunctions

namespace DownloadNames {

QString UniqueName(const QString &folder, const QString &name, const std::function<bool(const QString &)> &alsoTaken)
{
    const QString path = modFunctions::WithSeparator(folder);
    const auto isTaken = [&](const QString &candidate) {
        return taken(path + candidate) || (alsoTaken && alsoTaken(path + candidate));
    };
    if (!isTaken(name))
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot >= 0 ? name.left(dot) : name;
    const QString extension = dot >= 0 ? name.mid(dot) : QString();
    for (qint64 n = 1;; ++n) {
        const QString number = QString::number(n);
        QString head = stem;
        head.replace(QLatin1Char('#'), number);
        QString tail = (dot >= 0 ? QStringLiteral(" [") : QStringLiteral("[")) + number + QLatin1Char(']') + extension;
        tail.replace(QLatin1Char('#'), number);
        const QString candidate = FitName(head, tail);
        if (!isTaken(candidate))
            return candidate;
    }
}

QString FitName(QString head, const QString &tail)
{
    const qsizetype tailBytes = tail.toUtf8().size();
    while (!head.isEmpty() && head.toUtf8().size() + tailBytes > MaxNameBytes)
        head.chop(head.size() > 1 && head.at(head.size() - 1).isLowSurrogate() ? 2 : 1);
    return head + tail;
}

bool IsUsable(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        return false;
    if (name.toUtf8().size() > MaxNameBytes)
        return false;
    // "", ".", "..", ".flv", " .flv", "...": nothing that names the video itself.
    QString stem = stemOf(name).trimmed();
    stem.remove(QLatin1Char('.'));
    return !stem.isEmpty();
}

QString Safe(const QString &name, const QString &videoId, const QString &extension)
{
    QString result = name;
    result.replace(QLatin1Char('/'), QLatin1Char('_'));
    result.replace(QChar(0), QLatin1Char('_'));
    if (result.toUtf8().size() > MaxNameBytes) {
        const qsizetype dot = result.lastIndexOf(QLatin1Char('.'));
        const QString tail = dot > 0 && result.size() - dot <= 16 ? result.mid(dot) : QString();
        result = FitName(tail.isEmpty() ? result : result.left(dot), tail);
    }
    if (IsUsable(result))
        return unhidden(result);
    QString base = videoId;
    base.replace(QLatin1Char('/'), QLatin1Char('_'));
    base.remove(QChar(0));
    if (!IsUsable(base + extension))
        base = QStringLiteral("video");
    return unhidden(base + extension);
}

QString EditExtension(const QString &name)
{
    return name.right(4);
}

std::optional<QString> Renamed(const QString &typed, const QString &editExtension, const QString &videoId)
{
    if (typed.trimmed().isEmpty())
        return std::nullopt;
    QString name = modFunctions::CleanTitle(typed);
    if (name.right(4) != editExtension)
        name = name.trimmed() + editExtension;
    return Safe(name, videoId, editExtension);
}

QString PartialFileName(const QString &key)
{
    const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral(".clipvault-") + QString::fromLatin1(digest.left(16)) + QStringLiteral(".part");
}

bool IsPartialFileName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^\\.clipvault-[0-9a-f]{16}\\.part$"));
    return pattern.match(name).hasMatch();
}

bool IsSideFileName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^\\.clipvault-[0-9a-f]{16}\\.part\\.[A-Za-z0-9-]{1,16}\\.(?:srt|vtt)$"));
    return pattern.match(name).hasMatch();
}

bool IsWorkFolderName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^\\.clipvault-[0-9a-f]{16}\\.part\\.work-[A-Za-z0-9]{6}$"));
    return pattern.match(name).hasMatch();
}

QString ExtensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

QString PathKey(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace DownloadNames
