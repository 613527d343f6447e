#include "PanelFixture.h"

#include "dialogs/frmMenu.h"
#include "downloads/RowProgressBar.h"
#include "support/DemoSite.h"
#include "transfer/Downloader.h"

#include <QAccessible>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <QTreeWidget>

namespace PanelFixture {

void setUpProgram()
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

DownloadChoice mp4(const QString &title, const QString &query, int code)
{
    return choice(Id, code, title, QStringLiteral(".mp4"), query);
}

void addAndFinish(DownloadPanel &panel, const DownloadChoice &c)
{
    panel.cmdDownload_Click(c);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(panel, c.mediaAddress), int(StateDownloaded), Wait);
}

int rowOf(const DownloadPanel &panel, const QString &key) { return panel.records().indexOf(key); }

int stateOf(const DownloadPanel &panel, const QString &key)
{
    const int row = rowOf(panel, key);
    return row < 0 ? 0 : panel.records().at(row).state;
}

QString nameOf(const DownloadPanel &panel, const QString &key)
{
    const int row = rowOf(panel, key);
    return row < 0 ? QString() : panel.lvwDownloads->topLevelItem(row)->text(DownloadPanel::ColVideo);
}

qint64 percentOf(const DownloadPanel &panel, const QString &key)
{
    const int row = rowOf(panel, key);
    return row < 0 ? 0 : panel.records().percent(row);
}

QString cellText(const DownloadPanel &panel, int row, int column)
{
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(panel.lvwDownloads);
    QAccessibleTableInterface *table = list ? list->tableInterface() : nullptr;
    QAccessibleInterface *cell = table ? table->cellAt(row, column) : nullptr;
    return cell ? cell->text(QAccessible::Name) : QStringLiteral("<no cell>");
}

QString captionOf(const DownloadPanel &panel, const QString &key)
{
    const int row = rowOf(panel, key);
    if (row < 0 || row >= panel.MainPB.size())
        return QString();
    const QString bar = panel.MainPB[row]->caption();
    const QString cell = cellText(panel, row, DownloadPanel::ColStatus);
    return bar == cell ? bar : QStringLiteral("<bar \"%1\", cell \"%2\">").arg(bar, cell);
}

void onFirstProgress(DownloadPanel &panel, const QString &key, const std::function<void()> &action)
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

void afterComplete(DownloadPanel &panel, const QString &key, const std::function<void()> &action)
{
    afterComplete(*panel.queue(), key, action);
}

void typeName(DownloadPanel &panel, int row, const QString &typed, bool wait)
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

void selectOnly(DownloadPanel &panel, const QList<int> &rows)
{
    panel.lvwDownloads->clearSelection();
    for (int row : rows)
        panel.lvwDownloads->topLevelItem(row)->setSelected(true);
}

std::function<void(QDialog *)> answerWith(int option, bool ok)
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

void Harness::setUp(int height)
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

void Harness::tearDown()
{
    panel.reset();
    seam.reset();
    dir.reset();
}

} // namespace PanelFixture
