#pragma once

#include <QObject>

class QAction;
class QMenu;
class QWidget;

// The popup menus of the program: the download list's commands, the result list's commands and
// the thumbnail save command. Handlers connect to the actions' triggered signals.
class frmMenu final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMenu)

public:
    explicit frmMenu(QWidget *owner);
    ~frmMenu() override;

    QMenu *mnuPopup = nullptr;
    QAction *mnuStart = nullptr;
    QAction *mnuStop = nullptr;
    QAction *mnuRemoveSelected = nullptr;
    QAction *mnuRemoveDownError = nullptr;

    QMenu *mnuPopupSearch = nullptr;
    QAction *mnuCopyUrl = nullptr;
    QAction *mnuSaveImage = nullptr;

    QMenu *mnuPopupImageSave = nullptr;
    QAction *mnuPicBoxSave = nullptr;

    // Gives the commands their pictures.
    void SetIcon();

    // The form is loaded once; every part of the program reaches the same menus.
    static frmMenu *instance();
    static void setInstance(frmMenu *menu);

Q_SIGNALS:
    // Emitted just before a popup menu is shown, with the menu.
    void aboutToPopup(QMenu *menu);

public:
    // Shows menu at the global position (non-blocking).
    void popup(QMenu *menu, const QPoint &globalPos);
};
