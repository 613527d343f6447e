#pragma once

#include <QMainWindow>
#include <QPointer>

class QLabel;
class QTabBar;
class QAction;
class QMenu;
class ClipboardWatch;
class ExtractorKeeper;
class QTimer;
class DownloadPanel;
class KeyboardCommands;
class PreviewPanel;
class SearchPanel;
class TrayIcon;
class VideoPanel;
class LinkLabel;
class frmAbout;
class frmMenu;

// The main window: the banner, the menus, the three tabs with their containers, the status bar's
// four panels and the link line. Each tab's controls and handlers live in their own panel.
class frmMain final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    void Form_Load();
    // True when the window may close; asks first while a download runs.
    bool Form_QueryUnload();
    // Closes without asking, as when the session ends; the settings are saved as on any close.
    void EndSession();

    void TabStrip_Click();
    void SelectTab(int tab); // 1 "YouTube", 2 "Preview", 3 "Search"; runs TabStrip_Click like a click
    void mnuExit_Click();
    void mnuAbout_Click();
    void mnuGoToAddress_Click();     // Ctrl+L: the cursor in "Video URL:"
    void mnuGoToSearch_Click();      // Ctrl+F: the "Search" tab's box
    void mnuWatchClipboard_Click();  // switches the clipboard watch and stores the choice
    void mnuExtractor_Click();       // the Extractor window
    void mnuPreferences_Click();     // Ctrl+,: the Preferences window
    ExtractorKeeper *extractorKeeper() const { return m_extractor; }
    void lblHyperlink_Click();
    void Form_Resize();

    // Loads an address into "Video URL:" as if pasted, on the "YouTube" tab (command line, a second
    // copy, a drop, the clipboard).
    void LoadAddress(const QString &address);

    // Restores a minimised or hidden window to its state before (normal or maximised) and brings it
    // to the front (a second copy asked).
    void BringToFront();

    VideoPanel *videoPanel() const { return m_video; }
    DownloadPanel *downloadPanel() const { return m_downloads; }
    SearchPanel *searchPanel() const { return m_search; }
    PreviewPanel *previewPanel() const { return m_preview; }
    QTabBar *tabStrip() const { return TabStrip; }
    QLabel *statusPanel(int panel) const; // 1..4: version, average speed, free space, the queue's count

    // The address of the media player's download page that the link line opens.
    static QString MediaPlayerPage();

Q_SIGNALS:
    void unloaded(); // the window really closed

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildMenus();
    void buildStatusBar();
    void buildLinkLine();
    void setUpExtractor();
    void onExtractorRunStarted();
    bool handleDrop(QEvent *event, bool refuseOthers);
    void setHyperlinkHover(bool hover);
    void startDownloadFromVideoTab();
    // The Preferences window's values that act on what runs: the save folder, the clipboard
    // watch, the time-out of transfers (and, once set, the network's).
    void applyPreferences();
    void downloadsMayBeDone(); // quits when asked to once all downloads have finished
    // The limit in force (the alternative one while mnuAltSpeedLimit is checked), for the
    // downloads and as the speed panel says it.
    void applySpeedLimit();
    void showSpeed(const QString &speedText);
    void startListDownload(); // "Download selected" of a list

    QLabel *picBanner = nullptr;
    QTabBar *TabStrip = nullptr;
    QWidget *Container1 = nullptr;
    QWidget *Container2 = nullptr;
    QWidget *Container3 = nullptr;
    QLabel *m_panels[4] = {nullptr, nullptr, nullptr, nullptr};
    QWidget *picHyperLink = nullptr;
    LinkLabel *lblHyperlink = nullptr;
    QMenu *mnuFile = nullptr;
    QAction *mnuGoToAddress = nullptr;
    QAction *mnuGoToSearch = nullptr;
    QAction *mnuWatchClipboard = nullptr;
    QAction *mnuExtractor = nullptr;
    QAction *mnuPreferences = nullptr;
    QAction *mnuAltSpeedLimit = nullptr; // "Use the alternative speed limit"
    QAction *mnuExit = nullptr;
    QMenu *mnuAb = nullptr;
    QAction *mnuAbout = nullptr;

    VideoPanel *m_video = nullptr;
    DownloadPanel *m_downloads = nullptr;
    SearchPanel *m_search = nullptr;
    PreviewPanel *m_preview = nullptr;
    frmMenu *m_menu = nullptr;
    TrayIcon *m_tray = nullptr;
    ClipboardWatch *m_clipboard = nullptr;
    KeyboardCommands *m_keys = nullptr;
    ExtractorKeeper *m_extractor = nullptr;
    QTimer *m_extractorCheck = nullptr; // the daily check, when the user keeps the extractor current
    QString m_speedText; // the list's last average speed
    bool m_unloaded = false;
    bool m_endingSession = false;
    Qt::WindowStates m_restoredState; // the last state that was not minimised
};
