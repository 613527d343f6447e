#include "base/CommandLine.h"

#include "base/AppState.h"

#include <QCommandLineParser>

namespace {

const QString kProgram = QStringLiteral("clipvault");

// Qt's own options, read by the application object; hidden from the help.
void addQtOptions(QCommandLineParser &parser)
{
    const char *withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                               "qwindowicon", "qwindowtitle", "session", "display", "geometry", "style",
                               "stylesheet", "qmljsdebugger", "name", "title", "visual"};
    const char *flags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (const char *name : withValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : flags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

CommandLine failure(const QString &why)
{
    CommandLine result;
    result.action = CommandLine::Action::Error;
    result.output = kProgram + QStringLiteral(": ") + why + QLatin1Char('\n')
        + QStringLiteral("Try '%1 --help' for more information.\n").arg(kProgram);
    return result;
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Qt's options have one dash and whole words ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Clipvault finds, previews and downloads videos."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    addQtOptions(parser);
    const QCommandLineOption update(QStringLiteral("update-extractor"),
                                    QStringLiteral("Fetch, prove and install the newest extractor (yt-dlp) of the "
                                                   "channel given after it, stable (the default) or nightly, and "
                                                   "use it from then on; no display is needed."));
    parser.addOption(update);
    parser.addPositionalArgument(QStringLiteral("ADDRESS"),
                                 QStringLiteral("A video's address, loaded into \"Video URL:\" as if pasted; "
                                                "handed to the copy that already runs, if any."),
                                 QStringLiteral("[ADDRESS]"));

    if (!parser.parse(arguments))
        return failure(parser.errorText());

    CommandLine result;
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        result.action = Action::Help;
        // The usage line names the program as it is installed, whatever it was started as.
        const QString text = parser.helpText();
        result.output = QStringLiteral("Usage: ") + kProgram + text.mid(text.indexOf(QLatin1String(" [options]")));
        return result;
    }
    if (parser.isSet(version)) {
        result.action = Action::Version;
        result.output = QStringLiteral("Clipvault ") + AppState::VersionString() + QLatin1Char('\n');
        return result;
    }
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(update)) {
        result.action = Action::UpdateExtractor;
        result.channel = positional.value(0, QStringLiteral("stable"));
        if (positional.size() > 1 || (result.channel != QLatin1String("stable") && result.channel != QLatin1String("nightly")))
            return failure(QStringLiteral("--update-extractor takes stable or nightly."));
        return result;
    }
    if (positional.size() > 1)
        return failure(QStringLiteral("Only one address can be given."));
    if (!positional.isEmpty())
        result.address = positional.constFirst().trimmed();
    return result;
}
