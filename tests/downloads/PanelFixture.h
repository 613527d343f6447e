#pragma once

#include "MediaFixture.h"
#include "dialogs/frmMenu.h"
#include "downloads/DownloadPanel.h"
#include "downloads/RowProgressBar.h"
#include "support/DemoSite.h"
#include "support/SeamRecorder.h"
#include "transfer/Downloader.h"
#include "transfer/TransferValidators.h"

#include <QAccessible>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

// The download list's widgets in tests: a shown list per test, its rows as the user sees them.
namespace PanelFixture {

// The site and the popup-menu form, as the main window makes it.
inline void setUpProgram()
{
    setUpTransfers();
    // Gone with the application, before its windowing ends.
    static QWidget *owner = new QWidget;
    static frmMenu *menu = new frmMenu(owner);
    frmMenu::setInstance(menu);
    qAddPostRoutine([] {
        frmMenu::setInstance(nullptr);
        delete menu;
        delete owner;
    });
}

// A video of the site's Id, saved as "<title>.mp4".
inline DownloadChoice mp4(const QString &title, const QString &query = QString(), int code = 18)
{
    return choice(Id, code, title, QStringLiteral(".mp4"), query);
}

// The row's place, state (0: no row), name, percentage and caption. The caption is the text its
// bar shows, when the list's accessible table says the same in the row's status cell; otherwise
// a text naming both.
inline int rowOf(const DownloadPanel &panel, const QString &key) { return panel.records().indexOf(key); }

inline int stateOf(const DownloadPanel &panel, const QString &key)
{
    const int row = rowOf(panel, key);
    return row < 0 ? 0 : panel.records().at(row).state;
}

inline QString nameOf(const DownloadPanel &panel, const QString &key)
{
    const int row = rowOf(panel, key);
    return row < 0 ? QString() : panel.lvwDownloads->topLevelItem(row)->text(DownloadPanel::ColVideo);
}

inline qint64 percentOf(const DownloadPanel &panel, const QString &key)
{
    const int row = rowOf(panel, key);
    return row < 0 ? 0 : panel.records().percent(row);
}

// A cell's text through the list's accessible table.
inline QString cellText(const DownloadPanel &panel, int row, int column)
{
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(panel.lvwDownloads);
    QAccessibleTableInterface *table = list ? list->tableInterface() : nullptr;
    QAccessibleInterface *cell = table ? table->cellAt(row, column) : nullptr;
    return cell ? cell->text(QAccessible::Name) : QStringLiteral("<no cell>");
}

inline QString captionOf(const DownloadPanel &panel, const QString &key)
{
    const int row = rowOf(panel, key);
    if (row < 0 || row >= panel.MainPB.size())
        return QString();
    const QString bar = panel.MainPB[row]->caption();
    const QString cell = cellText(panel, row, DownloadPanel::ColStatus);
    return bar == cell ? bar : QStringLiteral("<bar \"%1\", cell \"%2\">").arg(bar, cell);
}

// Adds the video and waits until its row has finished.
inline void addAndFinish(DownloadPanel &panel, const DownloadChoice &c)
{
    panel.cmdDownload_Click(c);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel, c.mediaAddress), int(StateDownloaded), Wait);
}

// Runs action once, inside the transfer's first progress report of the row with some bytes: the
// transfer is then surely still running, however busy the machine.
inline void onFirstProgress(DownloadPanel &panel, const QString &key, const std::function<void()> &action)
{
    auto done = std::make_shared<bool>(false);
    QObject::connect(panel.DownloadVid, &Downloader::Progress, &panel,
                     [key, action, done](const QString &, const QString &k, qint64 bytes, qint64, int) {
                         if (*done || k != key || bytes <= 0)
                             return;
                         *done = true;
                         action();
                     });
}

// Types a new name into the row's name in place and presses Return, as the user does; unless told
// not to, waits until the editor has closed.
inline void typeName(DownloadPanel &panel, int row, const QString &typed, bool wait = true)
{
    QTreeWidget *list = panel.lvwDownloads;
    list->setCurrentItem(list->topLevelItem(row));
    list->editItem(list->topLevelItem(row), DownloadPanel::ColVideo);
    auto *editor = list->viewport()->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->setText(typed);
    QTest::keyClick(editor, Qt::Key_Return);
    if (wait)
        QTRY_VERIFY(!list->viewport()->findChild<QLineEdit *>()); // committed and closed
}

// Selects only these rows and gives the list's command (mnuStart_Click, mnuStop_Click ...), as the
// popup menu does.
inline void onRows(DownloadPanel &panel, const QList<int> &rows, void (DownloadPanel::*command)())
{
    panel.lvwDownloads->clearSelection();
    for (int row : rows)
        panel.lvwDownloads->topLevelItem(row)->setSelected(true);
    (panel.*command)();
}

// Clicks the confirmation dialog's option (-1: none) and OK, or closes it with its close box.
inline std::function<void(QDialog *)> answerWith(int option, bool ok = true)
{
    return [option, ok](QDialog *dialog) {
        if (option >= 0)
            dialog->findChild<QRadioButton *>(QStringLiteral("VideoOption_%1").arg(option))->click();
        if (ok)
            dialog->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
        else
            dialog->close();
    };
}

// A shown list saving into a fresh temporary folder, with its seam recorder; one per test.
struct Harness
{
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SeamRecorder> seam;
    std::unique_ptr<DownloadPanel> panel;
    void setUp(int height)
    {
        dir = std::make_unique<QTemporaryDir>();
        seam = std::make_unique<SeamRecorder>();
        panel = std::make_unique<DownloadPanel>();
        panel->setSavePath(folder());
        panel->resize(640, height);
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
        site().clear();
    }
    void tearDown() { panel.reset(); seam.reset(); dir.reset(); }
    QString folder() const { return dir->path() + QLatin1Char('/'); }
};

} // namespace PanelFixture
