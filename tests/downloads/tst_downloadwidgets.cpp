// The download list's small widgets on their own: the window hook, the confirmation dialog and
// the row bar.
#include "controls/SubClass.h"
#include "dialogs/frmMsgBox.h"
#include "downloads/RowProgressBar.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QtTest>

namespace {

struct Seen
{
    long msg, wParam, lParam;
};

} // namespace

class TestDownloadWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messagesAreASet();
    void unlistedMessagesReachTheWindow();
    void listedKeyIsSwallowedUnlessPassedOn();
    void sameWindowTwiceHooksOnce();
    void secondHookReplacesFirst();
    void scrollsAndHeaderResizesAreReported();
    void destroyedWindowUnhooks();

    void dialogAnswers_data();
    void dialogAnswers();
    void dialogStartsWithFocusOnFirstOption();
    void dialogDrawsQuestionIcon();

    void barDrawing();
    void barIgnoresValueAboveMaximum();
    void barIsAccessible();
    void busyBarMoves();
};

void TestDownloadWidgets::messagesAreASet()
{
    SubClass hook;
    hook.setMessages(SubClass::WM_KEYDOWN, true);
    hook.setMessages(SubClass::WM_KEYDOWN, true);
    hook.setMessages(SubClass::WM_VSCROLL, true);
    QCOMPARE(hook.messageList(), (QList<long>{SubClass::WM_KEYDOWN, SubClass::WM_VSCROLL}));
    hook.setMessages(SubClass::WM_HSCROLL, false); // absent: nothing happens
    hook.setMessages(SubClass::WM_KEYDOWN, false);
    QVERIFY(!hook.Messages(SubClass::WM_KEYDOWN));
    QVERIFY(hook.Messages(SubClass::WM_VSCROLL));
    long m = SubClass::WM_KEYDOWN, w = 0, l = 0;
    QCOMPARE(hook.CallWndProc(m, w, l), 0L); // no window
}

void TestDownloadWidgets::unlistedMessagesReachTheWindow()
{
    QLineEdit edit;
    SubClass hook;
    int raised = 0;
    connect(&hook, &SubClass::WndProc, [&](long &, long &, long &, long &) { ++raised; });
    hook.setMessages(SubClass::WM_VSCROLL, true);
    hook.sethWnd(&edit);
    QTest::keyClicks(&edit, QStringLiteral("abc"));
    QCOMPARE(edit.text(), QStringLiteral("abc"));
    QCOMPARE(raised, 0);
}

void TestDownloadWidgets::listedKeyIsSwallowedUnlessPassedOn()
{
    QLineEdit edit;
    SubClass hook;
    bool passOn = false;
    QList<Seen> seen;
    long lastResult = -1;
    connect(&hook, &SubClass::WndProc, [&](long &Msg, long &wParam, long &lParam, long &Result) {
        seen.append({Msg, wParam, lParam});
        if (passOn)
            Result = hook.CallWndProc(Msg, wParam, lParam);
        lastResult = Result;
    });
    hook.setMessages(SubClass::WM_KEYDOWN, true);
    hook.sethWnd(&edit);
    QTest::keyClick(&edit, Qt::Key_A);
    QCOMPARE(edit.text(), QString()); // not handed to the window
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].msg, long(SubClass::WM_KEYDOWN));
    QCOMPARE(seen[0].wParam, 65L);
    QCOMPARE(lastResult, 0L);
    passOn = true;
    QTest::keyClick(&edit, Qt::Key_B);
    QCOMPARE(edit.text(), QStringLiteral("b"));
    QCOMPARE(lastResult, 1L);
    QTest::keyClick(&edit, Qt::Key_Home);
    QCOMPARE(seen.last().wParam, 36L);
    QCOMPARE(edit.cursorPosition(), 0);
}

void TestDownloadWidgets::sameWindowTwiceHooksOnce()
{
    QLineEdit edit;
    SubClass hook;
    int raised = 0;
    connect(&hook, &SubClass::WndProc, [&](long &Msg, long &w, long &l, long &Result) {
        ++raised;
        Result = hook.CallWndProc(Msg, w, l);
    });
    hook.setMessages(SubClass::WM_KEYDOWN, true);
    hook.sethWnd(&edit);
    hook.sethWnd(&edit);
    QTest::keyClick(&edit, Qt::Key_X);
    QCOMPARE(raised, 1);
    QCOMPARE(edit.text(), QStringLiteral("x"));
    hook.sethWnd(nullptr);
    QCOMPARE(hook.hWnd(), nullptr);
    QTest::keyClick(&edit, Qt::Key_Y);
    QCOMPARE(raised, 1);
    QCOMPARE(edit.text(), QStringLiteral("xy"));
}

