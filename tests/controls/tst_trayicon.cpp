#include "controls/TrayIcon.h"

#include <QApplication>
#include <QTest>
#include <QWindow>
#include <QWidget>

// The tray icon's clicks: a left click restores the window, a right click brings it forward (and
// shows it when hidden), other clicks do nothing; without a notification area nothing is added.
class TestTrayIcon final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void click_data()
    {
        QTest::addColumn<int>("start"); // the window's state when shown, or -1: hidden
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("state"); // after the click

        const int hidden = -1, normal = Qt::WindowNoState, minimized = Qt::WindowMinimized, maximized = Qt::WindowMaximized;
        const int left = QSystemTrayIcon::Trigger, right = QSystemTrayIcon::Context;
        QTest::newRow("left click restores a minimised window") << minimized << left << true << normal;
        QTest::newRow("left click returns a maximised window to normal") << maximized << left << true << normal;
        QTest::newRow("left click shows a hidden window") << hidden << left << true << normal;
        QTest::newRow("right click leaves it minimised") << minimized << right << true << minimized;
        QTest::newRow("right click keeps maximised") << maximized << right << true << maximized;
        QTest::newRow("right click shows a hidden window") << hidden << right << true << normal;
        QTest::newRow("double click does nothing") << minimized << int(QSystemTrayIcon::DoubleClick) << true << minimized;
        QTest::newRow("middle click does nothing") << minimized << int(QSystemTrayIcon::MiddleClick) << true << minimized;
        QTest::newRow("unknown does nothing") << hidden << int(QSystemTrayIcon::Unknown) << false << normal;
    }

    void click()
    {
        QFETCH(int, start);
        QFETCH(int, reason);

        QWidget window;
        if (start >= 0) {
            window.setWindowState(Qt::WindowStates(start));
            window.show();
        }
        TrayIcon::handleActivation(static_cast<QSystemTrayIcon::ActivationReason>(reason), &window);
        QTEST(window.isVisible(), "visible");
        QTEST(int(window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)), "state");
        TrayIcon::handleActivation(static_cast<QSystemTrayIcon::ActivationReason>(reason), nullptr); // nothing to do
    }

    void rightClickActivates()
    {
        QWidget window;
        QWidget other;
        window.show();
        other.show();
        other.activateWindow();
        if (!QTest::qWaitForWindowActive(&other))
            QSKIP("this platform does not activate windows");
        TrayIcon::handleActivation(QSystemTrayIcon::Context, &window);
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        other.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &other);
        // A double click asks for nothing: a third window activated after it comes forward, and the
        // window was never activated on the way.
        QWidget third;
        third.show();
        QList<QWindow *> activated;
        QObject listening; // goes before the list, so the focus changes of the windows' ends are not kept
        connect(qApp, &QGuiApplication::focusWindowChanged, &listening, [&](QWindow *w) { activated << w; });
        TrayIcon::handleActivation(QSystemTrayIcon::DoubleClick, &window);
        third.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &third);
        QVERIFY(!activated.contains(window.windowHandle()));
    }

    void addAndRemove()
    {
        QWidget window;
        window.setWindowTitle(QStringLiteral("Clipvault - 3 downloads"));
        TrayIcon tray;
        QVERIFY(!tray.add(nullptr));
        const bool added = tray.add(&window, QIcon());
        QCOMPARE(added, TrayIcon::available());
        QCOMPARE(tray.isShown(), added);
        if (added) {
            QCOMPARE(tray.systemTrayIcon()->toolTip(), window.windowTitle());
            QVERIFY(tray.systemTrayIcon()->isVisible());
        }
        tray.remove();
        QVERIFY(!tray.isShown());
        tray.remove(); // twice is harmless
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
