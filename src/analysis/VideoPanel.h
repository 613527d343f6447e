#pragma once

#include "pages/VideoDetails.h"
#include "recipes/Preset.h"
#include "videoinfo/FormatTable.h"
#include "videoinfo/VideoInfo.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <array>
#include <optional>

class Downloader;
class ExtractorLookup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class ThumbnailBox;
class VideoListPanel;
class ucFormattedLabel;
struct ExtractorFailure;
struct TransferResult;
struct VideoList;
struct WatchPageReading;

// The upper part of the video tab: the "Video URL:" box, the "Information" frame with the
// thumbnail and the details of the current video, the "Related Videos" frame and the
// "Available Videos (Quality)" frame with the encodings the page offers.
//
// Typing or pasting a watch address fetches its page; the page fills the panel, the thumbnail
// and the related thumbnails follow as they arrive. Any other http or https address, and a watch
// page without format map, is read by the installed extractor instead. Either reader gives the
// same value, which the panel shows. An address that holds a list of videos shows the list
// (VideoListPanel) in place of the frames of one video.
class VideoPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VideoPanel)

public:
    explicit VideoPanel(QWidget *parent = nullptr);
    ~VideoPanel() override;

    // Writes the address into the box; the change handler runs only when the text changes.
    void loadAddress(const QString &address);

    // The first selected encoding button, -1 when none is.
    int selectedFormat() const;
    // The media address kept for a slot (kept from an earlier page when this one lacks it).
    QString formatLink(int slot) const;
    static QString formatSuffix(int slot);
    const std::array<QString, FormatTable::Count> &formatLinks() const { return FormatLinks; }
    // The chosen encoding: an option button's, or the chosen entry of "Other formats:".
    std::optional<VideoEncoding> selectedEncoding() const;
    // The preset chosen in "Preset:", which "Download" then fetches instead of an encoding; none
    // while the first entry is chosen.
    std::optional<Recipes::Preset> selectedPreset() const;
    // Fills "Preset:" with the presets in Settings.ini, keeping the chosen one where it still is.
    void reloadPresets();

    QString videoTitle() const { return m_info.fileTitle; }
    QString videoId() const { return m_info.id; }
    const VideoDetails &details() const { return m_details; }
    const VideoInfo &videoInfo() const { return m_info; } // what the panel shows
    ExtractorLookup *extractorLookup() const { return m_lookup; }
    QString address() const;

    // The picture that the last right press on a thumbnail chose for saving.
    QImage popupPicture() const { return PopupPicture; }

    // The controls, for the main window's layout code and for tests.
    QLineEdit *txtYouTube = nullptr;
    ThumbnailBox *picTitle = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblAuthor = nullptr;
    QLabel *lblPublished = nullptr;
    QLabel *lblDuration = nullptr;
    QLabel *lblRating = nullptr;
    QLabel *lblViews = nullptr;
    ucFormattedLabel *lblDescription = nullptr;
    std::array<ThumbnailBox *, 6> picRelated{};
    std::array<QRadioButton *, FormatTable::Count> OptVideoType{};
    QListWidget *lstOtherFormats = nullptr; // "Other formats:", every encoding without a button
    QComboBox *cboPreset = nullptr;  // "Preset:", for pages the extractor reads
    QLabel *lblSubtitles = nullptr;  // the page's subtitle and automatic caption languages
    QPushButton *cmdDownload = nullptr;
    QPushButton *cmdPreview = nullptr;
    QLabel *lblExtractorNotice = nullptr; // one line about the extractor, hidden when there is nothing to say
    QStackedWidget *stkVideoOrList = nullptr; // one video's frames, or listPanel
    VideoListPanel *listPanel = nullptr;
    bool showsList() const;

    // Shows the line (empty: hides it), with an "Update" link when updateLink.
    void setExtractorNotice(const QString &sentence, bool updateLink);

    Downloader *DownloadPage = nullptr;
    Downloader *DownloadPicTitle = nullptr;
    std::array<Downloader *, 6> DownloadRelated{};

Q_SIGNALS:
    void downloadRequested();                     // "Download" was pressed
    void previewRequested(const QString &address); // "Preview" was pressed, with the box's text
    void requestTab(int tab);                      // 1 "YouTube", 2 "Preview"
    void extractorUpdateRequested();               // the notice's "Update" link was followed

public Q_SLOTS:
    void txtYouTube_Change();
    void txtYouTube_KeyPress(int &KeyAscii);
    void cmdPreview_Click();
    void mnuPicBoxSave_Click();

private:
    void setupUi();
    void setDescriptionCaption(const QString &caption);
    void setWaitingCaption(bool waiting, const QString &text = QString());
    void showImageMenu(const QPoint &globalPos);
    void cancelTransfers();
    void startRelatedThumbnail(int index, const QString &address);

    bool GetURLs(const WatchPageReading &reading);
    void GrabRelated(const WatchPageReading &reading);

    // The shared value, in the order a watch page is shown.
    void showEncodings(const VideoInfo &info);
    void selectBestEncoding();
    void showDetails(const VideoInfo &info);
    void showRelated(const VideoInfo &info);
    void showExtractorVideo(const VideoInfo &info);
    void showExtractorList(const VideoList &list);
    void extractorFailed(const ExtractorFailure &failure);
    void otherFormatChosen();
    void showSubtitles(const VideoInfo &info);

    void DownloadPage_Complete(const QString &URL, const QByteArray &data, const QString &Key,
                               const TransferResult &result);
    void DownloadPicTitle_Complete(const QString &URL, const QByteArray &data, const QString &Key,
                                   const TransferResult &result);
    void DownloadRelated_Complete(int Index, const QString &URL, const QByteArray &data,
                                  const QString &Key, const TransferResult &result);
    void picTitle_MouseDown(Qt::MouseButton Button);
    void picTitle_MouseUp(Qt::MouseButton Button, const QPoint &globalPos);
    void picRelated_MouseDown(int Index, Qt::MouseButton Button);
    void picRelated_MouseUp(int Index, Qt::MouseButton Button, const QPoint &globalPos);

    VideoDetails m_details; // the watch pages' details, each kept until a page gives it anew
    VideoInfo m_info;
    ExtractorLookup *m_lookup = nullptr;
    bool m_enterPressed = false;
    std::array<QString, FormatTable::Count> FormatLinks;
    QImage PopupPicture;
    QList<Recipes::Preset> m_presets; // those of "Preset:" after its first entry

    // What the panel waits for, each known by its transfer key; empty when nothing is pending.
    // An answer under another key belongs to an address that is no longer in the box, or to a
    // related video that a slot no longer shows, and changes nothing.
    QString m_pageKey;
    QString m_titleThumbnailKey;
    std::array<QString, 6> m_relatedThumbnailKeys;
    // Counts the changes of the address box: a page handler that let events run (a message box)
    // stops when the box changed meanwhile, so two pages never mix in the panel.
    quint64 m_addressGeneration = 0;
};
