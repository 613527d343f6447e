#include "downloads/DownloadNotifier.h"

#include "base/SettingsValues.h"

#include "base/UiSeam.h"

#include <QSystemTrayIcon>
#include <QWidget>

DownloadNotifier::DownloadNotifier(QWidget *window, std::function<QSystemTrayIcon *()> tray, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_tray(std::move(tray))
{
}

void DownloadNotifier::downloadEnded(const QString &fileName, const QString &caption, const QString &folder, bool ok)
{
    // The user sees the list already, or wants no messages (Preferences, General).
    if (m_window && m_window->isVisible() && !m_window->isMinimized() && m_window->isActiveWindow())
        return;
    if (!Settings::Flag(QStringLiteral("Notifications"), true))
        return;
    QSystemTrayIcon *icon = m_tray ? m_tray() : nullptr;
    if (!icon)
        return;
    if (m_connected != icon) {
        if (m_connected)
            disconnect(m_connected, nullptr, this, nullptr);
        connect(icon, &QSystemTrayIcon::messageClicked, this, &DownloadNotifier::clicked);
        m_connected = icon;
    }
    m_folder = folder;
    icon->showMessage(fileName, caption, ok ? QSystemTrayIcon::Information : QSystemTrayIcon::Warning);
    Q_EMIT shown(fileName, caption);
}

void DownloadNotifier::clicked()
{
    if (!m_folder.isEmpty())
        UiSeam::openFolder(m_folder);
}
