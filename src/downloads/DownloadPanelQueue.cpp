// The list's queue as the user works it: the order of the rows, Start all and Stop all, and the
// two limits asked for from the popup menu.
#include "downloads/DownloadPanel.h"

#include "base/ErrorTrap.h"
#include "base/Settings.h"
#include "base/UiSeam.h"

#include <QTreeWidget>

void DownloadPanel::rowMoved(int from, int to)
{
    // The item goes with its row (its name, icon and figures); the bars stay with the places.
    const bool selected = lvwDownloads->topLevelItem(from) && lvwDownloads->topLevelItem(from)->isSelected();
    const bool current = lvwDownloads->currentItem() == lvwDownloads->topLevelItem(from);
    QTreeWidgetItem *item = lvwDownloads->takeTopLevelItem(from);
    if (!item)
        return;
    lvwDownloads->insertTopLevelItem(to, item);
    if (current)
        lvwDownloads->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    item->setSelected(selected);
    rowChanged(from);
    rowChanged(to);
}

void DownloadPanel::mnuMoveUp_Click()
{
    ErrorTrap::run(QStringLiteral("mnuMoveUp_Click"), QStringLiteral("Form frmMenu"), [&] {
        const DownloadQueue::Batch batch(*m_queue);
        // Top down, each selected row past an unselected one: a selected block keeps its shape.
        for (int row = 1; row < lvwDownloads->topLevelItemCount(); ++row)
            if (lvwDownloads->topLevelItem(row)->isSelected() && !lvwDownloads->topLevelItem(row - 1)->isSelected())
                m_queue->moveUp(row);
    });
}

void DownloadPanel::mnuMoveDown_Click()
{
    ErrorTrap::run(QStringLiteral("mnuMoveDown_Click"), QStringLiteral("Form frmMenu"), [&] {
        const DownloadQueue::Batch batch(*m_queue);
        for (int row = lvwDownloads->topLevelItemCount() - 2; row >= 0; --row)
            if (lvwDownloads->topLevelItem(row)->isSelected() && !lvwDownloads->topLevelItem(row + 1)->isSelected())
                m_queue->moveDown(row);
    });
}

void DownloadPanel::mnuStartAll_Click()
{
    ErrorTrap::run(QStringLiteral("mnuStartAll_Click"), QStringLiteral("Form frmMenu"), [&] { m_queue->startAll(); });
}

void DownloadPanel::mnuStopAll_Click()
{
    ErrorTrap::run(QStringLiteral("mnuStopAll_Click"), QStringLiteral("Form frmMenu"), [&] { m_queue->stopAll(); });
}

void DownloadPanel::mnuListRows_Click()
{
    ErrorTrap::run(QStringLiteral("mnuListRows_Click"), QStringLiteral("Form frmMenu"), [&] {
        const std::optional<int> rows = UiSeam::askInteger(
            QStringLiteral("Rows in the download list"),
            QStringLiteral("How many rows the download list holds (%1 to %2):")
                .arg(Settings::DefaultListRows)
                .arg(Settings::MostListRows),
            m_queue->listRows(), Settings::DefaultListRows, Settings::MostListRows, window());
        if (!rows)
            return;
        Settings::SetListRows(*rows);
        m_queue->readSettings();
    });
}

void DownloadPanel::mnuSimultaneous_Click()
{
    ErrorTrap::run(QStringLiteral("mnuSimultaneous_Click"), QStringLiteral("Form frmMenu"), [&] {
        const std::optional<int> count = UiSeam::askInteger(
            QStringLiteral("Simultaneous downloads"),
            QStringLiteral("How many rows download at once (1 to %1; 0: all rows at once):")
                .arg(Settings::MostSimultaneousDownloads),
            m_queue->simultaneousDownloads(), 0, Settings::MostSimultaneousDownloads, window());
        if (!count)
            return;
        Settings::SetSimultaneousDownloads(*count);
        m_queue->readSettings();
    });
}
