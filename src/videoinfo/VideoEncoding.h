#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Header name and value pairs that a request for a media address must carry.
using RequestHeaders = QList<QPair<QByteArray, QByteArray>>;
// At most this many, and this many bytes of names and values together, are taken for one format:
// the list keeps them with every row in its journal, which must stay small enough to be read back.
inline constexpr qsizetype MaxRequestHeaders = 32;
inline constexpr qsizetype MaxRequestHeaderBytes = 16 * 1024;

// One way of fetching the current video.
struct VideoEncoding
{
    enum class Kind {
        SingleFile, // one file over http or https, fetched by the transfer layer with its headers
        Stream,     // HLS, DASH or another protocol that only the extractor can fetch
        Merged,     // the best video and the best audio stream, joined by the extractor
    };
    enum class Tracks { Both, VideoOnly, AudioOnly };

    Kind kind = Kind::SingleFile;
    Tracks tracks = Tracks::Both;
    int slot = -1;          // option button 0..5 of a known format code, -1 for the list of others
    QString formatId;       // what the extractor is asked for; the format code for a watch page
    QString address;        // http or https; empty for a merged encoding
    RequestHeaders headers; // user agent, referer, cookies as the extractor gives them
    QString container;      // "mp4", "webm", "mkv"; empty when unknown
    QString resolution;     // "1280x720", "720p"; empty when unknown
    qint64 size = -1;       // bytes, -1 when unknown
    bool sizeIsEstimate = false;

    // "mp4, 1280x720, 12.35 MB": what the list of other formats shows.
    QString label() const;
    // The file name ending of a download: the known format's ending, else "." and the container.
    QString fileSuffix() const;
};
