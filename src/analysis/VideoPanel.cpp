#include "analysis/VideoPanel.h"

#include "pages/ExtractorLookup.h"
#include "videoinfo/PageText.h"
#include "analysis/ThumbnailBox.h"
#include "analysis/VideoListPanel.h"
#include "pages/WatchAddress.h"
#include "pages/WatchPageInfo.h"
#include "controls/ucFormattedLabel.h"
#include "base/ErrorTrap.h"
#include "base/UiSeam.h"
#include "dialogs/frmMenu.h"
#include "image/PictureFromBytes.h"
#include "image/modJPG.h"
#include "transfer/Downloader.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include <utility>

namespace {

const QString Form = QStringLiteral("Form frmMain");
const QString Module = QStringLiteral("Module modFunctions");
const QString EmptyDescription = QStringLiteral("<b>Description:</b>");
const QString PageWaiting = QStringLiteral(" - Downloading information from YouTube. Please wait...");
const QString ExtractorWaiting = QStringLiteral(" - Reading the page with the video extractor. Please wait...");

Downloader *newDownloader(QObject *owner, const QString &name)
{
    auto *downloader = new Downloader(owner);
    downloader->setObjectName(name);
    return downloader;
}

} // namespace

VideoPanel::VideoPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("VideoPanel"));
    DownloadPage = newDownloader(this, QStringLiteral("DownloadPage"));
    DownloadPicTitle = newDownloader(this, QStringLiteral("DownloadPicTitle"));
    for (int index = 0; index < 6; ++index)
        DownloadRelated[index] = newDownloader(this, QStringLiteral("DownloadRelated_%1").arg(index));
    m_lookup = new ExtractorLookup(this);
    // Bodies kept in memory get a size cap and an overall deadline.
    DownloadPage->setMemoryLimits(Downloader::PageLimits);
    DownloadPicTitle->setMemoryLimits(Downloader::PictureLimits);
    for (Downloader *related : DownloadRelated)
        related->setMemoryLimits(Downloader::PictureLimits);

    setupUi();
    reloadPresets();
    setDescriptionCaption(EmptyDescription);
    cmdDownload->setEnabled(false);
    cmdPreview->setEnabled(false);

    connect(txtYouTube, &QLineEdit::textChanged, this, &VideoPanel::txtYouTube_Change);
    connect(txtYouTube, &QLineEdit::returnPressed, this, [this] {
        int key = 13;
        txtYouTube_KeyPress(key);
    });
    connect(cmdDownload, &QPushButton::clicked, this, &VideoPanel::downloadRequested);
    connect(cmdPreview, &QPushButton::clicked, this, &VideoPanel::cmdPreview_Click);
    connect(lstOtherFormats, &QListWidget::itemSelectionChanged, this, &VideoPanel::otherFormatChosen);
    for (QRadioButton *option : OptVideoType) {
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                lstOtherFormats->clearSelection(); // one choice at a time
        });
    }
    connect(m_lookup, &ExtractorLookup::started, this, [this] { setWaitingCaption(true, ExtractorWaiting); });
    connect(m_lookup, &ExtractorLookup::found, this, &VideoPanel::showExtractorVideo);
    connect(m_lookup, &ExtractorLookup::listFound, this, &VideoPanel::showExtractorList);
    connect(m_lookup, &ExtractorLookup::failed, this, &VideoPanel::extractorFailed);

    connect(DownloadPage, &Downloader::Complete, this, &VideoPanel::DownloadPage_Complete);
    connect(DownloadPicTitle, &Downloader::Complete, this, &VideoPanel::DownloadPicTitle_Complete);
    for (int index = 0; index < 6; ++index) {
        connect(DownloadRelated[index], &Downloader::Complete, this,
                [this, index](const QString &URL, const QByteArray &data, const QString &Key,
                              const TransferResult &result) {
                    DownloadRelated_Complete(index, URL, data, Key, result);
                });
        connect(picRelated[index], &ThumbnailBox::mouseDown, this,
                [this, index](Qt::MouseButton button) { picRelated_MouseDown(index, button); });
        connect(picRelated[index], &ThumbnailBox::mouseUp, this,
                [this, index](Qt::MouseButton button, const QPoint &globalPos) {
                    picRelated_MouseUp(index, button, globalPos);
                });
    }
    connect(picTitle, &ThumbnailBox::mouseDown, this, &VideoPanel::picTitle_MouseDown);
    connect(picTitle, &ThumbnailBox::mouseUp, this, &VideoPanel::picTitle_MouseUp);
    if (frmMenu *menu = frmMenu::instance())
        connect(menu->mnuPicBoxSave, &QAction::triggered, this, &VideoPanel::mnuPicBoxSave_Click,
                Qt::UniqueConnection);
}

VideoPanel::~VideoPanel() = default;

