#include "extractor/ExtractorProgram.h"

#include "base/SettingsValues.h"

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
    return arguments + NetworkArguments();
}

QStringList NetworkArguments()
{
    QStringList arguments;
    const QString proxy = Settings::ProxySetting().address();
    if (!proxy.isNull())
        arguments << QStringLiteral("--proxy") << proxy;
    const Settings::SignIn signIn = Settings::SignInSetting();
    if (signIn.source == Settings::SignIn::Source::Browser) {
        // "::" would start a container's name.
        const bool profile = !signIn.profile.isEmpty() && !signIn.profile.contains(QLatin1String("::"));
        arguments << QStringLiteral("--cookies-from-browser")
                  << (profile ? signIn.browser + QLatin1Char(':') + signIn.profile : signIn.browser);
    } else if (signIn.source == Settings::SignIn::Source::File) {
        arguments << QStringLiteral("--cookies") << signIn.file;
    }
    return arguments;
}

} // namespace ExtractorProgram
