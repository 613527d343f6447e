#include "app/frmMain.h"

#include "analysis/PreviewPanel.h"
#include "analysis/VideoPanel.h"
#include "base/AppState.h"
#include "base/ErrorTrap.h"
#include "base/FileHelpers.h"
#include "base/Settings.h"
#include "app/TerminationSignals.h"
#include "app/ClipboardWatch.h"
#include "app/KeyboardCommands.h"
#include "base/UiSeam.h"
#include "dialogs/DesktopSeam.h"
#include "controls/LinkLabel.h"
#include "controls/TrayIcon.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmMenu.h"
#include "queue/DownloadChoice.h"
#include "downloads/DownloadNotifier.h"
#include "downloads/DownloadPanel.h"
#include "queue/EncodingChoice.h"
#include "recipes/PresetChoice.h"
#include "analysis/VideoListPanel.h"
#include "lists/ListChoice.h"
#include "lists/ListDownload.h"
#include "lists/VideoListModel.h"
#include "videoinfo/FormatTable.h"
#include "image/BannerRender.h"
#include "image/MenuIcons.h"
#include "search/SearchPanel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSizeGrip>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

int twipsToPixelsX(const QWidget *w, int twips)
{
    return twips * w->logicalDpiX() / 1440;
}

// A tab's container: an empty page in the window's column that takes the free height.
QWidget *addContainer(QVBoxLayout *column, const QString &name, const QString &tabCaption)
{
    auto *container = new QWidget(column->parentWidget());
    container->setObjectName(name);
    container->setAccessibleName(tabCaption);
    auto *inner = new QVBoxLayout(container);
    inner->setContentsMargins(0, 0, 0, 0);
    column->addWidget(container, 1);
    return container;
}

} // namespace

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(UiSeam::applicationTitle());
    setAccessibleName(UiSeam::applicationTitle());
    UiSeam::setMainWindow(this);

    m_menu = new frmMenu(this);
    frmMenu::setInstance(m_menu);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralArea"));
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 0, 6, 0);
    layout->setSpacing(4);

    picBanner = new QLabel(central);
    picBanner->setObjectName(QStringLiteral("picBanner"));
    picBanner->setAccessibleName(QStringLiteral("Clipvault"));
    picBanner->setFixedHeight(85);
    picBanner->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(picBanner);

    TabStrip = new QTabBar(central);
    TabStrip->setObjectName(QStringLiteral("TabStrip"));
    TabStrip->setAccessibleName(QStringLiteral("Tabs"));
    TabStrip->addTab(QStringLiteral("YouTube"));
    TabStrip->addTab(QStringLiteral("Preview"));
    TabStrip->addTab(QStringLiteral("Search"));
    TabStrip->setExpanding(false);
    TabStrip->setDrawBase(true);
    layout->addWidget(TabStrip);

    // Each tab's panels lie on a container of their own; the tab strip shows one at a time.
    Container1 = addContainer(layout, QStringLiteral("Container1"), QStringLiteral("YouTube"));
    m_video = new VideoPanel(Container1);
    m_downloads = new DownloadPanel(Container1);
    Container1->layout()->addWidget(m_video);
    static_cast<QVBoxLayout *>(Container1->layout())->addWidget(m_downloads, 1);

    Container2 = addContainer(layout, QStringLiteral("Container2"), QStringLiteral("Preview"));
    m_preview = new PreviewPanel(Container2);
    Container2->layout()->addWidget(m_preview);

    Container3 = addContainer(layout, QStringLiteral("Container3"), QStringLiteral("Search"));
    m_search = new SearchPanel(Container3);
    Container3->layout()->addWidget(m_search);
    setCentralWidget(central);

    buildMenus();
    buildStatusBar();
    buildLinkLine();
    setUpExtractor();

    connect(TabStrip, &QTabBar::tabBarClicked, this, [this](int index) {
        // A click on the selected tab changes nothing; clicks on another tab arrive through
        // currentChanged below.
        if (index == TabStrip->currentIndex())
            TabStrip_Click();
    });
    connect(TabStrip, &QTabBar::currentChanged, this, [this] { TabStrip_Click(); });

    connect(m_video, &VideoPanel::requestTab, this, &frmMain::SelectTab);
    connect(m_preview, &PreviewPanel::requestTab, this, &frmMain::SelectTab);
    connect(m_video, &VideoPanel::previewRequested, m_preview, &PreviewPanel::cmdPreview_Click);
    connect(m_video, &VideoPanel::downloadRequested, this, &frmMain::startDownloadFromVideoTab);
    connect(m_video->listPanel, &VideoListPanel::downloadSelected, this, &frmMain::startListDownload);
    connect(m_search, &SearchPanel::loadVideo, this, [this](const QString &address) {
        m_video->loadAddress(address);
        SelectTab(1);
    });
    connect(m_downloads, &DownloadPanel::speedTextChanged, this, &frmMain::showSpeed);
    connect(m_downloads, &DownloadPanel::freeSpaceTextChanged, m_panels[2], &QLabel::setText);
    connect(m_downloads, &DownloadPanel::queueTextChanged, m_panels[3], &QLabel::setText);
    m_panels[3]->setText(m_downloads->queue()->queueText());
    auto *notifier = new DownloadNotifier(this, [this] { return m_tray ? m_tray->systemTrayIcon() : nullptr; }, this);
    connect(m_downloads, &DownloadPanel::downloadEnded, notifier, &DownloadNotifier::downloadEnded);
    connect(m_downloads, &DownloadPanel::downloadEnded, this, &frmMain::downloadsMayBeDone);

    // Ending the session (log-out, shutdown, a plain kill) closes the window without asking: the
    // settings are written and the transfers end as on any other close. The start-up installs the
    // handlers before anything else; a window on its own installs them itself.
    TerminationSignals *sessionEnd = TerminationSignals::installed();
    if (!sessionEnd)
        sessionEnd = new TerminationSignals(this);
    connect(sessionEnd, &TerminationSignals::received, this, &frmMain::EndSession);

    // A link dropped anywhere on the window, the clipboard (when asked), the keyboard.
    setAcceptDrops(true);
    for (QLineEdit *box : findChildren<QLineEdit *>())
        box->installEventFilter(this);
    m_clipboard = new ClipboardWatch(this);
    connect(m_clipboard, &ClipboardWatch::addressCopied, this, &frmMain::LoadAddress);
    m_keys = new KeyboardCommands(m_downloads, m_search, m_menu, this);

    resize(860, 760);
    setMinimumSize(760, 640);
}

