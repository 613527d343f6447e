// The video panel showing the value that either reader of a page gives: the encodings (option
// buttons and "Other formats:"), the details, the related videos; and the extractor's answers,
// one video or a list.

#include "analysis/VideoPanel.h"

#include "pages/DescriptionCaption.h"
#include "analysis/ThumbnailBox.h"
#include "analysis/VideoListPanel.h"
#include "base/ErrorTrap.h"
#include "base/UiSeam.h"
#include "recipes/PresetStore.h"
#include "controls/ucFormattedLabel.h"
#include "extractor/ExtractorAdvice.h"
#include "extractor/ExtractorFailure.h"
#include "queue/DownloadArchive.h"
#include "videoinfo/VideoList.h"
#include "transfer/Downloader.h"
#include "videoinfo/VideoText.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include <utility>

namespace {

const QString Form = QStringLiteral("Form frmMain");
constexpr int EncodingRole = Qt::UserRole; // index into the shown value's encodings
const QString NoPreset = QStringLiteral("None (the chosen format)");

} // namespace

std::optional<VideoEncoding> VideoPanel::selectedEncoding() const
{
    const int slot = selectedFormat();
    if (slot >= 0 && OptVideoType[slot]->isEnabled()) {
        if (const VideoEncoding *encoding = m_info.slotEncoding(slot))
            return *encoding;
    }
    const QList<QListWidgetItem *> chosen = lstOtherFormats->selectedItems();
    if (chosen.isEmpty())
        return std::nullopt;
    const int index = chosen.first()->data(EncodingRole).toInt();
    if (index < 0 || index >= m_info.encodings.size())
        return std::nullopt;
    return m_info.encodings.at(index);
}

std::optional<Recipes::Preset> VideoPanel::selectedPreset() const
{
    const int index = cboPreset->currentIndex() - 1;
    if (!cboPreset->isEnabled() || index < 0 || index >= m_presets.size())
        return std::nullopt;
    return m_presets.at(index);
}

void VideoPanel::reloadPresets()
{
    const QString chosen = cboPreset->currentIndex() > 0 ? cboPreset->currentText() : QString();
    m_presets = Recipes::LoadPresets();
    cboPreset->clear();
    cboPreset->addItem(NoPreset);
    for (const Recipes::Preset &preset : std::as_const(m_presets))
        cboPreset->addItem(preset.name);
    const int again = chosen.isEmpty() ? -1 : cboPreset->findText(chosen, Qt::MatchFixedString);
    cboPreset->setCurrentIndex(again > 0 ? again : 0);
}

void VideoPanel::showSubtitles(const VideoInfo &info)
{
    QString text = QStringLiteral("Subtitles: ")
        + (info.subtitleLanguages.isEmpty() ? QStringLiteral("none") : info.subtitleLanguages.join(QStringLiteral(", ")));
    if (!info.captionLanguages.isEmpty())
        text += QStringLiteral("; automatic captions: ") + info.captionLanguages.join(QStringLiteral(", "));
    lblSubtitles->setText(text);
    lblSubtitles->setAccessibleName(text);
}

void VideoPanel::showEncodings(const VideoInfo &info)
{
    for (qsizetype index = 0; index < info.encodings.size(); ++index) {
        const VideoEncoding &encoding = info.encodings.at(index);
        if (encoding.slot >= 0) {
            FormatLinks[encoding.slot] = encoding.address;
            OptVideoType[encoding.slot]->setEnabled(true);
            continue;
        }
        auto *item = new QListWidgetItem(encoding.label(), lstOtherFormats);
        item->setData(EncodingRole, static_cast<int>(index));
    }
    lstOtherFormats->setEnabled(lstOtherFormats->count() > 0);
}

void VideoPanel::selectBestEncoding()
{
    for (int slot = FormatTable::Count - 1; slot >= 0; --slot) {
        if (OptVideoType[slot]->isEnabled()) {
            OptVideoType[slot]->setChecked(true);
            return;
        }
    }
    if (lstOtherFormats->count() > 0)
        lstOtherFormats->setCurrentRow(0); // the list is ordered best first
}

