// The main window and the Preferences window: opening it, and taking its values when they change.

#include "app/frmMain.h"

#include "analysis/VideoPanel.h"
#include "app/ClipboardWatch.h"
#include "base/FileHelpers.h"
#include "base/Settings.h"
#include "base/SettingsValues.h"
#include "downloads/DownloadPanel.h"
#include "preferences/frmPreferences.h"
#include "transfer/ApplicationProxy.h"
#include "transfer/Downloader.h"

#include <QAction>
#include <QLabel>
#include <QTimer>

void frmMain::mnuPreferences_Click()
{
    frmPreferences *window = frmPreferences::showFor(this, m_extractor, m_downloads->savePath());
    connect(window, &frmPreferences::applied, this, &frmMain::applyPreferences, Qt::UniqueConnection);
    connect(window, &frmPreferences::presetsChanged, m_video, &VideoPanel::reloadPresets, Qt::UniqueConnection);
}

void frmMain::applyPreferences()
{
    const QString folder = Settings::Read().videoSavePath;
    if (folder != m_downloads->savePath()) {
        m_downloads->setSavePath(folder);
        m_panels[2]->setText(QStringLiteral("Free Disk Space: ") + modFunctions::FreeDiskSpace(folder));
    }
    mnuWatchClipboard->setChecked(Settings::WatchClipboard());
    m_clipboard->setEnabled(mnuWatchClipboard->isChecked());
    // Unset, the proxy and the time-out stay the program's own (no proxy; 60 s).
    if (!Settings::Text(QStringLiteral("Proxy")).isEmpty())
        ApplicationProxy::Apply(Settings::ProxySetting());
    if (!Settings::Text(QStringLiteral("IdleTimeout")).isEmpty()) {
        const int idle = Settings::Number(QStringLiteral("IdleTimeout"), 5, 3600, 60) * 1000;
        Downloader::setDefaultIdleTimeout(idle);
        m_downloads->DownloadVid->setIdleTimeout(idle);
    }
}

void frmMain::downloadsMayBeDone()
{
    if (Settings::Text(QStringLiteral("WhenDone")) != QLatin1String("quit") || m_downloads->anyDownloading())
        return;
    // After the row's own handlers; a row started meanwhile keeps the program open.
    QTimer::singleShot(0, this, [this] {
        if (!m_downloads->anyDownloading() && Settings::Text(QStringLiteral("WhenDone")) == QLatin1String("quit"))
            EndSession();
    });
}