void VideoPanel::loadAddress(const QString &address)
{
    txtYouTube->setText(address);
}

QString VideoPanel::address() const
{
    return txtYouTube->text();
}

int VideoPanel::selectedFormat() const
{
    for (int slot = 0; slot < FormatTable::Count; ++slot) {
        if (OptVideoType[slot]->isChecked())
            return slot;
    }
    return -1;
}

QString VideoPanel::formatLink(int slot) const
{
    return slot >= 0 && slot < FormatTable::Count ? FormatLinks[slot] : QString();
}

QString VideoPanel::formatSuffix(int slot)
{
    return FormatTable::Suffix(slot);
}

void VideoPanel::setDescriptionCaption(const QString &caption)
{
    lblDescription->setCaption(caption);
}

void VideoPanel::setWaitingCaption(bool waiting, const QString &text)
{
    const QString title = UiSeam::applicationTitle();
    window()->setWindowTitle(waiting ? title + (text.isEmpty() ? PageWaiting : text) : title);
}

void VideoPanel::cancelTransfers()
{
    if (!m_pageKey.isEmpty())
        DownloadPage->CancelDownload(std::exchange(m_pageKey, QString()));
    if (!m_titleThumbnailKey.isEmpty())
        DownloadPicTitle->CancelDownload(std::exchange(m_titleThumbnailKey, QString()));
    for (int index = 0; index < 6; ++index) {
        if (!m_relatedThumbnailKeys[index].isEmpty())
            DownloadRelated[index]->CancelDownload(std::exchange(m_relatedThumbnailKeys[index], QString()));
    }
}

void VideoPanel::txtYouTube_Change()
{
    ErrorTrap::run(QStringLiteral("txtYouTube_Change"), Form, [this] {
        ++m_addressGeneration;
        const bool wasWaiting = !m_pageKey.isEmpty() || m_lookup->isAsking();
        cancelTransfers();
        // The kept links stay: they are reachable again only through buttons a page enables.
        for (QRadioButton *option : OptVideoType)
            option->setEnabled(false);
        picTitle->setPicture(QImage());
        for (QLabel *label : {lblTitle, lblAuthor, lblPublished, lblDuration, lblRating, lblViews})
            label->clear();
        setDescriptionCaption(EmptyDescription);
        cmdDownload->setEnabled(false);
        cmdPreview->setEnabled(false);
        lstOtherFormats->clear();
        lstOtherFormats->setEnabled(false);
        cboPreset->setEnabled(false);
        lblSubtitles->clear();
        lblSubtitles->setAccessibleName(QStringLiteral("Subtitles"));
        stkVideoOrList->setCurrentIndex(0);
        listPanel->clear();

        const QString text = txtYouTube->text();
        if (!WatchAddress::IsWatchAddress(text)) {
            if (wasWaiting) // the page it waited for will not come
                setWaitingCaption(false);
            m_lookup->addressChanged(text, m_enterPressed); // ends what the extractor was asked before
            return;
        }
        m_lookup->cancel();
        setWaitingCaption(true);
        m_pageKey = text;
        DownloadPage->Start(text, Downloader::ForceUpdate); // as typed: blanks and case kept
    });
}

void VideoPanel::txtYouTube_KeyPress(int &KeyAscii)
{
    if (KeyAscii != 13)
        return;
    m_enterPressed = true; // the extractor is asked at once
    txtYouTube_Change();
    m_enterPressed = false;
    KeyAscii = 0;
}

void VideoPanel::cmdPreview_Click()
{
    Q_EMIT previewRequested(txtYouTube->text());
}

bool VideoPanel::GetURLs(const WatchPageReading &reading)
{
    for (const VideoEncoding &encoding : reading.info.encodings) {
        FormatLinks[encoding.slot] = encoding.address;
        OptVideoType[encoding.slot]->setEnabled(true);
    }
    if (reading.map.error) {
        ErrorTrap::report(*reading.map.error, QStringLiteral("GetURLs"), Module);
        return false;
    }
    if (!reading.map.anyFound()) {
        UiSeam::messageBox(QStringLiteral("Sorry. No download links found on this page. "), UiSeam::Exclamation,
                           QStringLiteral("No links"));
        return false;
    }
    selectBestEncoding();
    cmdDownload->setEnabled(true);
    cmdPreview->setEnabled(true);
    return true;
}

void VideoPanel::startRelatedThumbnail(int index, const QString &address)
{
    // The slot shows another related video now: the thumbnail of the one before is not wanted.
    if (!m_relatedThumbnailKeys[index].isEmpty() && m_relatedThumbnailKeys[index] != address)
        DownloadRelated[index]->CancelDownload(m_relatedThumbnailKeys[index]);
    m_relatedThumbnailKeys[index] = address;
    DownloadRelated[index]->Start(address, Downloader::ForceUpdate);
}

