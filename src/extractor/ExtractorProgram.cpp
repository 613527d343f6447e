#include "extractor/ExtractorProgram.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace ExtractorProgram {

QString Resolve(const QString &configured)
{
    const QString program = configured.trimmed().isEmpty() ? QString::fromLatin1(DefaultName) : configured.trimmed();
    if (!program.contains(QLatin1Char('/')))
        return QStandardPaths::findExecutable(program);
    const QFileInfo file(program);
    return file.isFile() && file.isExecutable() ? file.absoluteFilePath() : QString();
}

QString Shown(const QString &configured)
{
    return configured.trimmed().isEmpty() ? QString::fromLatin1(DefaultName) : configured.trimmed();
}

bool CanMerge()
{
    return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty();
}

QStringList CommonArguments()
{
    return {QStringLiteral("--ignore-config"), QStringLiteral("--no-colors"), QStringLiteral("--no-playlist")};
}

} // namespace ExtractorProgram
