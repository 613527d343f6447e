#pragma once

#include "queue/DownloadChoice.h"
#include "support/StandIn.h"
#include "transfer/ByteRanges.h"
#include "transfer/TransferValidators.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class DemoSite;
class DownloadQueue;

// What the download tests share, without widgets: the demo site, media addresses and a byte-by-byte
// comparison of saved files with the site's generated content.
namespace PanelFixture {

constexpr int Wait = 20000; // ms for a transfer of the tests to end
inline const QString Id = QStringLiteral("sunsetBeach");

// Starts the site once per test program, with short idle time-outs and waits between tries.
DemoSite &site();
void setUpTransfers();

// The address of a media file of the demo site with an optional query ("size=5000&rate=100000").
QString mediaAddress(const QString &id, int code, const QString &query = QString());
// The path part of that address, as the site's request log lists it.
QString mediaTarget(const QString &id, int code, const QString &query = QString());

DownloadChoice choice(const QString &id, int code, const QString &title, const QString &suffix,
                      const QString &query = QString());

// True when the file holds exactly the first `size` bytes of the media file (id, code), or of the
// same file after the site changed it.
bool holdsMedia(const QString &path, const QString &id, int code, qint64 size, QString *why, bool changed = false);
// The Range header of each request for target, in order ("" for a request of the whole file); a
// request sent again over a closed connection counts once.
QStringList rangesOf(const QString &target);
// Empty when the bytes `kept` of a partial file of (Id, 18) are the media file's bytes there and
// what a download ended midway leaves: at least `least`, not all `size`, in several spans exactly
// when it was written in segments. Otherwise why not.
QString keptMidway(const QString &partial, const ByteRanges &kept, qint64 least, qint64 size, bool segments);
// Empty when the download of (Id, 18, query) went on from the bytes `kept`: `file` holds all `size`
// bytes, no request asked again for a kept byte (a request of the whole file does), one kept in
// one piece asked only for the rest, and no partial file is left beside it. Otherwise why not.
QString continuedFrom(const QString &file, const QString &query, qint64 size, const ByteRanges &kept, bool segments);
// The first `size` bytes of that media file.
QByteArray mediaBytes(const QString &id, int code, qint64 size);

// The validators the site sends for a media address (read from a real request for its first byte).
TransferValidators validatorsOf(const QString &address);

inline QByteArray readFile(const QString &path) { return StandIn::FileBytes(path); }
inline void writeFile(const QString &path, const QByteArray &content) { StandIn::WriteFile(path, content); }

// Runs action right after the download core has handled the row's completion, before any other event.
void afterComplete(DownloadQueue &queue, const QString &key, const std::function<void()> &action);

// The hidden files of a folder (partial files of running transfers).
QStringList hiddenFiles(const QString &folder);

} // namespace PanelFixture

// Fails the test unless the file holds exactly the first `size` bytes of the media file.
#define QVERIFY_MEDIA(path, id, code, size)                                                         \
    do {                                                                                            \
        QString why_;                                                                               \
        QVERIFY2(PanelFixture::holdsMedia(path, id, code, size, &why_), qPrintable(why_));          \
    } while (false)
