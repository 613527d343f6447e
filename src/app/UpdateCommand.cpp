#include "app/UpdateCommand.h"

#include "base/AppState.h"
#include "base/Settings.h"
#include "app/TerminationSignals.h"
#include "updater/ExtractorUpdate.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

namespace UpdateCommand {

namespace {

void print(std::FILE *stream, const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int Run(int argc, char **argv, const QString &channelKey)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Clipvault"));
    QCoreApplication::setOrganizationName(QStringLiteral("Clipvault"));
    QCoreApplication::setApplicationVersion(AppState::VersionString());

    const ExtractorChannel::Channel channel = ExtractorChannel::FromKey(channelKey);
    ExtractorUpdate update(channel, ExtractorUpdate::Mode::Install);
    QString lastStep;
    int lastTenth = -1;
    QObject::connect(&update, &ExtractorUpdate::progress, &app, [&](const QString &what, qint64 done, qint64 total) {
        if (what != lastStep) {
            lastStep = what;
            lastTenth = -1;
            print(stdout, what + QStringLiteral("..."));
        }
        const int tenth = total > 0 ? int(done * 10 / total) : -1;
        if (tenth > lastTenth && total > 0) {
            lastTenth = tenth;
            print(stdout, QStringLiteral("  %1% of %2 bytes").arg(tenth * 10).arg(total));
        }
    });
    int exitCode = 1;
    QObject::connect(&update, &ExtractorUpdate::finished, &app, [&](const ExtractorUpdate::Outcome &outcome) {
        if (outcome.ok) {
            Settings::SetExtractorChannelKey(ExtractorChannel::Key(channel));
            Settings::SetExtractorLastCheck(QDateTime::currentDateTimeUtc());
            print(stdout, outcome.sentence);
            exitCode = 0;
        } else {
            print(stderr, outcome.sentence);
        }
        app.quit();
    });
    // Ctrl+C or a plain kill ends the fetch at once and removes what was fetched.
    TerminationSignals interruption;
    QObject::connect(&interruption, &TerminationSignals::received, &app, [&](int) {
        update.cancel();
        print(stderr, QStringLiteral("Cancelled; the copy in use is unchanged."));
        exitCode = 1;
        app.quit();
    });
    update.start();
    app.exec();
    return exitCode;
}

} // namespace UpdateCommand