frmMain::~frmMain()
{
    // The panels and the tab strip go after this body, as children: nothing they say on the way
    // may reach the part of the window that is already gone.
    for (QObject *part : std::initializer_list<QObject *>{m_video, m_preview, m_search, m_downloads, TabStrip})
        if (part)
            disconnect(part, nullptr, this, nullptr);
    if (frmMenu::instance() == m_menu)
        frmMenu::setInstance(nullptr);
    if (UiSeam::mainWindow() == this)
        UiSeam::setMainWindow(nullptr);
}

void frmMain::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    static const char *names[4] = {"StatusBarVersion", "StatusBarSpeed", "StatusBarFreeSpace", "StatusBarQueue"};
    for (int i = 0; i < 4; ++i) {
        // No accessible name: screen readers say what the panel shows ("Version: 1.0.1").
        auto *panel = new QLabel(bar);
        panel->setObjectName(QString::fromLatin1(names[i]));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
        bar->addWidget(panel, i == 1 ? 1 : 0);
        m_panels[i] = panel;
    }
    bar->installEventFilter(this);
    m_panels[1]->installEventFilter(this); // a click switches between the two speed limits
    m_panels[1]->setCursor(Qt::PointingHandCursor);
    // The status bar's own grip says what it is for.
    if (auto *grip = bar->findChild<QSizeGrip *>())
        grip->setAccessibleName(QStringLiteral("Resize the window"));
}

