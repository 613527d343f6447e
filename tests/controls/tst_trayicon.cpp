#include "controls/TrayIcon.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

// The tray icon's clicks: a left click restores the window, a right click only brings it forward,
// other clicks do nothing; without a notification area nothing is added.
class TestTrayIcon final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void click_data();
    void click();
    void rightClickActivates();
    void addWhereThereIsATray();
    void noWindow();
};

namespace {

enum Start { Hidden, Normal, Minimized, Maximized };

void bringTo(QWidget &window, int start)
{
    switch (start) {
    case Normal: window.showNormal(); break;
    case Minimized: window.showMinimized(); break;
    case Maximized: window.showMaximized(); break;
    default: break;
    }
}

} // namespace

void TestTrayIcon::click_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<int>("state"); // Qt::WindowStates after the click

    const int trigger = QSystemTrayIcon::Trigger;
    const int context = QSystemTrayIcon::Context;
    QTest::newRow("left click restores a minimised window") << int(Minimized) << trigger << true << int(Qt::WindowNoState);
    QTest::newRow("left click returns a maximised window to normal") << int(Maximized) << trigger << true << int(Qt::WindowNoState);
    QTest::newRow("left click shows a hidden window") << int(Hidden) << trigger << true << int(Qt::WindowNoState);
    QTest::newRow("right click leaves it minimised") << int(Minimized) << context << true << int(Qt::WindowMinimized);
    QTest::newRow("right click keeps maximised") << int(Maximized) << context << true << int(Qt::WindowMaximized);
    QTest::newRow("right click does not show a hidden window") << int(Hidden) << context << false << int(Qt::WindowNoState);
    QTest::newRow("double click does nothing") << int(Minimized) << int(QSystemTrayIcon::DoubleClick) << true << int(Qt::WindowMinimized);
    QTest::newRow("middle click does nothing") << int(Minimized) << int(QSystemTrayIcon::MiddleClick) << true << int(Qt::WindowMinimized);
    QTest::newRow("unknown does nothing") << int(Hidden) << int(QSystemTrayIcon::Unknown) << false << int(Qt::WindowNoState);
}

void TestTrayIcon::click()
{
    QFETCH(int, start);
    QFETCH(int, reason);
    QFETCH(bool, visible);
    QFETCH(int, state);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Clipvault"));
    bringTo(window, start);
    TrayIcon::handleActivation(static_cast<QSystemTrayIcon::ActivationReason>(reason), &window);
    QCOMPARE(window.isVisible(), visible);
    QCOMPARE(int(window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)), state);
}

void TestTrayIcon::rightClickActivates()
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
    TrayIcon::handleActivation(QSystemTrayIcon::DoubleClick, &window);
    QTest::qWait(50);
    QCOMPARE(QApplication::activeWindow(), &other);
}

void TestTrayIcon::addWhereThereIsATray()
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Clipvault - 3 downloads"));
    TrayIcon tray;
    const bool added = tray.add(&window, QIcon());
    QCOMPARE(added, TrayIcon::available());
    QCOMPARE(tray.isShown(), added);
    if (added) {
        QCOMPARE(tray.systemTrayIcon()->toolTip(), window.windowTitle());
        QVERIFY(tray.systemTrayIcon()->isVisible());
    } else {
        QVERIFY(!tray.systemTrayIcon());
    }
    tray.remove();
    QVERIFY(!tray.isShown());
    tray.remove(); // twice is harmless
}

void TestTrayIcon::noWindow()
{
    TrayIcon tray;
    QVERIFY(!tray.add(nullptr));
    TrayIcon::handleActivation(QSystemTrayIcon::Trigger, nullptr); // no crash, nothing to do
}

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
