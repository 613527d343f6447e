#include "dialogs/frmMenu.h"

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
    // The menu pictures are drawn by the image subsystem; see MenuIcons.
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
