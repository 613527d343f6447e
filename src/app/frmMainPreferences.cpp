// The main window and the Preferences window: opening it, and taking its values when they change.

#include "app/frmMain.h"

#include "analysis/VideoPanel.h"
#include "app/ClipboardWatch.h"
#include "base/FileHelpers.h"
#include "base/Settings.h"
#include "base/SettingsValues.h"
#include "downloads/DownloadPanel.h"
#include "queue/DownloadQueue.h"
#include "preferences/frmPreferences.h"
#include "transfer/ApplicationProxy.h"
#include "transfer/Downloader.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
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
    m_downloads->queue()->readSettings(); // the list's limits
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
    applySpeedLimit();
}

void frmMain::applySpeedLimit()
{
    const bool alternative = Settings::Flag(QStringLiteral("AltSpeedLimitOn"), false);
    const int limit = Settings::Number(alternative ? QStringLiteral("AltSpeedLimit") : QStringLiteral("SpeedLimit"), 0,
                                       Settings::MaxSpeedLimit, 0);
    m_downloads->queue()->setSpeedLimit(qint64(limit) * 1000); // kB as the speed panel counts them
    const QSignalBlocker quiet(mnuAltSpeedLimit);
    mnuAltSpeedLimit->setChecked(alternative);
    showSpeed(m_speedText);
}

void frmMain::showSpeed(const QString &speedText)
{
    m_speedText = speedText;
    const bool alternative = mnuAltSpeedLimit->isChecked();
    const qint64 limit = m_downloads->queue()->speedLimit() / 1000;
    QString text = speedText;
    const QString amount = limit > 0 ? QLocale().toString(limit) + QStringLiteral(" kB/s") : QStringLiteral("none");
    if (alternative)
        text += QStringLiteral(" (alternative limit: %1)").arg(amount);
    else if (limit > 0)
        text += QStringLiteral(" (limit: %1)").arg(amount);
    m_panels[1]->setText(text);
    m_panels[1]->setToolTip(alternative ? QStringLiteral("Click to use the speed limit")
                                        : QStringLiteral("Click to use the alternative speed limit"));
}

void frmMain::downloadsMayBeDone()
{
    // After the row's own handlers, which may start the next row.
    QTimer::singleShot(0, this, [this] {
        if (!m_downloads->anyDownloading() && m_downloads->queue()->queuedCount() == 0 && Settings::Text(QStringLiteral("WhenDone")) == QLatin1String("quit"))
            EndSession();
    });
}
