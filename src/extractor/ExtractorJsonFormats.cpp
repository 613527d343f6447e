#include "extractor/ExtractorJson.h"

#include "videoinfo/FormatTable.h"
#include "videoinfo/VideoText.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QUrl>
#include <array>
#include <cmath>

namespace {

constexpr qsizetype FormatLimit = 1000;    // formats read of one video
constexpr qsizetype HeaderValueLimit = 8192;

// Format identifiers go to the extractor as the value of -f, where "/", "+", "," and brackets
// would be read as a selection: only plain identifiers are taken.
bool plainFormatId(const QString &id)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9_.:=@~-]{0,99}$"));
    return pattern.match(id).hasMatch();
}

bool isToken(const QByteArray &name)
{
    if (name.isEmpty() || name.size() > 100)
        return false;
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
        if (!ok)
            return false;
    }
    return true;
}

// Headers the transfer layer sets itself, or that would change what the answer means.
bool isOwnHeader(const QByteArray &name)
{
    static const QList<QByteArray> own{"host", "content-length", "connection", "transfer-encoding",
                                       "accept-encoding", "range", "if-range", "te", "upgrade", "keep-alive",
                                       "proxy-authorization", "proxy-connection"};
    return own.contains(name.toLower());
}

RequestHeaders headersOf(const QJsonObject &format)
{
    RequestHeaders headers;
    qsizetype bytes = 0;
    const QJsonObject all = format.value(QStringLiteral("http_headers")).toObject();
    for (auto it = all.begin(); it != all.end() && headers.size() < MaxRequestHeaders; ++it) {
        const QByteArray name = it.key().toLatin1();
        if (!it.value().isString() || !isToken(name) || isOwnHeader(name))
            continue;
        const QByteArray value = it.value().toString().toUtf8();
        if (value.size() > HeaderValueLimit || value.contains('\r') || value.contains('\n') || value.contains('\0')
            || bytes + name.size() + value.size() > MaxRequestHeaderBytes)
            continue;
        bytes += name.size() + value.size();
        headers.append({name, value});
    }
    return headers;
}

qint64 number(const QJsonObject &object, const QString &key)
{
    const double value = object.value(key).toDouble(-1);
    return std::isfinite(value) && value > 0 && value < 9.0e15 ? static_cast<qint64>(std::llround(value)) : -1;
}

QString resolutionOf(const QJsonObject &format)
{
    const qint64 width = number(format, QStringLiteral("width"));
    const qint64 height = number(format, QStringLiteral("height"));
    if (width > 0 && height > 0 && width < 100000 && height < 100000)
        return QStringLiteral("%1x%2").arg(width).arg(height);
    if (height > 0 && height < 100000)
        return QStringLiteral("%1p").arg(height);
    return QString();
}

QString containerOf(const QJsonObject &format)
{
    static const QRegularExpression plain(QStringLiteral("^[a-z0-9]{1,8}$"));
    const QString ext = ExtractorJson::Text(format, QStringLiteral("ext"), 20).toLower();
    return plain.match(ext).hasMatch() ? ext : QString();
}

