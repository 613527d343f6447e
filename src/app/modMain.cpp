#include "app/modMain.h"

#include "base/AppState.h"
#include "base/CommandLine.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "app/UpdateCommand.h"
#include "app/frmMain.h"

#include "dialogs/DesktopSeam.h"

#include <QApplication>

#include <cstdio>

#include <unistd.h>

namespace modMain {

int Main(int argc, char **argv)
{
    // Read before the application object, so that --help works without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine command = CommandLine::parse(arguments);
    switch (command.action) {
    case CommandLine::Action::Help:
    case CommandLine::Action::Version:
        std::fputs(command.output.toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::Error:
        std::fputs(command.output.toLocal8Bit().constData(), stderr);
        return CommandLine::ErrorExitCode;
    case CommandLine::Action::UpdateExtractor:
        return UpdateCommand::Run(argc, argv, command.channel);
    case CommandLine::Action::Run:
        break;
    }

    // The preview's web view shares its graphics context with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The web view's sandbox refuses to start for root; the preview then runs without it.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Clipvault"));
    QApplication::setApplicationDisplayName(QStringLiteral("Clipvault"));
    QApplication::setOrganizationName(QStringLiteral("Clipvault"));
    QApplication::setApplicationVersion(AppState::VersionString());
    QGuiApplication::setDesktopFileName(QStringLiteral(CLIPVAULT_APP_ID)); // the installed desktop entry's name
    QApplication::setQuitOnLastWindowClosed(false);
    UiSeam::installDesktop(); // real message boxes and file dialogs from here on

    // From here on a termination signal waits for the window, which closes on it; before, it would
    // end the process on the spot.
    TerminationSignals sessionEnd;

    SingleInstance instance;
    switch (instance.start(command.address)) {
    case SingleInstance::Start::HandedOver:
        return 0; // the earlier copy comes forward; this one shows nothing
    case SingleInstance::Start::Alone:
        qWarning("Clipvault: no private folder for the single-instance socket; running without it");
        break;
    case SingleInstance::Start::First:
        break;
    }

    frmMain window;
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window](const QString &address) {
        qInfo("Clipvault: brought forward by a second copy");
        window.BringToFront();
        if (!address.isEmpty())
            window.LoadAddress(address);
    });
    QObject::connect(&window, &frmMain::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);

    window.Form_Load();
    if (!command.address.isEmpty())
        window.LoadAddress(command.address);
    window.show();
    return app.exec();
}

} // namespace modMain
