#pragma once

#include <QObject>

class QAction;
class QMenu;
class QWidget;

// The popup menus of the program: the download list's commands, the result list's commands and
// the thumbnail save command. Handlers connect to the actions' triggered signals. The download
// list's keys (Delete, F2, Enter, Ctrl+Up, Ctrl+Down) show in its entries and work where the list
// adds the actions.
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
    QAction *mnuRename = nullptr;     // "Rename Selected Video", F2
    QAction *mnuOpenFolder = nullptr; // "Open Folder of Downloaded Video", Enter
    QAction *mnuMoveUp = nullptr;       // "Move up", Ctrl+Up: the selected rows' turn in the queue
    QAction *mnuMoveDown = nullptr;     // "Move down", Ctrl+Down
    QAction *mnuStartAll = nullptr;     // "Start all"
    QAction *mnuStopAll = nullptr;      // "Stop all"
    QAction *mnuListRows = nullptr;     // "Rows in the download list": the setting, asked for
    QAction *mnuSimultaneous = nullptr; // "Simultaneous downloads": the setting, asked for

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