void TestDownloadWidgets::secondHookReplacesFirst()
{
    QLineEdit edit;
    SubClass first, second;
    int firstRaised = 0, secondRaised = 0;
    connect(&first, &SubClass::WndProc, [&](long &, long &, long &, long &) { ++firstRaised; });
    connect(&second, &SubClass::WndProc, [&](long &, long &, long &, long &) { ++secondRaised; });
    first.setMessages(SubClass::WM_KEYDOWN, true);
    second.setMessages(SubClass::WM_KEYDOWN, true);
    first.sethWnd(&edit);
    second.sethWnd(&edit);
    QCOMPARE(first.hWnd(), nullptr);
    QTest::keyClick(&edit, Qt::Key_A);
    QCOMPARE(firstRaised, 0);
    QCOMPARE(secondRaised, 1);
}

void TestDownloadWidgets::scrollsAndHeaderResizesAreReported()
{
    QTreeWidget tree;
    tree.setColumnCount(2);
    for (int k = 0; k < 100; ++k)
        tree.addTopLevelItem(new QTreeWidgetItem({QString::number(k), QStringLiteral("s")}));
    tree.resize(300, 150);
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));
    SubClass hook;
    QList<Seen> seen;
    connect(&hook, &SubClass::WndProc, [&](long &Msg, long &w, long &l, long &Result) {
        seen.append({Msg, w, l});
        Result = hook.CallWndProc(Msg, w, l);
    });
    for (long m : {long(SubClass::WM_HSCROLL), long(SubClass::WM_VSCROLL), long(SubClass::WM_KEYDOWN),
                   long(SubClass::WM_NOTIFY)})
        hook.setMessages(m, true);
    hook.sethWnd(&tree);

    tree.verticalScrollBar()->setValue(10);
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].msg, long(SubClass::WM_VSCROLL));
    QCOMPARE(seen[0].wParam, 10L);

    seen.clear();
    tree.header()->resizeSection(0, 77);
    QVERIFY(!seen.isEmpty());
    QCOMPARE(seen[0].msg, long(SubClass::WM_NOTIFY));
    QCOMPARE(seen[0].lParam, long(SubClass::HDN_ITEMCHANGEDA));

    // A navigation key: the list moves first (it scrolls, reported on the way), then the key.
    seen.clear();
    tree.setFocus();
    tree.setCurrentItem(tree.topLevelItem(10));
    seen.clear();
    QTest::keyClick(&tree, Qt::Key_End);
    QCOMPARE(tree.currentItem(), tree.topLevelItem(99));
    QVERIFY(seen.size() >= 2);
    QCOMPARE(seen.first().msg, long(SubClass::WM_KEYDOWN));
    QCOMPARE(seen.first().wParam, 35L);
    QVERIFY(std::any_of(seen.begin(), seen.end(), [](const Seen &s) { return s.msg == SubClass::WM_VSCROLL; }));
}

void TestDownloadWidgets::destroyedWindowUnhooks()
{
    auto *edit = new QLineEdit;
    SubClass hook;
    QList<long> seen;
    connect(&hook, &SubClass::WndProc, [&](long &Msg, long &, long &, long &) { seen.append(Msg); });
    hook.setMessages(SubClass::WM_NCDESTROY, true);
    hook.sethWnd(edit);
    QCOMPARE(hook.hWnd(), edit);
    delete edit;
    QCOMPARE(hook.hWnd(), nullptr);
    QCOMPARE(seen, QList<long>{SubClass::WM_NCDESTROY});
    QLineEdit other;
    hook.sethWnd(&other); // a new window hooks as usual
    QCOMPARE(hook.hWnd(), &other);
}

void TestDownloadWidgets::dialogAnswers_data()
{
    QTest::addColumn<int>("option"); // -1 none
    QTest::addColumn<bool>("pressOk");
    QTest::addColumn<int>("answer");
    QTest::newRow("OK at once") << -1 << true << 0;
    QTest::newRow("do not download") << 0 << true << 0;
    QTest::newRow("overwrite") << 1 << true << 1;
    QTest::newRow("rename") << 2 << true << 2;
    QTest::newRow("close box after overwrite") << 1 << false << 0;
}

void TestDownloadWidgets::dialogAnswers()
{
    QFETCH(int, option);
    QFETCH(bool, pressOk);
    QFETCH(int, answer);
    frmMsgBox dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Confirmation"));
    QCOMPARE(dialog.Label1->text(), QStringLiteral("A video with the same name already exists."));
    QCOMPARE(dialog.Label2->text(), QStringLiteral("What would you like to do?"));
    QCOMPARE(dialog.findChild<QRadioButton *>(QStringLiteral("VideoOption_1"))->text(),
             QStringLiteral("Download and overwrite the existing video"));
    for (int k = 0; k < 3; ++k)
        QVERIFY(!dialog.VideoOption[k]->isChecked());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    if (option >= 0)
        QTest::mouseClick(dialog.findChild<QRadioButton *>(QStringLiteral("VideoOption_%1").arg(option)),
                          Qt::LeftButton);
    if (pressOk)
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
    else
        dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), pressOk ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(dialog.Answer(), answer);
}

