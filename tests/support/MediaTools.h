#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Real media for the tests that run the extractor: made by ffmpeg from its own sources (lavfi)
// and read back by ffprobe.
namespace MediaTools {

// Runs ffmpeg or ffprobe in folder; its standard output, or nothing when it fails.
std::optional<QByteArray> Run(const QString &tool, const QStringList &arguments, const QString &folder = QString());

struct Stream
{
    QString kind;  // "video", "audio", "subtitle"
    QString codec; // "mp3", "aac", "h264", "mov_text", "mjpeg"...
    QString language; // the stream's language tag ("eng"), empty when none
    int height = 0;
    bool attachedPicture = false; // a cover, not a moving picture
};

// A media file as ffprobe reads it.
struct Probed
{
    QString container; // ffprobe's format name ("mp3", "matroska,webm", "mov,mp4,m4a,3gp,3g2,mj2")
    QList<Stream> streams;
    double seconds = 0;
    QString title; // the title tag
    QStringList kinds() const;
};
Probed Probe(const QString &file);

// A web page in folder, served by the demo site below its --extra folder: a test card of
// `seconds` in two heights (240 and 480) and a tone, as HLS streams of their own (video and audio
// apart), WebVTT subtitles in English ("en") and German ("de") as <track kind="subtitles">, and a
// poster picture. False when ffmpeg fails.
bool MakeCardPage(const QString &folder, int seconds);

} // namespace MediaTools
