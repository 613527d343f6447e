// The controls of the video panel and their arrangement.

#include "analysis/VideoPanel.h"

#include "analysis/DetailLabels.h"
#include "analysis/ThumbnailBox.h"
#include "analysis/VideoListPanel.h"
#include "controls/ucFormattedLabel.h"
#include "transfer/Downloader.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr QSize RelatedPictureSize(96, 72);

} // namespace

void VideoPanel::setupUi()
{
    auto *lblVideoURL = new QLabel(QStringLiteral("Video URL:"), this);
    lblVideoURL->setObjectName(QStringLiteral("lblVideoURL"));
    txtYouTube = new QLineEdit(this);
    txtYouTube->setObjectName(QStringLiteral("txtYouTube"));
    txtYouTube->setAccessibleName(QStringLiteral("Video URL:"));
    lblVideoURL->setBuddy(txtYouTube);
    lblVideoURL->setAccessibleName(QStringLiteral("Video URL:"));

    // "Information": the thumbnail beside the six captions and values, the description below.
    auto *fraInformation = new QGroupBox(QStringLiteral("Information"), this);
    fraInformation->setObjectName(QStringLiteral("fraInformation"));
    picTitle = new ThumbnailBox(fraInformation);
    picTitle->setObjectName(QStringLiteral("picTitle"));
    picTitle->setAccessibleName(QStringLiteral("Thumbnail"));
    picTitle->setToolTipText(QStringLiteral("Click this image to go to the corresponding YouTube page"));
    picTitle->setCursor(Qt::PointingHandCursor);

    QGridLayout *details = DetailLabels::grid(fraInformation,
                                              {
                                                  {"lblTitleCaption", "lblTitle", "Title:", &lblTitle},
                                                  {"lblAuthorCaption", "lblAuthor", "Author:", &lblAuthor},
                                                  {"lblPublishedCaption", "lblPublished", "Published:", &lblPublished},
                                                  {"lblDurationCaption", "lblDuration", "Duration:", &lblDuration},
                                                  {"lblRatingCaption", "lblRating", "Rating:", &lblRating},
                                                  {"lblViewsCaption", "lblViews", "Views:", &lblViews},
                                              },
                                              1);
    details->setColumnStretch(1, 1);
    details->setRowStretch(details->rowCount(), 1);

    lblDescription = new ucFormattedLabel(fraInformation);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->ReadProperties(ucFormattedLabel::DescriptionProperties());
    lblDescription->setFallBackToPlainText(true); // a page's markup must never stop the page's handling
    lblDescription->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    lblDescription->setMinimumHeight(64);

    auto *top = new QHBoxLayout;
    top->setSpacing(10);
    top->addWidget(picTitle, 0, Qt::AlignTop);
    top->addLayout(details, 1);
    auto *information = new QVBoxLayout(fraInformation);
    information->addLayout(top);
    information->addWidget(lblDescription, 1);

    // "Available Videos (Quality)": one button per known encoding, two rows of three.
    auto *fraVideos = new QGroupBox(QStringLiteral("Available Videos (Quality)"), this);
    fraVideos->setObjectName(QStringLiteral("fraVideos"));
    auto *options = new QGridLayout;
    options->setHorizontalSpacing(10);
    for (int slot = 0; slot < FormatTable::Count; ++slot) {
        auto *option = new QRadioButton(FormatTable::Caption(slot), fraVideos);
        option->setObjectName(QStringLiteral("OptVideoType_%1").arg(slot));
        option->setAccessibleName(FormatTable::Caption(slot));
        option->setEnabled(false);
        options->addWidget(option, slot / 3, slot % 3);
        OptVideoType[slot] = option;
    }
    // Every other encoding the page offers (streams, other containers), best first.
    auto *lblOtherFormats = DetailLabels::caption(fraVideos, "lblOtherFormats", QStringLiteral("Other formats:"));
    lstOtherFormats = new QListWidget(fraVideos);
    lstOtherFormats->setObjectName(QStringLiteral("lstOtherFormats"));
    lstOtherFormats->setAccessibleName(QStringLiteral("Other formats:"));
    lstOtherFormats->setSelectionMode(QAbstractItemView::SingleSelection);
    lstOtherFormats->setMaximumHeight(lstOtherFormats->fontMetrics().height() * 4 + 8);
    lstOtherFormats->setEnabled(false);
    lblOtherFormats->setBuddy(lstOtherFormats);
    options->addWidget(lblOtherFormats, 2, 0, 1, 3);
    options->addWidget(lstOtherFormats, 3, 0, 1, 3);
    // A preset instead of an encoding: the extractor fetches the page and shapes the file.
    auto *lblPreset = DetailLabels::caption(fraVideos, "lblPreset", QStringLiteral("Preset:"));
    cboPreset = new QComboBox(fraVideos);
    cboPreset->setObjectName(QStringLiteral("cboPreset"));
    cboPreset->setAccessibleName(QStringLiteral("Preset:"));
    cboPreset->setEnabled(false);
    lblPreset->setBuddy(cboPreset);
    lblSubtitles = new QLabel(fraVideos);
    lblSubtitles->setObjectName(QStringLiteral("lblSubtitles"));
    lblSubtitles->setTextFormat(Qt::PlainText);
    lblSubtitles->setWordWrap(true);
    lblSubtitles->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lblSubtitles->setAccessibleName(QStringLiteral("Subtitles"));
    auto *preset = new QHBoxLayout;
    preset->addWidget(lblPreset);
    preset->addWidget(cboPreset, 2);
    preset->addSpacing(12);
    preset->addWidget(lblSubtitles, 1);
    options->addLayout(preset, 4, 0, 1, 3);

    cmdDownload = new QPushButton(QStringLiteral("Download"), fraVideos);
    cmdDownload->setObjectName(QStringLiteral("cmdDownload"));
    cmdDownload->setAccessibleName(QStringLiteral("Download"));
    cmdPreview = new QPushButton(QStringLiteral("Preview"), fraVideos);
    cmdPreview->setObjectName(QStringLiteral("cmdPreview"));
    cmdPreview->setAccessibleName(QStringLiteral("Preview"));
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdDownload);
    buttons->addWidget(cmdPreview);
    auto *videos = new QHBoxLayout(fraVideos);
    videos->addLayout(options, 1);
    videos->addSpacing(12);
    videos->addLayout(buttons);

    // "Related Videos": six pictures from top to bottom, in two columns of three.
    auto *fraRelated = new QGroupBox(QStringLiteral("Related Videos"), this);
    fraRelated->setObjectName(QStringLiteral("fraRelated"));
    auto *related = new QGridLayout(fraRelated);
    related->setSpacing(6);
    for (int index = 0; index < 6; ++index) {
        auto *picture = new ThumbnailBox(fraRelated);
        picture->setObjectName(QStringLiteral("picRelated_%1").arg(index));
        picture->setAccessibleName(QStringLiteral("Related video %1").arg(index + 1));
        picture->setPictureSize(RelatedPictureSize);
        picture->setCursor(Qt::PointingHandCursor);
        related->addWidget(picture, index % 3, index / 3);
        picRelated[index] = picture;
    }
    related->setRowStretch(3, 1);

    auto *address = new QHBoxLayout;
    address->addWidget(lblVideoURL);
    address->addWidget(txtYouTube, 1);
    auto *left = new QVBoxLayout;
    left->addWidget(fraInformation, 1);
    left->addWidget(fraVideos);
    auto *middle = new QHBoxLayout;
    middle->addLayout(left, 1);
    middle->addWidget(fraRelated);
    // One line about the extractor itself (old, or the likely cause of a failure), with a link.
    lblExtractorNotice = new QLabel(this);
    lblExtractorNotice->setObjectName(QStringLiteral("lblExtractorNotice"));
    lblExtractorNotice->setTextFormat(Qt::RichText);
    lblExtractorNotice->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lblExtractorNotice->setVisible(false);
    connect(lblExtractorNotice, &QLabel::linkActivated, this, [this] {
        lblExtractorNotice->setVisible(false);
        Q_EMIT extractorUpdateRequested();
    });
    // One video's frames, or a list's checklist in their place.
    auto *single = new QWidget(this);
    single->setObjectName(QStringLiteral("VideoPage"));
    single->setAccessibleName(QStringLiteral("Video"));
    middle->setContentsMargins(0, 0, 0, 0);
    single->setLayout(middle);
    listPanel = new VideoListPanel(this);
    stkVideoOrList = new QStackedWidget(this);
    stkVideoOrList->setObjectName(QStringLiteral("stkVideoOrList"));
    stkVideoOrList->setAccessibleName(QStringLiteral("Video or list"));
    stkVideoOrList->addWidget(single);
    stkVideoOrList->addWidget(listPanel);
    auto *panel = new QVBoxLayout(this);
    panel->addLayout(address);
    panel->addWidget(lblExtractorNotice);
    panel->addWidget(stkVideoOrList, 1);
}
