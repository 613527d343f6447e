#pragma once

#include "videoinfo/VideoEncoding.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <optional>

// A related video for the picture of the same index.
struct RelatedVideo
{
    int index = 0;                    // 0..5
    QString address;                  // the video's page
    std::optional<QString> thumbnail; // missing when the page names none
    std::optional<QString> title;     // missing when the page names none
};

// What one video page offers, ready to be shown: details in the forms of the watch pages,
// every encoding that can be fetched, the related videos. No reader leaves a trace in it beyond
// its contents.
struct VideoInfo
{
    QString pageAddress; // the address that was read
    QString id;          // the video's identifier: the file name of last resort
    QString title;       // as shown
    QString fileTitle;   // the title cleaned for a file name
    QString author;
    QString published;
    QString duration;
    QString rating;      // the whole rating text; empty when the page gives none
    QString views;
    QString description;
    // The watch page's description is the formatted label's markup (its tags already stripped);
    // any other is plain text that must be shown as it is.
    bool descriptionIsMarkup = false;
    QString thumbnail;   // empty when there is none that may be fetched
    QList<VideoEncoding> encodings; // known format codes in slot order, then the others best first
    // The languages of the subtitles the page offers, and of its automatic captions, as the
    // extractor names them ("en", "pt-BR"), sorted; empty when it offers none or was not read by it.
    QStringList subtitleLanguages;
    QStringList captionLanguages;
    QList<RelatedVideo> related;
    // The watch pages' rule: a related picture that this page does not fill keeps what it shows.
    // Otherwise the six pictures show this page's related videos only, none when it has none.
    bool keepsEarlierRelated = false;

    // The encoding of an option button, nullptr when the page does not offer it.
    const VideoEncoding *slotEncoding(int slot) const;
    // The encodings without an option button, best first.
    QList<VideoEncoding> otherEncodings() const;
    bool hasEncodings() const { return !encodings.isEmpty(); }
};

Q_DECLARE_METATYPE(VideoInfo)