void TestDownloadWidgets::dialogStartsWithFocusOnFirstOption()
{
    frmMsgBox dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dialog.VideoOption[0]));
    QVERIFY(!dialog.VideoOption[0]->isChecked());
    // Every option's text fits its button.
    for (int k = 0; k < 3; ++k)
        QVERIFY(dialog.VideoOption[k]->width() >= dialog.VideoOption[k]->sizeHint().width());
}

void TestDownloadWidgets::dialogDrawsQuestionIcon()
{
    frmMsgBox dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QImage shot = dialog.grab().toImage();
    const QColor background = shot.pixelColor(dialog.width() - 3, dialog.height() - 3);
    int differing = 0;
    for (int y = 10; y < 42; ++y)
        for (int x = 10; x < 42; ++x)
            differing += shot.pixelColor(x, y) != background;
    QVERIFY2(differing > 50, "no icon at (10, 10)");
    // Nothing is drawn left of the icon's place.
    for (int y = 0; y < 10; ++y)
        QCOMPARE(shot.pixelColor(5, y), background);
}

void TestDownloadWidgets::barDrawing()
{
    QWidget parent;
    RowProgressBar bar(0, &parent);
    bar.resize(200, 18);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    const QColor fill = bar.palette().color(QPalette::Highlight);
    qint64 value = 0;
    bar.draw(QStringLiteral("Starting download. Please wait..."), 100, value);
    QImage shot = bar.grab().toImage();
    QVERIFY(shot.pixelColor(3, 2) != fill);
    value = 50;
    bar.draw(QStringLiteral("Downloading... 1.00 MB / 2.00 MB - 50%"), 100, value);
    shot = bar.grab().toImage();
    QCOMPARE(bar.filledRect().width(), (200 - 2) / 2);
    QCOMPARE(shot.pixelColor(3, 2), fill);          // filled from the left edge
    QVERIFY(shot.pixelColor(196, 2) != fill);       // not beyond the value
    // The caption stays readable over the fill: some pixels inside the filled part differ from it.
    int textOnFill = 0;
    for (int x = 1; x < 99; ++x)
        for (int y = 2; y < 16; ++y)
            textOnFill += shot.pixelColor(x, y) != fill;
    QVERIFY(textOnFill > 10);
}

void TestDownloadWidgets::barIgnoresValueAboveMaximum()
{
    RowProgressBar bar(3, nullptr);
    qint64 value = 40;
    bar.draw(QStringLiteral("forty"), 100, value);
    value = 101;
    bar.draw(QStringLiteral("too far"), 100, value);
    QCOMPARE(bar.caption(), QStringLiteral("forty"));
    QCOMPARE(bar.value(), qint64(40));
    // A value above the scale of the previous drawing is lowered to it, the caller's variable too.
    value = 30;
    bar.draw(QStringLiteral("scale of fifty"), 50, value);
    value = 70;
    bar.draw(QStringLiteral("back to a hundred"), 100, value);
    QCOMPARE(value, qint64(50));
    QCOMPARE(bar.value(), qint64(50));
    QCOMPARE(bar.maximum(), qint64(100));
    QCOMPARE(bar.index(), 3);
}

void TestDownloadWidgets::barIsAccessible()
{
    QWidget parent;
    RowProgressBar bar(0, &parent);
    qint64 value = 29;
    bar.draw(QStringLiteral("Downloading... 3.50 MB / 12.25 MB - 29%"), 100, value);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&bar);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::ProgressBar);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Downloading... 3.50 MB / 12.25 MB - 29%"));
    QAccessibleValueInterface *v = iface->valueInterface();
    QVERIFY(v);
    QCOMPARE(v->currentValue().toLongLong(), 29);
    QCOMPARE(v->maximumValue().toLongLong(), 100);
    value = 0;
    bar.draw(QStringLiteral("Video successfully downloaded!"), 100, value);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Video successfully downloaded!"));
    QCOMPARE(v->currentValue().toLongLong(), 0);
}

void TestDownloadWidgets::busyBarMoves()
{
    QWidget parent;
    RowProgressBar bar(0, &parent);
    bar.resize(200, 18);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    qint64 value = -1;
    bar.draw(QStringLiteral("Downloading... 3.50 MB"), 100, value);
    QVERIFY(bar.isBusy());
    const QRect first = bar.filledRect();
    QVERIFY(!first.isEmpty());
    QTRY_VERIFY(bar.filledRect() != first);
    value = 0;
    bar.draw(QStringLiteral("Video successfully downloaded!"), 100, value);
    QVERIFY(!bar.isBusy());
    QVERIFY(bar.filledRect().isEmpty());
}

QTEST_MAIN(TestDownloadWidgets)
#include "tst_downloadwidgets.moc"
