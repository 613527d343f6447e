#include "support/MediaTools.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace MediaTools {

namespace {

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray subtitles(const char *line)
{
    return QByteArray("WEBVTT\n\n00:00:00.000 --> 00:00:02.000\n") + line + "\n";
}

} // namespace

std::optional<QByteArray> Run(const QString &tool, const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(tool, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

QStringList Probed::kinds() const
{
    QStringList list;
    for (const Stream &stream : streams)
        list << stream.kind;
    return list;
}

Probed Probe(const QString &file)
{
    const std::optional<QByteArray> json =
        Run(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries",
                                        "stream=codec_type,codec_name,height:stream_tags=language:stream_disposition=attached_pic"
                                        ":format=format_name,duration:format_tags=title",
                                        "-of", "json", file});
    const QJsonObject probed = QJsonDocument::fromJson(json.value_or(QByteArray())).object();
    const QJsonObject format = probed.value(QStringLiteral("format")).toObject();
    Probed media;
    media.container = format.value(QStringLiteral("format_name")).toString();
    media.seconds = format.value(QStringLiteral("duration")).toString().toDouble();
    media.title = format.value(QStringLiteral("tags")).toObject().value(QStringLiteral("title")).toString();
    for (const QJsonValue &value : probed.value(QStringLiteral("streams")).toArray()) {
        const QJsonObject stream = value.toObject();
        media.streams.append({stream.value(QStringLiteral("codec_type")).toString(),
                              stream.value(QStringLiteral("codec_name")).toString(),
                              stream.value(QStringLiteral("tags")).toObject().value(QStringLiteral("language")).toString(),
                              stream.value(QStringLiteral("height")).toInt(),
                              stream.value(QStringLiteral("disposition")).toObject().value(QStringLiteral("attached_pic")).toInt() == 1});
    }
    return media;
}

bool MakeCardPage(const QString &folder, int seconds)
{
    const QString length = QString::number(seconds);
    const QStringList source{"-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i"};
    const QStringList hls{"-fflags", "+bitexact", "-f", "hls", "-hls_time", "2", "-hls_playlist_type", "vod",
                          "-hls_segment_filename"};
    const auto card = [&](int height) {
        const QString name = QStringLiteral("video%1").arg(height);
        return Run(QStringLiteral("ffmpeg"),
                   source + QStringList{QStringLiteral("testsrc=size=%1x%2:rate=10:duration=%3").arg(height * 4 / 3).arg(height).arg(length),
                                        "-c:v", "libx264", "-preset", "ultrafast", "-threads", "1", "-g", "20"}
                       + hls + QStringList{name + "-%d.ts", name + ".m3u8"},
                   folder).has_value();
    };
    if (!QDir().mkpath(folder) || !card(240) || !card(480)
        || !Run(QStringLiteral("ffmpeg"), source + QStringList{"sine=frequency=440:sample_rate=44100:duration=" + length, "-c:a", "aac"}
                                              + hls + QStringList{"audio-%d.ts", "audio.m3u8"}, folder)
        || !Run(QStringLiteral("ffmpeg"), source + QStringList{"testsrc=size=320x240", "-frames:v", "1", "poster.jpg"}, folder))
        return false;
    const QByteArray audio = "AUDIO=\"audio\"\n";
    return write(folder + "/master.m3u8",
                 "#EXTM3U\n#EXT-X-VERSION:3\n"
                 "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"audio\",NAME=\"Tone\",LANGUAGE=\"en\",DEFAULT=YES,AUTOSELECT=YES,URI=\"audio.m3u8\"\n"
                 "#EXT-X-STREAM-INF:BANDWIDTH=80000,RESOLUTION=320x240,CODECS=\"avc1.42c00d,mp4a.40.2\"," + audio + "video240.m3u8\n"
                 "#EXT-X-STREAM-INF:BANDWIDTH=200000,RESOLUTION=640x480,CODECS=\"avc1.42c01e,mp4a.40.2\"," + audio + "video480.m3u8\n")
        && write(folder + "/en.vtt", subtitles("Hello there"))
        && write(folder + "/de.vtt", subtitles("Hallo da"))
        && write(folder + "/index.html",
                 "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Card with words</title></head>\n"
                 "<body><video controls poster=\"poster.jpg\"><source src=\"master.m3u8\" type=\"application/x-mpegURL\">"
                 "<track kind=\"subtitles\" src=\"en.vtt\" srclang=\"en\" label=\"English\">"
                 "<track kind=\"subtitles\" src=\"de.vtt\" srclang=\"de\" label=\"Deutsch\"></video></body></html>\n");
}

} // namespace MediaTools
