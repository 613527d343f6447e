#include "downloads/DownloadPanel.h"

#include "base/ErrorTrap.h"
#include "base/FileHelpers.h"
#include "base/Settings.h"
#include "base/UiSeam.h"
#include "controls/SubClass.h"
#include "dialogs/frmMenu.h"
#include "queue/DownloadJournal.h"
#include "queue/JournalWriter.h"
#include "downloads/LabelEditDelegate.h"
#include "queue/ProgressText.h"
#include "downloads/RowProgressBar.h"
#include "extractor/ExtractorDownloads.h"
#include "image/MenuIcons.h"
#include "transfer/Downloader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QThreadPool>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

// Column widths of the design, in twips (15 to a pixel).
constexpr int VideoColumnTwips = 5300;
constexpr int StatusColumnTwips = 3550;

// The figure columns are as wide as their widest usual text or their heading in the list's own
// font, so that all five fit the window's first width.
int figureColumnWidth(const QTreeWidget *list, int column, const QString &widest)
{
    const int margins = 2 * list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 12;
    const int heading = list->header()->fontMetrics().horizontalAdvance(list->headerItem()->text(column));
    return std::max(list->fontMetrics().horizontalAdvance(widest), heading) + margins;
}

// The design's widths suit a small system font. Where the font is wider, the Status column grows
// until a running download's caption fits its bar, and the Video column gives up that room.
std::pair<int, int> videoAndStatusWidths(const QTreeWidget *list)
{
    const int video = VideoColumnTwips / 15;
    const int status = StatusColumnTwips / 15;
    constexpr qint64 MiB = 1024 * 1024;
    const QString running = ProgressText::DownloadingCaption(99 * MiB, 999 * MiB, 100);
    const int caption = list->fontMetrics().horizontalAdvance(running) + 8;
    const int wider = std::clamp(caption - status, 0, video / 4);
    return {video - wider, status + wider};
}

} // namespace

DownloadPanel::DownloadPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DownloadPanel"));

    lblSaveTo = new QLabel(QStringLiteral("Save to:"), this);
    txtSavePath = new QLineEdit(this);
    txtSavePath->setObjectName(QStringLiteral("txtSavePath"));
    lblSaveTo->setBuddy(txtSavePath);
    cmdBrowse = new QPushButton(QStringLiteral("Browse"), this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdOpen = new QPushButton(QStringLiteral("Open"), this);
    cmdOpen->setObjectName(QStringLiteral("cmdOpen"));

    lvwDownloads = new QTreeWidget(this);
    lvwDownloads->setObjectName(QStringLiteral("lvwDownloads"));
    lvwDownloads->setAccessibleName(QStringLiteral("Downloads"));
    lvwDownloads->setColumnCount(5);
    lvwDownloads->setHeaderLabels({QStringLiteral("Video"), QStringLiteral("Status"), QStringLiteral("Size"),
                                   QStringLiteral("Speed"), QStringLiteral("Time left")});
    lvwDownloads->setRootIsDecorated(false);
    lvwDownloads->setUniformRowHeights(true);
    lvwDownloads->setAllColumnsShowFocus(true);
    lvwDownloads->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwDownloads->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwDownloads->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    lvwDownloads->setIconSize(QSize(16, 16));
    const auto [videoWidth, statusWidth] = videoAndStatusWidths(lvwDownloads);
    lvwDownloads->setColumnWidth(ColVideo, videoWidth);
    lvwDownloads->setColumnWidth(ColStatus, statusWidth);
    lvwDownloads->setColumnWidth(ColSize, figureColumnWidth(lvwDownloads, ColSize, ProgressText::SizeText(9999LL << 20)));
    lvwDownloads->setColumnWidth(ColSpeed, figureColumnWidth(lvwDownloads, ColSpeed, ProgressText::RowSpeedText(99999900)));
    lvwDownloads->setColumnWidth(ColTimeLeft,
                                 figureColumnWidth(lvwDownloads, ColTimeLeft, ProgressText::TimeLeftText(99 * 3600 + 59 * 60 + 59)));
    m_editDelegate = new LabelEditDelegate(this);
    lvwDownloads->setItemDelegate(m_editDelegate);
    lvwDownloads->viewport()->installEventFilter(this);

    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(lblSaveTo);
    folderRow->addWidget(txtSavePath, 1);
    folderRow->addWidget(cmdBrowse);
    folderRow->addWidget(cmdOpen);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(folderRow);
    layout->addWidget(lvwDownloads, 1);

    // Bar 0 exists from the start and is hidden while the list is empty.
    auto *bar0 = new RowProgressBar(0, lvwDownloads->viewport());
    connect(bar0, &RowProgressBar::mouseDown, this, &DownloadPanel::MainPB_MouseDown);
    connect(bar0, &RowProgressBar::mouseUp, this, &DownloadPanel::MainPB_MouseUp);
    bar0->hide();
    MainPB.append(bar0);

    Subclass1 = new SubClass(this);
    connect(Subclass1, &SubClass::WndProc, this, &DownloadPanel::Subclass1_WndProc);

    m_queue = new DownloadQueue(this);
    DownloadVid = m_queue->DownloadVid;
    DownloadStream = m_queue->DownloadStream;
    Timer1 = m_queue->Timer1;
    connect(txtSavePath, &QLineEdit::textChanged, m_queue, &DownloadQueue::setSavePath);
    connect(m_queue, &DownloadQueue::rowInserted, this, &DownloadPanel::rowInserted);
    connect(m_queue, &DownloadQueue::rowChanged, this, &DownloadPanel::rowChanged);
    connect(m_queue, &DownloadQueue::rowRemoved, this, &DownloadPanel::rowRemoved);
    connect(m_queue, &DownloadQueue::rowMoved, this, &DownloadPanel::rowMoved);
    connect(m_queue, &DownloadQueue::queueTextChanged, this, &DownloadPanel::queueTextChanged);
    connect(m_queue, &DownloadQueue::figuresChanged, this, &DownloadPanel::showFigures);
    connect(m_queue, &DownloadQueue::speedTextChanged, this, &DownloadPanel::speedTextChanged);
    connect(m_queue, &DownloadQueue::freeSpaceTextChanged, this, &DownloadPanel::freeSpaceTextChanged);
    connect(m_queue, &DownloadQueue::downloadEnded, this, &DownloadPanel::downloadEnded);

    connect(cmdBrowse, &QPushButton::clicked, this, &DownloadPanel::cmdBrowse_Click);
    connect(cmdOpen, &QPushButton::clicked, this, &DownloadPanel::cmdOpen_Click);

    attachMenu(frmMenu::instance());
}

