#include "app/KeyboardCommands.h"

#include "base/UiSeam.h"
#include "dialogs/frmMenu.h"
#include "downloads/DownloadPanel.h"
#include "search/SearchPanel.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

KeyboardCommands::KeyboardCommands(DownloadPanel *downloads, SearchPanel *search, frmMenu *menu, QObject *parent)
    : QObject(parent)
    , m_downloads(downloads)
    , m_search(search)
{
    // Shortcuts of the lists themselves: the download list's key handling is hooked (its hook sees
    // key presses first), shortcuts come before any of it.
    for (QAbstractItemView *list : std::initializer_list<QAbstractItemView *>{downloads->lvwDownloads, search->lvwSearch}) {
        auto *popup = new QAction(list);
        popup->setObjectName(QStringLiteral("popupFromKeyboard"));
        popup->setShortcuts({QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)});
        popup->setShortcutContext(Qt::WidgetShortcut);
        list->addAction(popup);
        connect(popup, &QAction::triggered, this, [this, list] { popupAtCurrentRow(list); });
    }
    // The popup's entries carry the keys; the list holds them too, so that they work while it has
    // the focus (the list's own "Remove Selected Videos" handler is already connected).
    for (QAction *action : {menu->mnuRemoveSelected, menu->mnuRename, menu->mnuOpenFolder})
        downloads->lvwDownloads->addAction(action);
    connect(menu->mnuRename, &QAction::triggered, this, &KeyboardCommands::renameCurrentRow);
    connect(menu->mnuOpenFolder, &QAction::triggered, this, &KeyboardCommands::openFolderOfCurrentRow);
}

KeyboardCommands::~KeyboardCommands() = default;

void KeyboardCommands::renameCurrentRow()
{
    if (!m_downloads)
        return;
    QTreeWidget *list = m_downloads->lvwDownloads;
    if (QTreeWidgetItem *item = list->currentItem())
        list->editItem(item, DownloadPanel::ColVideo);
}

void KeyboardCommands::openFolderOfCurrentRow()
{
    if (!m_downloads)
        return;
    QTreeWidget *list = m_downloads->lvwDownloads;
    const int row = list->indexOfTopLevelItem(list->currentItem());
    if (row < 0 || row >= m_downloads->records().count())
        return;
    const DownloadRecord &record = m_downloads->records().at(row);
    const QFileInfo file(QDir(m_downloads->savePath()).filePath(record.fileName));
    if (record.state == StateDownloaded && file.isFile())
        UiSeam::openFolder(file.absolutePath());
}

void KeyboardCommands::popupAtCurrentRow(QAbstractItemView *list)
{
    const QModelIndex current = list->currentIndex();
    if (!current.isValid())
        return;
    list->scrollTo(current);
    const QPoint at = list->visualRect(current).center();
    if (m_downloads && list == m_downloads->lvwDownloads) {
        m_downloads->lvwDownloads_MouseUp(Qt::RightButton, Qt::NoModifier, at.x(), at.y());
    } else if (m_search && list == m_search->lvwSearch) {
        m_search->lvwSearch_MouseDown(2, 0, at.x(), at.y());
        m_search->lvwSearch_MouseUp(2, 0, at.x(), at.y());
    }
}