// defaultId: the identifier of a format that names none (a video of one format).
std::optional<VideoEncoding> encodingOf(const QJsonObject &format, const QString &defaultId = QString())
{
    if (format.value(QStringLiteral("has_drm")).toBool())
        return std::nullopt;
    VideoEncoding encoding;
    encoding.formatId = ExtractorJson::Text(format, QStringLiteral("format_id"), 200);
    if (encoding.formatId.isEmpty())
        encoding.formatId = defaultId;
    // A fragment is never sent; the extractor keeps its own notes in one.
    encoding.address = QUrl(ExtractorJson::Text(format, QStringLiteral("url"), 8000)).adjusted(QUrl::RemoveFragment).toString();
    const QString manifest = ExtractorJson::Text(format, QStringLiteral("manifest_url"), 8000);
    if (!plainFormatId(encoding.formatId) || !VideoText::IsWebAddress(encoding.address)
        || (!manifest.isEmpty() && !VideoText::IsWebAddress(manifest)))
        return std::nullopt;

    const bool noVideo = format.value(QStringLiteral("vcodec")).toString() == QLatin1String("none");
    const bool noAudio = format.value(QStringLiteral("acodec")).toString() == QLatin1String("none");
    if (noVideo && noAudio)
        return std::nullopt; // pictures (storyboards), never a video
    encoding.tracks = noVideo ? VideoEncoding::Tracks::AudioOnly
        : noAudio             ? VideoEncoding::Tracks::VideoOnly
                              : VideoEncoding::Tracks::Both;

    QString protocol = ExtractorJson::Text(format, QStringLiteral("protocol"), 40).toLower();
    if (protocol.isEmpty())
        protocol = QUrl(encoding.address).scheme().toLower();
    const bool oneFile = (protocol == QLatin1String("http") || protocol == QLatin1String("https"))
        && !format.contains(QStringLiteral("fragments"));
    encoding.kind = oneFile ? VideoEncoding::Kind::SingleFile : VideoEncoding::Kind::Stream;
    if (oneFile && encoding.tracks == VideoEncoding::Tracks::Both) {
        bool isNumber = false;
        const int code = encoding.formatId.toInt(&isNumber);
        encoding.slot = isNumber ? FormatTable::SlotOfCode(code) : -1;
    }
    if (encoding.kind == VideoEncoding::Kind::SingleFile)
        encoding.headers = headersOf(format);
    encoding.container = containerOf(format);
    encoding.resolution = encoding.tracks == VideoEncoding::Tracks::AudioOnly ? QString() : resolutionOf(format);
    encoding.size = number(format, QStringLiteral("filesize"));
    if (encoding.size < 0) {
        encoding.size = number(format, QStringLiteral("filesize_approx"));
        encoding.sizeIsEstimate = encoding.size >= 0;
    }
    return encoding;
}

VideoEncoding merged(const VideoEncoding &video, const VideoEncoding &audio)
{
    VideoEncoding encoding;
    encoding.kind = VideoEncoding::Kind::Merged;
    encoding.formatId = video.formatId + QLatin1Char('+') + audio.formatId;
    encoding.container = QStringLiteral("mkv");
    encoding.resolution = video.resolution;
    if (video.size >= 0 && audio.size >= 0) {
        encoding.size = video.size + audio.size;
        encoding.sizeIsEstimate = video.sizeIsEstimate || audio.sizeIsEstimate;
    }
    return encoding;
}

} // namespace

namespace ExtractorJson {

QList<VideoEncoding> ReadFormats(const QJsonObject &video, bool canMerge)
{
    QJsonArray formats = video.value(QStringLiteral("formats")).toArray();
    QString defaultId;
    if (formats.isEmpty() && video.contains(QStringLiteral("url"))) {
        formats.append(video); // a video of one format names it in itself
        defaultId = QStringLiteral("best");
    }

    std::array<std::optional<VideoEncoding>, FormatTable::Count> known;
    QList<VideoEncoding> both, videoOnly, audioOnly; // best first
    for (qsizetype i = std::min(formats.size(), FormatLimit) - 1; i >= 0; --i) {
        std::optional<VideoEncoding> encoding = encodingOf(formats.at(i).toObject(), defaultId);
        if (!encoding)
            continue;
        if (encoding->slot >= 0) {
            if (!known[encoding->slot]) // the later of two with the same code, as in a format map
                known[encoding->slot] = encoding;
            continue;
        }
        auto &group = encoding->tracks == VideoEncoding::Tracks::Both ? both
            : encoding->tracks == VideoEncoding::Tracks::VideoOnly    ? videoOnly
                                                                      : audioOnly;
        group << *encoding;
    }

    QList<VideoEncoding> result;
    for (const auto &slot : known) {
        if (slot)
            result << *slot;
    }
    const bool onlySeparate = result.isEmpty() && both.isEmpty();
    if (onlySeparate && canMerge && !videoOnly.isEmpty() && !audioOnly.isEmpty())
        result << merged(videoOnly.first(), audioOnly.first());
    return result + both + videoOnly + audioOnly;
}

} // namespace ExtractorJson
