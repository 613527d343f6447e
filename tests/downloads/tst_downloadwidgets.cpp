// The download list's small widgets on their own: the window hook, the confirmation dialog and
// the row bar.
#include "controls/SubClass.h"
#include "dialogs/frmMsgBox.h"
#include "downloads/DownloadNotifier.h"
#include "downloads/RowProgressBar.h"
#include "support/SeamRecorder.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QtTest>

class TestDownloadWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hookRaisesListedMessagesOfItsWindow();

    void dialogOpensReadyToAnswer();

    void barDrawing_data();
    void barDrawing();
    void barIgnoresValueAboveMaximum();

    void notificationOnlyWhileTheWindowIsAway_data();
    void notificationOnlyWhileTheWindowIsAway();
};

// The hook raises only the listed messages of the window it holds, and the window gets them only
// when the handler hands them on; a second hook on the window, or the window's end, unhooks it.
void TestDownloadWidgets::hookRaisesListedMessagesOfItsWindow()
{
    SubClass hook;
    for (const long message : {SubClass::WM_KEYDOWN, SubClass::WM_KEYDOWN, SubClass::WM_VSCROLL})
        hook.setMessages(message, true);
    hook.setMessages(SubClass::WM_HSCROLL, false); // absent: nothing happens
    QCOMPARE(hook.messageList(), (QList<long>{SubClass::WM_KEYDOWN, SubClass::WM_VSCROLL}));
    long m = SubClass::WM_KEYDOWN, w = 0, l = 0;
    QCOMPARE(hook.CallWndProc(m, w, l), 0L); // no window

    auto *edit = new QLineEdit;
    bool passOn = false;
    QList<long> seen; // messages and their wParam
    long lastResult = -1;
    connect(&hook, &SubClass::WndProc, [&](long &Msg, long &wParam, long &lParam, long &Result) {
        seen << Msg << wParam;
        if (passOn)
            Result = hook.CallWndProc(Msg, wParam, lParam);
        lastResult = Result;
    });
    hook.sethWnd(edit);
    hook.sethWnd(edit); // the same window twice hooks once
    QTest::keyClick(edit, Qt::Key_A);
    QCOMPARE(edit->text(), QString()); // swallowed: not handed to the window
    QCOMPARE(seen, (QList<long>{SubClass::WM_KEYDOWN, 65}));
    QCOMPARE(lastResult, 0L);
    passOn = true;
    QTest::keyClick(edit, Qt::Key_B);
    QCOMPARE(edit->text(), QStringLiteral("b"));
    QCOMPARE(lastResult, 1L);
    // Unlisted messages reach the window unseen.
    hook.setMessages(SubClass::WM_KEYDOWN, false);
    seen.clear();
    QTest::keyClicks(edit, QStringLiteral("cd"));
    QCOMPARE(edit->text(), QStringLiteral("bcd"));
    QVERIFY(seen.isEmpty());

    // A second hook replaces the first, which sees nothing more.
    hook.setMessages(SubClass::WM_KEYDOWN, true);
    SubClass second;
    QList<long> secondSeen;
    connect(&second, &SubClass::WndProc, [&](long &Msg, long &, long &, long &) { secondSeen << Msg; });
    second.setMessages(SubClass::WM_KEYDOWN, true);
    second.setMessages(SubClass::WM_NCDESTROY, true);
    second.sethWnd(edit);
    QCOMPARE(hook.hWnd(), nullptr);
    QTest::keyClick(edit, Qt::Key_Y);
    QVERIFY(seen.isEmpty());
    QCOMPARE(secondSeen, QList<long>{SubClass::WM_KEYDOWN});
    delete edit; // a destroyed window unhooks
    QCOMPARE(second.hWnd(), nullptr);
    QCOMPARE(secondSeen, (QList<long>{SubClass::WM_KEYDOWN, SubClass::WM_NCDESTROY}));
    QLineEdit other;
    second.sethWnd(&other); // a new window hooks as usual
    QCOMPARE(second.hWnd(), &other);
}

// The hook's scrolls, header resizes and keys, and the dialog's answers, are checked through the
// list (tst_downloadpanel).
void TestDownloadWidgets::dialogOpensReadyToAnswer()
{
    frmMsgBox dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dialog.VideoOption[0]));
    for (int k = 0; k < 3; ++k) { // none chosen, every text fits its button
        QVERIFY(!dialog.VideoOption[k]->isChecked());
        QVERIFY(dialog.VideoOption[k]->width() >= dialog.VideoOption[k]->sizeHint().width());
    }
    // The question icon at (10, 10), nothing left of it.
    const QImage shot = dialog.grab().toImage();
    const QColor background = shot.pixelColor(dialog.width() - 3, dialog.height() - 3);
    int differing = 0;
    for (int y = 10; y < 42; ++y)
        for (int x = 10; x < 42; ++x)
            differing += shot.pixelColor(x, y) != background;
    QVERIFY2(differing > 50, "no icon at (10, 10)");
    for (int y = 0; y < 10; ++y)
        QCOMPARE(shot.pixelColor(5, y), background);
}