void VideoPanel::GrabRelated(const WatchPageReading &reading)
{
    showRelated(reading.info);
    if (reading.relatedError)
        ErrorTrap::report(*reading.relatedError, QStringLiteral("GrabRelated"), Module);
}

void VideoPanel::DownloadPage_Complete(const QString &URL, const QByteArray &data, const QString &Key,
                                       const TransferResult &result)
{
    if (Key != m_pageKey)
        return; // the page of an address that is no longer in the box
    m_pageKey.clear();
    const quint64 generation = m_addressGeneration;
    // Message boxes let events run; when the box got another address meanwhile, that address's
    // page owns the panel and this one stops.
    const auto replaced = [this, generation] { return generation != m_addressGeneration; };

    ErrorTrap::run(QStringLiteral("DownloadPage_Complete"), Form, [&] {
        // A page that did not arrive whole is no page: it ends in the "No links" message.
        const QString page = modFunctions::PageText(result.ok ? data : QByteArray());
        setWaitingCaption(false);
        if (result.ok && FormatMap::Extract(page).isEmpty()) {
            m_lookup->ask(URL); // a watch page of today carries no format map
            return;
        }
        WatchPageReading reading = WatchPageInfo::Read(page, m_details);
        if (!GetURLs(reading) || replaced())
            return;
        if (reading.detailsError)
            ErrorTrap::report(*reading.detailsError, QStringLiteral("GetAllInfo"), Module);
        if (replaced())
            return;
        reading.info.pageAddress = URL;
        m_info = reading.info;
        showDetails(m_info);
        GrabRelated(reading);
        if (!replaced())
            Q_EMIT requestTab(1);
    });
}

void VideoPanel::DownloadPicTitle_Complete(const QString &, const QByteArray &data, const QString &Key,
                                           const TransferResult &)
{
    if (Key != m_titleThumbnailKey)
        return; // asked for by a page whose address has left the box
    m_titleThumbnailKey.clear();
    ErrorTrap::run(QStringLiteral("DownloadPicTitle_Complete"), Form,
                   [&] { picTitle->setPicture(PictureFromBytes(data)); });
}

void VideoPanel::DownloadRelated_Complete(int Index, const QString &, const QByteArray &data, const QString &Key,
                                          const TransferResult &)
{
    if (Key != m_relatedThumbnailKeys[Index])
        return;
    m_relatedThumbnailKeys[Index].clear();
    ErrorTrap::run(QStringLiteral("DownloadRelated_Complete"), Form,
                   [&] { picRelated[Index]->setPicture(PictureFromBytes(data)); });
}

void VideoPanel::picTitle_MouseDown(Qt::MouseButton Button)
{
    ErrorTrap::run(QStringLiteral("picTitle_MouseDown"), Form, [&] {
        if (picTitle->hasPicture() && Button == Qt::RightButton)
            PopupPicture = picTitle->picture();
    });
}

void VideoPanel::picTitle_MouseUp(Qt::MouseButton Button, const QPoint &globalPos)
{
    ErrorTrap::run(QStringLiteral("picTitle_MouseUp"), Form, [&] {
        if (!picTitle->hasPicture())
            return;
        if (Button == Qt::RightButton)
            showImageMenu(globalPos);
        else
            UiSeam::shellOpen(txtYouTube->text());
    });
}

void VideoPanel::picRelated_MouseDown(int Index, Qt::MouseButton Button)
{
    ErrorTrap::run(QStringLiteral("picRelated_MouseDown"), Form, [&] {
        if (picRelated[Index]->hasPicture() && Button == Qt::RightButton)
            PopupPicture = picRelated[Index]->picture();
    });
}

void VideoPanel::picRelated_MouseUp(int Index, Qt::MouseButton Button, const QPoint &globalPos)
{
    ErrorTrap::run(QStringLiteral("picRelated_MouseUp"), Form, [&] {
        ThumbnailBox *picture = picRelated[Index];
        if (!picture->hasPicture())
            return;
        if (Button == Qt::RightButton)
            showImageMenu(globalPos);
        else
            txtYouTube->setText(picture->tag());
    });
}

void VideoPanel::showImageMenu(const QPoint &globalPos)
{
    frmMenu *menu = frmMenu::instance();
    if (!menu)
        menu = new frmMenu(window()); // loaded on first use when the main window has not loaded it
    connect(menu->mnuPicBoxSave, &QAction::triggered, this, &VideoPanel::mnuPicBoxSave_Click, Qt::UniqueConnection);
    menu->popup(menu->mnuPopupImageSave, globalPos);
}

void VideoPanel::mnuPicBoxSave_Click()
{
    modJPG::SaveWithDialog(PopupPicture); // by value: a right press while the dialog is open may change it
}
