#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

class QWidget;

// The main window's icon in the desktop's notification area: a left click brings the window back
// to its normal state, a right click brings it to the front. Where the desktop has no tray nothing is added and the
// program runs without it.
class TrayIcon final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayIcon)

public:
    explicit TrayIcon(QObject *parent = nullptr);
    ~TrayIcon() override;

    // Whether the desktop offers a notification area.
    static bool available();

    // Shows the icon for window with the given tip (the window's caption when empty) and icon (the
    // window's icon when null). False, with nothing added, where there is no tray.
    bool add(QWidget *window, const QIcon &icon = QIcon(), const QString &tip = QString());
    void remove();
    bool isShown() const { return m_icon != nullptr; }
    QSystemTrayIcon *systemTrayIcon() const { return m_icon; }

    // What a click on the icon does to window: Trigger (left click) restores, shows and activates
    // it; Context (right click) raises and activates it without restoring a minimised window, and
    // shows a hidden one; anything else nothing.
    static void handleActivation(QSystemTrayIcon::ActivationReason reason, QWidget *window);

private:
    QSystemTrayIcon *m_icon = nullptr;
    QPointer<QWidget> m_window;
};