DownloadPanel::~DownloadPanel()
{
    // A list that is going tells no one: whoever listened (the window, its tray) may be going too.
    disconnect(this, &DownloadPanel::speedTextChanged, nullptr, nullptr);
    disconnect(this, &DownloadPanel::freeSpaceTextChanged, nullptr, nullptr);
    disconnect(this, &DownloadPanel::queueTextChanged, nullptr, nullptr);
    disconnect(this, &DownloadPanel::downloadEnded, nullptr, nullptr);
    // The core goes before the hook and the list; neither may call back into a panel that is
    // half gone. It finishes what is being put in place and keeps the partial files.
    m_editDelegate->detach();
    Subclass1->sethWnd(nullptr);
    disconnect(Subclass1, nullptr, this, nullptr);
    disconnect(m_queue, nullptr, this, nullptr);
    delete m_queue;
    m_queue = nullptr;
}

void DownloadPanel::attachMenu(frmMenu *menu)
{
    if (!menu || menu == m_menu)
        return;
    if (m_menu) {
        disconnect(m_menu, nullptr, this, nullptr);
        for (QAction *action : {m_menu->mnuMoveUp, m_menu->mnuMoveDown})
            lvwDownloads->removeAction(action);
    }
    m_menu = menu;
    connect(menu->mnuStart, &QAction::triggered, this, &DownloadPanel::mnuStart_Click);
    connect(menu->mnuStop, &QAction::triggered, this, &DownloadPanel::mnuStop_Click);
    connect(menu->mnuRemoveSelected, &QAction::triggered, this, &DownloadPanel::mnuRemoveSelected_Click);
    connect(menu->mnuRemoveDownError, &QAction::triggered, this, &DownloadPanel::mnuRemoveDownError_Click);
    connect(menu->mnuMoveUp, &QAction::triggered, this, &DownloadPanel::mnuMoveUp_Click);
    connect(menu->mnuMoveDown, &QAction::triggered, this, &DownloadPanel::mnuMoveDown_Click);
    connect(menu->mnuStartAll, &QAction::triggered, this, &DownloadPanel::mnuStartAll_Click);
    connect(menu->mnuStopAll, &QAction::triggered, this, &DownloadPanel::mnuStopAll_Click);
    connect(menu->mnuListRows, &QAction::triggered, this, &DownloadPanel::mnuListRows_Click);
    connect(menu->mnuSimultaneous, &QAction::triggered, this, &DownloadPanel::mnuSimultaneous_Click);
    // Their keys work while the list has the focus.
    for (QAction *action : {menu->mnuMoveUp, menu->mnuMoveDown})
        lvwDownloads->addAction(action);
}

QString DownloadPanel::savePath() const
{
    return txtSavePath->text();
}

void DownloadPanel::setSavePath(const QString &path)
{
    txtSavePath->setText(path);
    m_queue->setSavePath(path);
}

