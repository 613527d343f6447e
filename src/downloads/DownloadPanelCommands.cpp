// The list's popup commands, clicks on the bars and renaming in place.
#include "downloads/DownloadPanel.h"

#include "base/ErrorTrap.h"
#include "base/FileHelpers.h"
#include "base/UiSeam.h"
#include "dialogs/DesktopSeam.h"
#include "dialogs/frmMsgBox.h"
#include "dialogs/frmMenu.h"
#include "downloads/DownloadNames.h"
#include "downloads/ProgressText.h"
#include "downloads/RowProgressBar.h"
#include "extractor/ExtractorDownloads.h"
#include "transfer/Downloader.h"

#include <QCursor>
#include <QFileInfo>
#include <QTreeWidget>

namespace {

bool isSelected(const QTreeWidget *list, int row)
{
    const QTreeWidgetItem *item = list->topLevelItem(row);
    return item && item->isSelected();
}

} // namespace

#include <QFileInfo>

void DownloadPanel::popupMenu(const QPoint &globalPos)
{
    if (!m_menu)
        attachMenu(frmMenu::instance());
    if (m_menu)
        m_menu->popup(m_menu->mnuPopup, globalPos);
}

void DownloadPanel::lvwDownloads_MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)
{
    Q_UNUSED(Shift);
    ErrorTrap::run(QStringLiteral("lvwDownloads_MouseUp"), QStringLiteral("Form frmMain"), [&] {
        if (Button != Qt::RightButton)
            return;
        if (!lvwDownloads->itemAt(X, Y))
            return; // empty space below the rows
        popupMenu(lvwDownloads->viewport()->mapToGlobal(QPoint(X, Y)));
    });
}