void TestDownloadWidgets::barDrawing_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<bool>("fits"); // the caption fits the bar
    QTest::newRow("empty") << 200 << qint64(0) << false;
    QTest::newRow("half") << 200 << qint64(50) << false;
    QTest::newRow("wide bar") << 1200 << qint64(50) << true;
    QTest::newRow("narrow bar") << 120 << qint64(50) << false;
    QTest::newRow("no room") << 2 << qint64(50) << false;
    // The caption's own width and one pixel: within the frame's pixel on either side it does not fit.
    QTest::newRow("a pixel short") << -1 << qint64(50) << false;
}

void TestDownloadWidgets::barDrawing()
{
    QFETCH(int, width);
    QFETCH(qint64, value);
    QFETCH(bool, fits);
    QWidget parent;
    RowProgressBar bar(0, &parent);
    const QString caption = QStringLiteral("Downloading... 512.25 MB / 1024.50 MB - 50%");
    if (width < 0)
        width = QFontMetrics(bar.font()).horizontalAdvance(caption) + 1;
    bar.resize(width, 18);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    bar.draw(caption, 100, value);
    const QString shown = bar.shownCaption();
    // What is shown fits inside the frame and begins as the caption does.
    QVERIFY2(QFontMetrics(bar.font()).horizontalAdvance(shown) <= width - 2, qPrintable(shown));
    if (fits) {
        QCOMPARE(shown, caption);
    } else {
        QVERIFY2(shown.endsWith(QChar(0x2026)) || shown.isEmpty(), qPrintable(shown));
        QVERIFY2(caption.startsWith(shown.chopped(shown.isEmpty() ? 0 : 1)), qPrintable(shown));
    }
    const int filled = int((width - 2) * value / 100);
    QCOMPARE(bar.filledRect().width(), std::max(0, filled));
    if (width < 100)
        return;
    // Filled from the left edge up to the value. The caption stays readable on both parts: some
    // pixels differ from the fill inside it, and from the background on the empty right half.
    const QImage shot = bar.grab().toImage();
    const QColor fill = bar.palette().color(QPalette::Highlight);
    QCOMPARE(shot.pixelColor(3, 2) == fill, value > 0);
    QVERIFY(shot.pixelColor(width - 4, 2) != fill);
    int textOnFill = 0;
    int text = 0;
    for (int y = 2; y < 16; ++y) {
        for (int x = 1; x < filled; ++x)
            textOnFill += shot.pixelColor(x, y) != fill;
        for (int x = width / 2 + 1; x < width - 1; ++x)
            text += shot.pixelColor(x, y) != bar.palette().color(QPalette::Base);
    }
    QVERIFY(value == 0 || textOnFill > 10);
    QVERIFY(text > 10);
}

void TestDownloadWidgets::barIgnoresValueAboveMaximum()
{
    RowProgressBar bar(0, nullptr);
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
}

// A message only while the window is away (hidden, minimised or behind another one), with a tray.
void TestDownloadWidgets::notificationOnlyWhileTheWindowIsAway_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("tray");
    QTest::newRow("active") << "active" << true;
    QTest::newRow("hidden") << "hidden" << true;
    QTest::newRow("minimised") << "minimised" << true;
    QTest::newRow("another window active") << "behind" << true;
    QTest::newRow("no tray") << "hidden" << false;
}

void TestDownloadWidgets::notificationOnlyWhileTheWindowIsAway()
{
    QFETCH(QString, window);
    QFETCH(bool, tray);
    const bool shown = tray && window != QLatin1String("active");
    SeamRecorder seam;
    QWidget main;
    QWidget other;
    main.show();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    if (window == QLatin1String("hidden")) {
        main.hide();
    } else if (window == QLatin1String("minimised")) {
        main.showMinimized();
    } else if (window == QLatin1String("behind")) {
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
    }
    QSystemTrayIcon icon; // an icon object; whether the desktop shows it plays no part here
    DownloadNotifier notifier(&main, [&]() -> QSystemTrayIcon * { return tray ? &icon : nullptr; });
    QSignalSpy messages(&notifier, &DownloadNotifier::shown);
    notifier.downloadEnded(QStringLiteral("Sunset.mp4"), QStringLiteral("Video successfully downloaded!"),
                           QStringLiteral("/videos/"), true);
    QCOMPARE(messages.size(), shown ? 1 : 0);
    Q_EMIT icon.messageClicked();
    const auto opened = seam.callsOf(UiSeam::Kind::OpenFolder);
    QCOMPARE(opened.size(), shown ? 1 : 0);
    if (shown) {
        QCOMPARE(messages.first(), (QVariantList{QStringLiteral("Sunset.mp4"), QStringLiteral("Video successfully downloaded!")}));
        QCOMPARE(opened.first().text, QStringLiteral("file:///videos/"));
    }
}

// Accessibility and the busy bar are checked on the list's own bars (tst_downloadpanel, tst_downloadcommands).
QTEST_MAIN(TestDownloadWidgets)
#include "tst_downloadwidgets.moc"
