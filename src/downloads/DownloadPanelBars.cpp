// The bars laid over the rows' "Status" cells: creation, placement and drawing.
#include "downloads/DownloadPanel.h"

#include "controls/SubClass.h"
#include "downloads/RowProgressBar.h"

#include <QCoreApplication>
#include <QTreeWidget>

void DownloadPanel::PutProgressBarInListview()
{
    const int rows = lvwDownloads->topLevelItemCount();
    for (int k = 0; k < rows; ++k) {
        if (k <= MainPB.size() - 1)
            continue;
        // A child of the list's viewport: drawn inside the list and clipped by it. It does not
        // follow the rows by itself, which is why the bars are placed again after every scroll.
        auto *bar = new RowProgressBar(k, lvwDownloads->viewport());
        connect(bar, &RowProgressBar::mouseDown, this, &DownloadPanel::MainPB_MouseDown);
        connect(bar, &RowProgressBar::mouseUp, this, &DownloadPanel::MainPB_MouseUp);
        MainPB.append(bar);
    }
    PositionProgressBars();
    // Pending events run now, so transfers and timer ticks may be handled in the middle of a
    // caller that adds or removes rows; their handlers find rows by key.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    Subclass1->sethWnd(lvwDownloads);
    Subclass1->setMessages(SubClass::WM_HSCROLL, true);
    Subclass1->setMessages(SubClass::WM_VSCROLL, true);
    Subclass1->setMessages(SubClass::WM_KEYDOWN, true);
    Subclass1->setMessages(SubClass::WM_NOTIFY, true);
}

void DownloadPanel::PositionProgressBars()
{
    const int rows = lvwDownloads->topLevelItemCount();
    for (int k = 0; k < MainPB.size(); ++k) {
        RowProgressBar *bar = MainPB[k];
        const QRect cell = k < rows ? lvwDownloads->visualRect(lvwDownloads->model()->index(k, ColStatus))
                                    : QRect();
        if (!cell.isValid()) {
            bar->hide();
            continue;
        }
        // A margin of one pixel above and below centres the bar in the cell.
        bar->setGeometry(cell.left() - 1, cell.top() + 1, cell.width(), cell.height() - 2);
        // A row scrolled up behind the column headers hides its bar.
        bar->setVisible(cell.top() >= 0);
    }
}

void DownloadPanel::UpdateProgbar(int Index, const QString &Caption, qint64 Max, qint64 &Value)
{
    if (Index < 0 || Index >= MainPB.size() || Value > Max)
        return;
    MainPB[Index]->draw(Caption, Max, Value);
    // The bar lies over the cell and is not part of the list's accessible table: the cell itself
    // carries what the bar shows, for screen readers.
    if (QTreeWidgetItem *item = lvwDownloads->topLevelItem(Index))
        item->setText(ColStatus, Caption);
}

void DownloadPanel::redrawAllBars()
{
    const DownloadRecords &records = m_queue->records();
    for (int row = 0; row < records.count(); ++row) {
        qint64 value = records.percent(row);
        UpdateProgbar(row, records.at(row).caption, 100, value);
    }
}