void DownloadPanel::MainPB_MouseDown(int Index, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, QPoint pos)
{
    Q_UNUSED(Button);
    Q_UNUSED(Shift);
    Q_UNUSED(pos);
    // The bar covers its row's "Status" cell: pressing on it stands for pressing on the row.
    if (QTreeWidgetItem *item = lvwDownloads->topLevelItem(Index))
        lvwDownloads->setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void DownloadPanel::MainPB_MouseUp(int Index, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, QPoint pos)
{
    Q_UNUSED(Shift);
    QTreeWidgetItem *item = lvwDownloads->topLevelItem(Index);
    if (!item)
        return;
    item->setSelected(true);
    if (Button != Qt::LeftButton && Index < MainPB.size())
        popupMenu(MainPB[Index]->mapToGlobal(pos));
}

void DownloadPanel::mnuStart_Click()
{
    ErrorTrap::run(QStringLiteral("mnuStart_Click"), QStringLiteral("Form frmMenu"), [&] {
        for (int row = 0; row < m_records.count(); ++row) {
            const DownloadRecord &record = m_records.at(row);
            if (!isSelected(lvwDownloads, row) || record.state == StateDownloaded || record.saving
                || m_records.percent(row) != 0)
                continue;
            endRow(row, StateDownloading, ProgressText::Starting);
            startTransfer(row);
        }
    });
}

void DownloadPanel::mnuStop_Click()
{
    ErrorTrap::run(QStringLiteral("mnuStop_Click"), QStringLiteral("Form frmMenu"), [&] {
        for (int row = 0; row < m_records.count(); ++row) {
            DownloadRecord &record = m_records.at(row);
            // A row waiting to try again stops too, and so does an extractor still reading its page.
            if (!isSelected(lvwDownloads, row)
                || (m_records.percent(row) == 0 && record.retryAtMs == 0 && !DownloadStream->IsRunning(record.key)))
                continue;
            cancelFetch(record.key);
            cancelRetry(record);
            closeHandle(record);
            keepPartial(record); // Start continues from its bytes
            m_records.setPercent(row, 0);
            record.bytes = 0;
            record.speed.reset();
            endRow(row, StateStopped, ProgressText::Stopped);
        }
        m_speed.SpeedBaselineReset = true;
    });
}

void DownloadPanel::removeRow(int row)
{
    // Bars go from the highest index down; bar 0 stays.
    if (MainPB.size() > 1) {
        RowProgressBar *bar = MainPB.takeLast();
        bar->hide();
        bar->deleteLater();
    }
    m_records.removeAt(row);
    delete lvwDownloads->takeTopLevelItem(row);
    rowsChanged();
    PutProgressBarInListview();
}

void DownloadPanel::mnuRemoveSelected_Click()
{
    ErrorTrap::run(QStringLiteral("mnuRemoveSelected_Click"), QStringLiteral("Form frmMenu"), [&] {
        for (int row = m_records.count() - 1; row >= 0; --row) {
            if (row >= m_records.count() || !isSelected(lvwDownloads, row))
                continue;
            DownloadRecord &record = m_records.at(row);
            cancelFetch(record.key);
            cancelRetry(record);
            dropPartial(record);
            removeRow(row);
        }
        redrawAllBars();
        m_speed.SpeedBaselineReset = true;
    });
}

void DownloadPanel::mnuRemoveDownError_Click()
{
    ErrorTrap::run(QStringLiteral("mnuRemoveDownError_Click"), QStringLiteral("Form frmMenu"), [&] {
        int removed = 0;
        for (int row = m_records.count() - 1; row >= 0; --row) {
            if (row >= m_records.count())
                continue;
            const int state = m_records.at(row).state;
            if (state != StateDownloaded && state != StateError)
                continue;
            dropPartial(m_records.at(row)); // what a failed row kept
            removeRow(row);
            ++removed;
        }
        redrawAllBars();
        if (removed > 0)
            m_speed.SpeedBaselineReset = true;
    });
}

void DownloadPanel::lvwDownloads_BeforeLabelEdit(int &Cancel)
{
    int row = m_editRow;
    if (row < 0 || row >= m_records.count())
        row = lvwDownloads->indexOfTopLevelItem(lvwDownloads->currentItem());
    if (row >= 0 && m_records.at(row).saving) {
        Cancel = 1; // its name is being given to the file right now
        return;
    }
    EditExtension = row >= 0 ? DownloadNames::EditExtension(m_records.at(row).fileName) : QString();
}

void DownloadPanel::lvwDownloads_AfterLabelEdit(int &Cancel, QString &NewString)
{
    const int row = m_editRow;
    const QString videoId = row >= 0 && row < m_records.count() ? m_records.at(row).videoId : QString();
    const std::optional<QString> renamed = DownloadNames::Renamed(NewString, EditExtension, videoId);
    if (!renamed) {
        Cancel = 1; // blanks only: the old name stays
        return;
    }
    NewString = *renamed;
    if (m_records.hasFileName(NewString)) {
        UiSeam::messageBox(QStringLiteral("There is already a file with this name in the list. ")
                               + QStringLiteral("\r\n\r\n") + QStringLiteral("Renaming has been canceled. "),
                           UiSeam::Exclamation);
        Cancel = 1;
        return;
    }
    if (row < 0 || row >= m_records.count() || m_records.at(row).state == StateDownloaded)
        return; // a written file keeps its name on disk: only the list's text changes
    // A file of that name in the save folder is replaced only when the user says so.
    const QString path = targetPath(NewString);
    FinishedFile::Stamp replaceable;
    if (modFunctions::FileExists(path)) {
        frmMsgBox dialog(window());
        const int answer = UiSeam::showModal(&dialog, [&dialog] { return dialog.Answer(); });
        if (answer == 1) {
            replaceable = FinishedFile::Stamp::of(path);
        } else if (answer == 2) {
            NewString = DownloadNames::UniqueName(savePath(), NewString, [this](const QString &taken) {
                return m_records.hasFileName(QFileInfo(taken).fileName());
            });
        } else {
            Cancel = 1;
            return;
        }
    }
    if (row < m_records.count())
        m_records.at(row).replaceable = replaceable;
}