void VideoPanel::otherFormatChosen()
{
    if (lstOtherFormats->selectedItems().isEmpty())
        return;
    // The buttons of a group of radio buttons cannot all be off while they exclude each other.
    for (QRadioButton *option : OptVideoType) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

void VideoPanel::showDetails(const VideoInfo &info)
{
    if (!info.thumbnail.isEmpty()) {
        m_titleThumbnailKey = info.thumbnail;
        DownloadPicTitle->Start(info.thumbnail, Downloader::ForceUpdate);
    }
    lblTitle->setText(info.title);
    lblAuthor->setText(info.author);
    lblDuration->setText(info.duration);
    lblPublished->setText(info.published);
    lblRating->setText(info.rating);
    lblViews->setText(info.views);
    setDescriptionCaption(DescriptionCaption(info));
    lblDescription->Refresh();
}

void VideoPanel::showRelated(const VideoInfo &info)
{
    if (!info.keepsEarlierRelated) {
        for (int index = 0; index < 6; ++index) {
            if (!m_relatedThumbnailKeys[index].isEmpty())
                DownloadRelated[index]->CancelDownload(std::exchange(m_relatedThumbnailKeys[index], QString()));
            picRelated[index]->setPicture(QImage());
            picRelated[index]->setTag(QString());
            picRelated[index]->setToolTipText(QString());
        }
    }
    for (const RelatedVideo &related : info.related) {
        ThumbnailBox *picture = picRelated[related.index];
        picture->setTag(related.address);
        if (related.thumbnail)
            startRelatedThumbnail(related.index, *related.thumbnail);
        if (related.title)
            picture->setToolTipText(*related.title);
    }
}

void VideoPanel::showExtractorVideo(const VideoInfo &info)
{
    ErrorTrap::run(QStringLiteral("ShowExtractorVideo"), Form, [&] {
        setWaitingCaption(false);
        m_info = info;
        showEncodings(m_info);
        selectBestEncoding();
        showSubtitles(m_info);
        cboPreset->setEnabled(true); // the extractor read this page: it can fetch it with a recipe
        cmdDownload->setEnabled(true);
        cmdPreview->setEnabled(true);
        showDetails(m_info);
        showRelated(m_info);
        Q_EMIT requestTab(1);
    });
}

void VideoPanel::showExtractorList(const VideoList &list)
{
    ErrorTrap::run(QStringLiteral("ShowExtractorList"), Form, [&] {
        setWaitingCaption(false);
        m_info = VideoInfo();
        m_info.pageAddress = list.address;
        listPanel->showList(list, DownloadArchive().lines());
        stkVideoOrList->setCurrentWidget(listPanel);
        Q_EMIT requestTab(1);
    });
}

bool VideoPanel::showsList() const
{
    return stkVideoOrList->currentWidget() == listPanel;
}

void VideoPanel::extractorFailed(const ExtractorFailure &failure)
{
    setWaitingCaption(false);
    const QString hint = ExtractorAdvice::FailureHint(failure.detail);
    UiSeam::messageBox(QStringLiteral("Sorry. No download links found on this page. \n") + failure.sentence()
                           + (hint.isEmpty() ? QString() : hint + QLatin1Char(' ')),
                       UiSeam::Exclamation, QStringLiteral("No links"));
}

void VideoPanel::setExtractorNotice(const QString &sentence, bool updateLink)
{
    if (sentence.isEmpty()) {
        lblExtractorNotice->setVisible(false);
        return;
    }
    lblExtractorNotice->setText(sentence.toHtmlEscaped()
                                + (updateLink ? QStringLiteral(" <a href=\"update\">Update</a>") : QString()));
    const QString plain = updateLink ? sentence + QStringLiteral(" Update") : sentence;
    lblExtractorNotice->setAccessibleName(plain);
    lblExtractorNotice->setVisible(true);
}
