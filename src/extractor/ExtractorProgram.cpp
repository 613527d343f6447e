#include "extractor/ExtractorProgram.h"

#include "extractor/ExtractorRuntime.h"
#include "extractor/ExtractorVersion.h"

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

QStringList CommonArguments(const QString &program)
{
    QStringList arguments{QStringLiteral("--ignore-config"), QStringLiteral("--no-colors"),
                          QStringLiteral("--no-playlist")};
    const QString path = program.isEmpty() ? QString() : Resolve(program);
    if (!path.isEmpty() && ExtractorVersion::TakesRuntimeOption(path))
        arguments << ExtractorRuntime::Arguments(ExtractorVersion::Known(path), ExtractorRuntime::Find());
    return arguments;
}

} // namespace ExtractorProgram
