// The main window as a desktop program: its menus and their shortcuts, links dropped on it and the
// clipboard watch.

#include "app/frmMain.h"

#include "analysis/VideoPanel.h"
#include "app/ClipboardWatch.h"
#include "base/Settings.h"
#include "base/SettingsValues.h"
#include "base/WebAddress.h"
#include "downloads/DownloadPanel.h"
#include "search/SearchPanel.h"

#include <QAction>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>

namespace {

QAction *addCommand(QMenu *menu, const char *name, const QString &caption, const QKeySequence &key = {})
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    return action;
}

} // namespace

void frmMain::buildMenus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuGoToAddress = addCommand(mnuFile, "mnuGoToAddress", QStringLiteral("Go to Video URL"), QKeySequence(Qt::CTRL | Qt::Key_L));
    mnuGoToSearch = addCommand(mnuFile, "mnuGoToSearch", QStringLiteral("Search Videos"), QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuFile->addSeparator();
    mnuWatchClipboard = addCommand(mnuFile, "mnuWatchClipboard", QStringLiteral("Watch clipboard for video addresses"));
    mnuWatchClipboard->setCheckable(true);
    mnuExtractor = addCommand(mnuFile, "mnuExtractor", QStringLiteral("Extractor..."));
    mnuPreferences = addCommand(mnuFile, "mnuPreferences", QStringLiteral("Preferences..."), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    mnuPreferences->setMenuRole(QAction::PreferencesRole);
    mnuAltSpeedLimit = addCommand(mnuFile, "mnuAltSpeedLimit", QStringLiteral("Use the alternative speed limit"));
    mnuAltSpeedLimit->setCheckable(true);
    mnuFile->addSeparator();
    mnuExit = addCommand(mnuFile, "mnuExit", QStringLiteral("Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(mnuGoToAddress, &QAction::triggered, this, &frmMain::mnuGoToAddress_Click);
    connect(mnuGoToSearch, &QAction::triggered, this, &frmMain::mnuGoToSearch_Click);
    connect(mnuWatchClipboard, &QAction::triggered, this, &frmMain::mnuWatchClipboard_Click);
    connect(mnuExtractor, &QAction::triggered, this, &frmMain::mnuExtractor_Click);
    connect(mnuPreferences, &QAction::triggered, this, &frmMain::mnuPreferences_Click);
    connect(mnuAltSpeedLimit, &QAction::toggled, this, [this](bool on) {
        Settings::SetFlag(QStringLiteral("AltSpeedLimitOn"), on);
        applySpeedLimit();
    });
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);

    mnuAb = menuBar()->addMenu(QStringLiteral("&About"));
    mnuAb->setObjectName(QStringLiteral("mnuAb"));
    mnuAbout = addCommand(mnuAb, "mnuAbout", QStringLiteral("About Clipvault"), QKeySequence(Qt::Key_F1));
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

void frmMain::mnuGoToAddress_Click()
{
    SelectTab(1);
    m_video->txtYouTube->setFocus(Qt::ShortcutFocusReason);
    m_video->txtYouTube->selectAll();
}

void frmMain::mnuGoToSearch_Click()
{
    SelectTab(3); // a visit of the tab starts with an empty box that has the focus
}

void frmMain::mnuWatchClipboard_Click()
{
    const bool on = mnuWatchClipboard->isChecked();
    m_clipboard->setEnabled(on);
    Settings::SetWatchClipboard(on);
}

// Takes a drag that carries a web address (and loads it on the drop); refuses anything else when
// refuseOthers, else leaves it to the widget. True when the event was dealt with here.
bool frmMain::handleDrop(QEvent *event, bool refuseOthers)
{
    auto *drop = static_cast<QDropEvent *>(event);
    const QString address = WebAddress::fromMimeData(drop->mimeData());
    if (address.isEmpty()) {
        if (!refuseOthers)
            return false;
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop) {
        LoadAddress(address);
        activateWindow();
    }
    return true;
}

void frmMain::dragEnterEvent(QDragEnterEvent *event)
{
    handleDrop(event, true);
}

void frmMain::dragMoveEvent(QDragMoveEvent *event)
{
    handleDrop(event, true);
}

void frmMain::dropEvent(QDropEvent *event)
{
    handleDrop(event, true);
}
