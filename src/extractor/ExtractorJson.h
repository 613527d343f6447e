#pragma once

#include "extractor/ExtractorFailure.h"
#include "videoinfo/VideoInfo.h"
#include "videoinfo/VideoList.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// What the extractor's JSON document (-J) says, read into the shared video value.
struct ExtractorReading
{
    VideoInfo info;
    std::optional<ExtractorFailure> failure; // Unreadable or NoVideo; info is empty then
};

// What the extractor answered for an address (-J --flat-playlist): a list of videos to choose
// from, or one video.
struct ExtractorAnswer
{
    std::optional<VideoList> list;
    ExtractorReading reading; // when there is no list
};

namespace ExtractorJson {

// Reads the single document. Only http and https addresses are taken from it; text fields are
// plain text. canMerge: ffmpeg is there to join separate video and audio streams.
ExtractorReading Read(const QByteArray &json, const QString &pageAddress, bool canMerge);
ExtractorReading ReadVideo(const QJsonObject &document, const QString &pageAddress, bool canMerge);

// The document read as a list when it is one, else as one video.
ExtractorAnswer ReadAnswer(const QByteArray &json, const QString &pageAddress, bool canMerge);

// The list the document holds: entries of which more than one can be downloaded, or a single one
// that the extractor has not read yet (a reference to its page). nullopt for anything else,
// which is read as one video. Entries without an http or https address to ask for are left out;
// the others keep their place in the list as their position.
std::optional<VideoList> ReadList(const QJsonObject &document, const QString &address);

// The encodings of one video object: the known format codes that are single files in slot order,
// then the others best first (the extractor lists its formats worst first), with the merged
// entry on top when the video has only separate streams and canMerge is set.
QList<VideoEncoding> ReadFormats(const QJsonObject &video, bool canMerge);

// A string field, trimmed and cut to at most limit characters; empty when it is no string.
QString Text(const QJsonObject &object, const QString &key, qsizetype limit = 1000);

} // namespace ExtractorJson