void frmMain::buildLinkLine()
{
    picHyperLink = new QWidget(this);
    picHyperLink->setObjectName(QStringLiteral("picHyperLink"));
    picHyperLink->setMouseTracking(true);
    picHyperLink->installEventFilter(this);

    lblHyperlink = new LinkLabel(QStringLiteral("Can't play the downloaded videos? - Download VideoLAN Media Player"),
                                 picHyperLink);
    lblHyperlink->setObjectName(QStringLiteral("lblHyperlink"));
    lblHyperlink->setToolTip(MediaPlayerPage());
    lblHyperlink->setMouseTracking(true);
    lblHyperlink->installEventFilter(this);
    connect(lblHyperlink, &LinkLabel::activated, this, &frmMain::lblHyperlink_Click);
    lblHyperlink->adjustSize();

    setMouseTracking(true);
    centralWidget()->setMouseTracking(true);
    centralWidget()->installEventFilter(this);
    // The link line closes the window's content, just above the status bar.
    auto *layout = static_cast<QVBoxLayout *>(centralWidget()->layout());
    layout->addWidget(picHyperLink, 0, Qt::AlignLeft);
}

QLabel *frmMain::statusPanel(int panel) const
{
    return (panel >= 1 && panel <= 4) ? m_panels[panel - 1] : nullptr;
}

QString frmMain::MediaPlayerPage()
{
    return QStringLiteral("http://www.videolan.org/vlc/download-windows.html");
}

void frmMain::Form_Load()
{
    ErrorTrap::run(QStringLiteral("Form_Load"), QStringLiteral("Form frmMain"), [this] {
        // The banner, drawn once over the window's own background so its soft edges blend in.
        picBanner->setPixmap(QPixmap::fromImage(
            RenderProgramImage(101, QSize(595, 85), palette().color(QPalette::Window))));

        // Menu pictures.
        mnuExit->setIcon(MenuIcons::icon(MenuIcons::Exit));
        mnuAbout->setIcon(MenuIcons::icon(MenuIcons::About));

        SelectTab(1);

        AppState::setAppPath(QApplication::applicationDirPath());
        m_panels[0]->setText(QStringLiteral("Version: ") + AppState::VersionString());
        showSpeed(QStringLiteral("Average Download Speed: ") + QLocale().toString(0.0, 'f', 1) + QStringLiteral(" kB/s"));

        QPalette linkPalette = lblHyperlink->palette();
        linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
        lblHyperlink->setPalette(linkPalette);

        const Settings::Folders folders = Settings::Read();
        m_downloads->setSavePath(folders.videoSavePath);
        m_downloads->queue()->readSettings(); // before the rows come back: how many may run at once
        m_downloads->openJournal(); // the list of the last run comes back
        AppState::ImageSavePath() = folders.imageSavePath;

        m_panels[2]->setText(QStringLiteral("Free Disk Space: ")
                             + modFunctions::FreeDiskSpace(m_downloads->savePath()));
        applyPreferences();

        // The program's icon for the window, the task bar and the tray.
        setWindowIcon(QIcon(QPixmap::fromImage(RenderProgramImage(102, QSize(48, 48), Qt::transparent))));
        m_tray = new TrayIcon(this);
        m_tray->add(this, windowIcon(), windowTitle());
    });
    Form_Resize();
}

bool frmMain::Form_QueryUnload()
{
    if (!m_endingSession && m_downloads->anyDownloading()) {
        const int answer = UiSeam::messageBox(QStringLiteral("You are currently downloading a video. ") + QStringLiteral("\r\n\r\n")
                                                  + QStringLiteral("Are you sure you want to close Clipvault?  "),
                                              UiSeam::YesNo | UiSeam::Question);
        if (answer != UiSeam::Yes)
            return false;
    }
    Settings::Write(m_downloads->savePath(), AppState::ImageSavePath());
    if (m_tray)
        m_tray->remove();
    return true;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_unloaded || Form_QueryUnload()) {
        m_unloaded = true;
        event->accept();
        Q_EMIT unloaded();
    } else {
        event->ignore();
    }
}

void frmMain::EndSession()
{
    m_endingSession = true;
    close();
}

void frmMain::mnuExit_Click()
{
    close();
}

void frmMain::mnuAbout_Click()
{
    frmAbout::showFor(this);
}

void frmMain::TabStrip_Click()
{
    const int tab = TabStrip->currentIndex() + 1;
    Container1->setVisible(tab == 1);
    Container2->setVisible(tab == 2);
    Container3->setVisible(tab == 3);
    if (tab == 3)
        m_search->enterTab();
}

