#include "controls/TrayIcon.h"

#include <QWidget>

TrayIcon::TrayIcon(QObject *parent)
    : QObject(parent)
{
}

TrayIcon::~TrayIcon()
{
    remove();
}

bool TrayIcon::available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TrayIcon::add(QWidget *window, const QIcon &icon, const QString &tip)
{
    remove();
    if (!window || !available())
        return false;
    m_window = window;
    m_icon = new QSystemTrayIcon(icon.isNull() ? window->windowIcon() : icon, this);
    m_icon->setObjectName(QStringLiteral("modSystray"));
    m_icon->setToolTip(tip.isEmpty() ? window->windowTitle() : tip);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        handleActivation(reason, m_window);
    });
    m_icon->show();
    return true;
}

void TrayIcon::remove()
{
    if (!m_icon)
        return;
    m_icon->hide();
    delete m_icon;
    m_icon = nullptr;
    m_window = nullptr;
}

void TrayIcon::handleActivation(QSystemTrayIcon::ActivationReason reason, QWidget *window)
{
    if (!window)
        return;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        window->showNormal();
        window->show();
        window->raise();
        window->activateWindow();
        break;
    case QSystemTrayIcon::Context:
        // A window hidden into the tray would stay out of sight: show it as it was.
        if (!window->isVisible()) {
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
            window->show();
        }
        window->raise();
        window->activateWindow();
        break;
    default:
        break;
    }
}
