// The list's popup commands, clicks on the bars and renaming in place.
#include "downloads/DownloadPanel.h"

#include "base/ErrorTrap.h"
#include "base/FileHelpers.h"
#include "base/UiSeam.h"
#include "dialogs/DesktopSeam.h"
#include "dialogs/frmMsgBox.h"
#include "dialogs/frmMenu.h"
#include "queue/DownloadNames.h"
#include "queue/ProgressText.h"
#include "downloads/RowProgressBar.h"

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

QList<int> DownloadPanel::selectedRows() const
{
    QList<int> rows;
    for (int row = 0; row < lvwDownloads->topLevelItemCount(); ++row)
        if (isSelected(lvwDownloads, row))
            rows.append(row);
    return rows;
}

void DownloadPanel::cmdDownload_Click(const DownloadChoice &choice)
{
    ErrorTrap::run(QStringLiteral("cmdDownload_Click"), QStringLiteral("Form frmMain"), [&] {
        if (!m_queue->mayAdd(choice))
            return;
        QString fileName = DownloadNames::Safe(choice.videoTitle + choice.suffix, choice.videoId, choice.suffix);
        FinishedFile::Stamp replaceable;
        if (modFunctions::FileExists(m_queue->targetPath(fileName))) {
            frmMsgBox dialog(window());
            const int answer = UiSeam::showModal(&dialog, [&dialog] { return dialog.Answer(); });
            if (answer == 2)
                fileName = modFunctions::GetUniqueFileName(savePath(), fileName);
            else if (answer == 1)
                replaceable = FinishedFile::Stamp::of(m_queue->targetPath(fileName)); // that file, as it is now
            else
                return;
        }
        m_queue->add(choice, fileName, replaceable);
    });
}

void DownloadPanel::mnuStart_Click()
{
    ErrorTrap::run(QStringLiteral("mnuStart_Click"), QStringLiteral("Form frmMenu"), [&] {
        const DownloadQueue::Batch batch(*m_queue); // one journal write for all the rows
        // By key: starting a row lets pending events run, and rows may go meanwhile.
        QStringList keys;
        for (const int row : selectedRows())
            keys << m_queue->records().at(row).key;
        for (const QString &key : keys)
            m_queue->start(m_queue->records().indexOf(key));
    });
}

void DownloadPanel::mnuStop_Click()
{
    ErrorTrap::run(QStringLiteral("mnuStop_Click"), QStringLiteral("Form frmMenu"), [&] {
        const DownloadQueue::Batch batch(*m_queue); // one journal write for all the rows
        for (const int row : selectedRows())
            m_queue->stop(row);
        m_queue->settle(true);
    });
}

void DownloadPanel::mnuRemoveSelected_Click()
{
    ErrorTrap::run(QStringLiteral("mnuRemoveSelected_Click"), QStringLiteral("Form frmMenu"), [&] {
        const DownloadQueue::Batch batch(*m_queue); // one journal write for all the rows
        for (int row = m_queue->records().count() - 1; row >= 0; --row) {
            if (row < m_queue->records().count() && isSelected(lvwDownloads, row))
                m_queue->remove(row);
        }
        redrawAllBars();
        m_queue->settle(true);
    });
}

void DownloadPanel::mnuRemoveDownError_Click()
{
    ErrorTrap::run(QStringLiteral("mnuRemoveDownError_Click"), QStringLiteral("Form frmMenu"), [&] {
        const DownloadQueue::Batch batch(*m_queue); // one journal write for all the rows
        int removed = 0;
        for (int row = m_queue->records().count() - 1; row >= 0; --row)
            removed += m_queue->removeIfEnded(row) ? 1 : 0;
        redrawAllBars();
        m_queue->settle(removed > 0);
    });
}

void DownloadPanel::lvwDownloads_BeforeLabelEdit(int &Cancel)
{
    int row = m_editRow;
    if (row < 0 || row >= m_queue->records().count())
        row = lvwDownloads->indexOfTopLevelItem(lvwDownloads->currentItem());
    if (row >= 0 && !m_queue->mayRename(row)) {
        Cancel = 1; // its name is being given to the file right now
        return;
    }
    EditExtension = row >= 0 ? DownloadNames::EditExtension(m_queue->records().at(row).fileName) : QString();
}

void DownloadPanel::lvwDownloads_AfterLabelEdit(int &Cancel, QString &NewString)
{
    const DownloadRecords &records = m_queue->records();
    const int row = m_editRow;
    m_renameReplaces = FinishedFile::Stamp();
    const QString videoId = row >= 0 && row < records.count() ? records.at(row).videoId : QString();
    const std::optional<QString> renamed = DownloadNames::Renamed(NewString, EditExtension, videoId);
    if (!renamed) {
        Cancel = 1; // blanks only: the old name stays
        return;
    }
    NewString = *renamed;
    if (records.hasFileName(NewString)) {
        UiSeam::messageBox(QStringLiteral("There is already a file with this name in the list. ")
                               + QStringLiteral("\r\n\r\n") + QStringLiteral("Renaming has been canceled. "),
                           UiSeam::Exclamation);
        Cancel = 1;
        return;
    }
    if (row < 0 || row >= records.count() || records.at(row).state == StateDownloaded)
        return; // a written file keeps its name on disk: only the list's text changes
    // A file of that name in the save folder is replaced only when the user says so.
    const QString path = m_queue->targetPath(NewString);
    if (!modFunctions::FileExists(path))
        return;
    frmMsgBox dialog(window());
    const int answer = UiSeam::showModal(&dialog, [&dialog] { return dialog.Answer(); });
    if (answer == 1) {
        m_renameReplaces = FinishedFile::Stamp::of(path);
    } else if (answer == 2) {
        NewString = DownloadNames::UniqueName(savePath(), NewString, [&records](const QString &taken) {
            return records.hasFileName(QFileInfo(taken).fileName());
        });
    } else {
        Cancel = 1;
    }
}