void frmMain::SelectTab(int tab)
{
    if (tab < 1 || tab > TabStrip->count())
        return;
    if (TabStrip->currentIndex() == tab - 1)
        TabStrip_Click(); // selecting from code acts like a click, also on the selected tab
    else
        TabStrip->setCurrentIndex(tab - 1);
}

void frmMain::startDownloadFromVideoTab()
{
    if (const std::optional<Recipes::Preset> preset = m_video->selectedPreset()) {
        m_downloads->cmdDownload_Click(Recipes::PresetChoice(*preset, m_video->videoInfo()));
        return;
    }
    DownloadChoice choice;
    const int slot = m_video->selectedFormat();
    const std::optional<VideoEncoding> encoding = m_video->selectedEncoding();
    if (slot >= 0) {
        choice.mediaAddress = m_video->formatLink(slot);
        choice.suffix = m_video->formatSuffix(slot);
        choice.encoding = QString::number(FormatTable::Formats[slot].code);
        if (encoding && encoding->slot == slot && encoding->address == choice.mediaAddress)
            choice.headers = encoding->headers;
        choice.watchPage = m_video->address().trimmed();
    } else if (encoding) {
        // An entry of "Other formats:".
        choice = EncodingChoice::Of(*encoding, m_video->videoInfo().pageAddress);
    }
    choice.videoTitle = m_video->videoTitle();
    choice.videoId = m_video->videoId();
    m_downloads->cmdDownload_Click(choice);
}

void frmMain::startListDownload()
{
    ErrorTrap::run(QStringLiteral("cmdDownloadSelected_Click"), QStringLiteral("Form frmMain"), [this] {
        const VideoListPanel *list = m_video->listPanel;
        const QString folder =
            list->intoListFolder() ? ListChoice::FolderFor(m_downloads->savePath(), list->model()->list().title) : QString();
        ListDownload::Add(*m_downloads->queue(), list->model()->checkedEntries(), list->choice(), folder);
    });
}

void frmMain::lblHyperlink_Click()
{
    UiSeam::shellOpen(MediaPlayerPage());
}

void frmMain::setHyperlinkHover(bool hover)
{
    QFont font = lblHyperlink->font();
    if (font.underline() != hover) {
        font.setUnderline(hover);
        lblHyperlink->setFont(font);
    }
    if (hover)
        lblHyperlink->setCursor(Qt::PointingHandCursor);
    else
        lblHyperlink->unsetCursor();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panels[1] && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        mnuAltSpeedLimit->toggle(); // the speed panel switches between the two limits
        return true;
    }
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove || event->type() == QEvent::Drop) {
        // A text box takes other text as typing, but a link loads; "Video URL:" takes links only.
        if (qobject_cast<QLineEdit *>(watched))
            return handleDrop(event, watched == m_video->txtYouTube);
    }
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        if (watched == lblHyperlink)
            setHyperlinkHover(true);
        else if (watched == picHyperLink || watched == statusBar() || watched == centralWidget())
            setHyperlinkHover(false);
    } else if (event->type() == QEvent::Leave && watched == lblHyperlink) {
        setHyperlinkHover(false);
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        if (!isMinimized())
            m_restoredState = windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
        Form_Resize();
    }
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Resize()
{
    if (isMinimized()) {
        // Hidden, the window lives on as the tray icon; without one it stays a minimised window
        // so that it can never be lost.
        if (m_tray && m_tray->isShown())
            QTimer::singleShot(0, this, [this] {
                if (!isMinimized())
                    return;
                hide();
                // Shown again from the tray, it comes back as it was before.
                setWindowState(m_restoredState);
            });
        return;
    }
    if (!picHyperLink)
        return;
    // The link line is 80 twips wider than its label and as high; the layout keeps it at the
    // bottom edge above the status bar whatever the window's size.
    picHyperLink->raise();
    picHyperLink->setFixedSize(lblHyperlink->width() + twipsToPixelsX(this, 80), lblHyperlink->height());
}

void frmMain::LoadAddress(const QString &address)
{
    SelectTab(1);
    m_video->loadAddress(address);
}

void frmMain::BringToFront()
{
    // As it was before it was minimised: maximised stays maximised.
    if (isMinimized() || !isVisible())
        setWindowState(m_restoredState);
    show();
    raise();
    activateWindow();
}
