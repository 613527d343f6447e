#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QSystemTrayIcon;
class QWidget;

// A short message at the tray icon when a download finishes or fails while the window is hidden
// or not the active one: the file's name and the row's caption. Clicking the message opens the
// folder that holds the file. Without a tray icon nothing is shown.
class DownloadNotifier final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadNotifier)

public:
    // tray gives the icon in use now (nullptr while there is none).
    DownloadNotifier(QWidget *window, std::function<QSystemTrayIcon *()> tray, QObject *parent = nullptr);

    // Connected to DownloadPanel::downloadEnded.
    void downloadEnded(const QString &fileName, const QString &caption, const QString &folder, bool ok);

Q_SIGNALS:
    void shown(const QString &title, const QString &message); // after a message was handed to the tray

private:
    void clicked();

    QPointer<QWidget> m_window;
    std::function<QSystemTrayIcon *()> m_tray;
    QPointer<QSystemTrayIcon> m_connected;
    QString m_folder; // of the last message
};
