#include "app/modMain.h"

#include "app/SingleInstance.h"
#include "app/frmMain.h"

#include <QApplication>

#include <unistd.h>

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
    QGuiApplication::setDesktopFileName(QStringLiteral(CLIPVAULT_APP_ID)); // the installed desktop entry's name
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    switch (instance.start()) {
    case SingleInstance::Start::HandedOver:
        return 0; // the earlier copy comes forward; this one shows nothing
    case SingleInstance::Start::Alone:
        qWarning("Clipvault: no private folder for the single-instance socket; running without it");
        break;
    case SingleInstance::Start::First:
        break;
    }

    frmMain window;
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
        qInfo("Clipvault: brought forward by a second copy");
        window.BringToFront();
    });
    QObject::connect(&window, &frmMain::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);

    window.Form_Load();
    window.show();
    return app.exec();
}

} // namespace modMain
