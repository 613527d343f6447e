#include "app/modMain.h"

#include "app/SingleInstance.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// Ending the session (or a plain kill) closes the window the ordinary way, so the settings are
// written as on any other close.
void closeOnTerminationSignals(frmMain *window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char byte;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[0], &byte, 1);
        window->close();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

} // namespace

namespace modMain {

int Main(int argc, char **argv)
{
    // The preview's web view shares its graphics context with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The web view's sandbox refuses to start for root; the preview then runs without it.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Clipvault"));
    QApplication::setApplicationDisplayName(QStringLiteral("Clipvault"));
    QApplication::setOrganizationName(QStringLiteral("Clipvault"));
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (instance.activateEarlierCopy())
        return 0; // the earlier copy comes forward; this one shows nothing
    instance.listen();

    frmMain window;
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
        qInfo("Clipvault: brought forward by a second copy");
        window.BringToFront();
    });
    QObject::connect(&window, &frmMain::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);
    closeOnTerminationSignals(&window);

    window.Form_Load();
    window.show();
    return app.exec();
}

} // namespace modMain
