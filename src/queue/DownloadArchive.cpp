#include "queue/DownloadArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

bool isWord(const QString &text)
{
    static const QRegularExpression blank(QStringLiteral("\\s"));
    return !text.isEmpty() && !text.contains(blank);
}

} // namespace

bool DownloadArchive::isLine(const QString &line)
{
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    return space > 0 && isWord(line.left(space)) && isWord(line.mid(space + 1));
}

QString DownloadArchive::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/archive.txt");
}

DownloadArchive::DownloadArchive(QString path)
    : m_path(std::move(path))
{
}

QString DownloadArchive::lineFor(const QString &extractor, const QString &id)
{
    if (!isWord(extractor) || !isWord(id))
        return {};
    return extractor.toLower() + QLatin1Char(' ') + id;
}

QSet<QString> DownloadArchive::lines() const
{
    QSet<QString> out;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (isLine(line))
            out.insert(line);
    }
    return out;
}

bool DownloadArchive::add(const QString &line)
{
    if (!isLine(line))
        return false;
    if (contains(line))
        return true;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    // A file whose last line was cut short by a crash gets its line on a line of its own.
    QByteArray bytes = line.toUtf8() + '\n';
    if (file.size() > 0) {
        QFile reader(m_path);
        if (reader.open(QIODevice::ReadOnly) && reader.seek(file.size() - 1) && reader.read(1) != "\n")
            bytes.prepend('\n');
    }
    return file.write(bytes) == bytes.size() && file.flush();
}
