#pragma once

#include "extractor/ExtractorFailure.h"
#include "videoinfo/VideoInfo.h"

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

namespace ExtractorJson {

// Reads the single document. Only http and https addresses are taken from it; text fields are
// plain text. canMerge: ffmpeg is there to join separate video and audio streams.
ExtractorReading Read(const QByteArray &json, const QString &pageAddress, bool canMerge);

// The encodings of one video object: the known format codes that are single files in slot order,
// then the others best first (the extractor lists its formats worst first), with the merged
// entry on top when the video has only separate streams and canMerge is set.
QList<VideoEncoding> ReadFormats(const QJsonObject &video, bool canMerge);

// A string field, trimmed and cut to at most limit characters; empty when it is no string.
QString Text(const QJsonObject &object, const QString &key, qsizetype limit = 1000);

} // namespace ExtractorJson