void DownloadPanel::rowInserted(int row)
{
    const DownloadRecord &record = m_queue->records().at(row);
    auto *item = new QTreeWidgetItem;
    item->setText(ColVideo, record.fileName);
    item->setIcon(ColVideo, MenuIcons::stateIcon(record.state));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    item->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(ColSpeed, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(ColTimeLeft, Qt::AlignRight | Qt::AlignVCenter);
    lvwDownloads->insertTopLevelItem(row, item);
    PutProgressBarInListview();
}

void DownloadPanel::rowChanged(int row)
{
    if (row < 0 || row >= m_queue->records().count())
        return;
    const DownloadRecord &record = m_queue->records().at(row);
    if (QTreeWidgetItem *item = lvwDownloads->topLevelItem(row)) {
        if (item->text(ColVideo) != record.fileName)
            item->setText(ColVideo, record.fileName);
        item->setIcon(ColVideo, MenuIcons::stateIcon(record.state));
    }
    qint64 value = m_queue->records().percent(row);
    UpdateProgbar(row, record.caption, 100, value);
}

void DownloadPanel::rowRemoved(int row)
{
    // Bars go from the highest index down; bar 0 stays.
    if (MainPB.size() > 1) {
        RowProgressBar *bar = MainPB.takeLast();
        bar->hide();
        bar->deleteLater();
    }
    delete lvwDownloads->takeTopLevelItem(row);
    PutProgressBarInListview();
}

void DownloadPanel::showFigures(int row, const QString &size, const QString &speed, const QString &timeLeft)
{
    QTreeWidgetItem *item = lvwDownloads->topLevelItem(row);
    if (!item)
        return;
    const std::pair<int, const QString &> cells[] = {{ColSize, size}, {ColSpeed, speed}, {ColTimeLeft, timeLeft}};
    for (const auto &[column, text] : cells)
        if (item->text(column) != text)
            item->setText(column, text);
}

void DownloadPanel::setRowFileName(int row, const QString &name)
{
    m_queue->rename(row, name, std::exchange(m_renameReplaces, FinishedFile::Stamp()));
}

void DownloadPanel::DownloadVid_Progress(const QString &URL, const QString &Key, qint64 BytesDone, qint64 BytesTotal,
                                         int Status)
{
    m_queue->onProgress(URL, Key, BytesDone, BytesTotal, Status);
}

void DownloadPanel::DownloadVid_Complete(const QString &URL, const QByteArray &data, const QString &Key,
                                         const TransferResult &result)
{
    m_queue->onComplete(URL, data, Key, result);
}

void DownloadPanel::DownloadVid_Answered(const QString &URL, const QString &Key, const TransferAnswer &answer)
{
    m_queue->onAnswered(URL, Key, answer);
}

bool DownloadPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lvwDownloads->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint at = mouse->position().toPoint();
        lvwDownloads_MouseUp(mouse->button(), mouse->modifiers(), at.x(), at.y());
    }
    return QWidget::eventFilter(watched, event);
}

void DownloadPanel::Subclass1_WndProc(long &Msg, long &wParam, long &lParam, long &Result)
{
    bool moveBars = false;
    switch (Msg) {
    case SubClass::WM_NOTIFY:
        moveBars = lParam == SubClass::HDN_ITEMCHANGINGW || lParam == SubClass::HDN_ITEMCHANGEDA;
        break;
    case SubClass::WM_KEYDOWN:
        moveBars = wParam >= 33 && wParam <= 40;
        break;
    case SubClass::WM_HSCROLL:
    case SubClass::WM_VSCROLL:
        moveBars = true;
        break;
    default:
        break;
    }
    // The list does its own work first; the bars follow what it did.
    Result = Subclass1->CallWndProc(Msg, wParam, lParam);
    if (moveBars)
        PositionProgressBars();
}

void DownloadPanel::cmdBrowse_Click()
{
    ErrorTrap::run(QStringLiteral("cmdBrowse_Click"), QStringLiteral("Form frmMain"), [&] {
        QString path = UiSeam::browseForFolder(QStringLiteral("Select folder to save the videos to:"), this);
        if (path.isEmpty())
            return;
        path = modFunctions::WithSeparator(path);
        QString probe = path;
        if (!modFunctions::IsDriveTypeValid(path) || !modFunctions::FolderExists(probe)) {
            UiSeam::messageBox(QStringLiteral("Sorry, but you can only select a folder on a fixed drive. "),
                               UiSeam::Exclamation);
            return;
        }
        setSavePath(path);
        Settings::WriteValue(QStringLiteral("VideoSavePath"), path);
        Q_EMIT freeSpaceTextChanged(QStringLiteral("Free Disk Space: ") + modFunctions::FreeDiskSpace(path));
    });
}

void DownloadPanel::cmdOpen_Click()
{
    ErrorTrap::run(QStringLiteral("cmdOpen_Click"), QStringLiteral("Form frmMain"), [&] {
        QString folder = savePath();
        if (modFunctions::FolderExists(folder)) {
            UiSeam::openFolder(folder);
            return;
        }
        UiSeam::messageBox(QStringLiteral("The folder does not exist. ") + QStringLiteral("\r\n")
                               + QStringLiteral("Please specify an existing folder. "),
                           UiSeam::Exclamation);
    });
}
