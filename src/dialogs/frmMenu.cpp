#include "dialogs/frmMenu.h"

#include "image/MenuIcons.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QWidget>

namespace {

QPointer<frmMenu> &current()
{
    static QPointer<frmMenu> menu;
    return menu;
}

QAction *addItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void addSeparator(QMenu *menu, const char *name)
{
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

// Puts a picture beside the command at `position` of a popup (separators count as positions);
// false when there is no command there.
bool setMenuItemIcon(QMenu *popup, int position, const QIcon &icon)
{
    if (!popup)
        return false;
    const QList<QAction *> items = popup->actions();
    if (position < 0 || position >= items.size() || items.at(position)->isSeparator())
        return false;
    items.at(position)->setIcon(icon);
    return true;
}

} // namespace

frmMenu::frmMenu(QWidget *owner)
    : QObject(owner)
{
    setObjectName(QStringLiteral("frmMenu"));

    mnuPopup = new QMenu(owner);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuStart = addItem(mnuPopup, "mnuStart", QStringLiteral(" Start Selected Downloads"));
    addSeparator(mnuPopup, "mnuLIne");
    mnuStop = addItem(mnuPopup, "mnuStop", QStringLiteral(" Stop Selected Downloads"));
    addSeparator(mnuPopup, "mnuline1");
    mnuRemoveSelected = addItem(mnuPopup, "mnuRemoveSelected", QStringLiteral(" Remove Selected Videos"));
    addSeparator(mnuPopup, "mnuLine2");
    mnuRemoveDownError = addItem(mnuPopup, "mnuRemoveDownError",
                                 QStringLiteral(" Remove Downloaded and Erroneous Videos"));
    addSeparator(mnuPopup, "mnuLine4");
    mnuRename = addItem(mnuPopup, "mnuRename", QStringLiteral(" Rename Selected Video"));
    mnuOpenFolder = addItem(mnuPopup, "mnuOpenFolder", QStringLiteral(" Open Folder of Downloaded Video"));
    addSeparator(mnuPopup, "mnuLine5");
    mnuMoveUp = addItem(mnuPopup, "mnuMoveUp", QStringLiteral("Move up"));
    mnuMoveDown = addItem(mnuPopup, "mnuMoveDown", QStringLiteral("Move down"));
    mnuStartAll = addItem(mnuPopup, "mnuStartAll", QStringLiteral("Start all"));
    mnuStopAll = addItem(mnuPopup, "mnuStopAll", QStringLiteral("Stop all"));
    addSeparator(mnuPopup, "mnuLine6");
    mnuListRows = addItem(mnuPopup, "mnuListRows", QStringLiteral("Rows in the download list"));
    mnuSimultaneous = addItem(mnuPopup, "mnuSimultaneous", QStringLiteral("Simultaneous downloads"));
    // Only where the list (or the open popup) has the focus: in the rename box these keys edit.
    mnuRemoveSelected->setShortcut(Qt::Key_Delete);
    mnuRename->setShortcut(Qt::Key_F2);
    mnuOpenFolder->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    mnuMoveUp->setShortcut(Qt::CTRL | Qt::Key_Up);
    mnuMoveDown->setShortcut(Qt::CTRL | Qt::Key_Down);
    for (QAction *action : {mnuRemoveSelected, mnuRename, mnuOpenFolder, mnuMoveUp, mnuMoveDown})
        action->setShortcutContext(Qt::WidgetShortcut);

    mnuPopupSearch = new QMenu(owner);
    mnuPopupSearch->setObjectName(QStringLiteral("mnuPopupSearch"));
    mnuCopyUrl = addItem(mnuPopupSearch, "mnuCopyUrl", QStringLiteral("Copy YouTube Video URL to Clipboard"));
    addSeparator(mnuPopupSearch, "mnuLine3");
    mnuSaveImage = addItem(mnuPopupSearch, "mnuSaveImage", QStringLiteral("Save Image to Hard Drive"));

    mnuPopupImageSave = new QMenu(owner);
    mnuPopupImageSave->setObjectName(QStringLiteral("mnuPopupImageSave"));
    mnuPicBoxSave = addItem(mnuPopupImageSave, "mnuPicBoxSave", QStringLiteral("Save Image to Hard Drive"));

    SetIcon();
    if (!current())
        setInstance(this);
}

frmMenu::~frmMenu()
{
    delete mnuPopup;
    delete mnuPopupSearch;
    delete mnuPopupImageSave;
}

void frmMenu::SetIcon()
{
    using MenuIcons::Kind;
    // The thumbnail's own save command shares the picture of the result list's save command.
    const QIcon save = MenuIcons::icon(Kind::SaveImage);
    setMenuItemIcon(mnuPopup, 0, MenuIcons::icon(Kind::Start));
    setMenuItemIcon(mnuPopup, 2, MenuIcons::icon(Kind::Stop));
    setMenuItemIcon(mnuPopup, 4, MenuIcons::icon(Kind::Remove));
    setMenuItemIcon(mnuPopup, 6, MenuIcons::icon(Kind::RemoveFinished));
    mnuStartAll->setIcon(MenuIcons::icon(Kind::Start));
    mnuStopAll->setIcon(MenuIcons::icon(Kind::Stop));
    setMenuItemIcon(mnuPopupSearch, 0, MenuIcons::icon(Kind::CopyLink));
    setMenuItemIcon(mnuPopupSearch, 2, save);
    setMenuItemIcon(mnuPopupImageSave, 0, save);
}

frmMenu *frmMenu::instance()
{
    return current().data();
}

void frmMenu::setInstance(frmMenu *menu)
{
    current() = menu;
}

void frmMenu::popup(QMenu *menu, const QPoint &globalPos)
{
    Q_EMIT aboutToPopup(menu);
    menu->popup(globalPos);
}
