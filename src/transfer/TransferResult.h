#pragma once

#include "transfer/ByteRanges.h"
#include "transfer/TransferValidators.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <optional>

// How a transfer ended. The Complete event carries it beside the body so that receivers can
// refuse an error page, a lost connection or a body shorter than announced.
struct TransferResult
{
    // The whole body is there: a success status, no error, and exactly the announced length in
    // total (for a resume: the kept bytes plus the new ones make the whole file; a 416 that
    // proves the kept bytes are the whole file counts too).
    bool ok = false;
    int httpStatus = 0;       // of the last answer; 0 when no answer arrived
    int networkError = 0;     // QNetworkReply::NetworkError, 0 for none
    QString errorText;        // empty when ok
    qint64 bytesReceived = 0; // body bytes that arrived (and, for a file, were written) this time
    qint64 bytesTotal = -1;   // length of the whole file as announced, -1 when the server announced none
    QString targetFile;       // the file the body was written to, empty for in-memory transfers
    bool timedOut = false;    // nothing arrived for longer than the idle time-out
    bool writeFailed = false; // the target file could not be opened or written (full disk, no folder)
    bool overSizeLimit = false; // an in-memory body was announced or grew past its size cap
    bool overDeadline = false;  // an in-memory transfer was still running at its overall deadline

    // Resume. The target file holds resumedFrom + bytesReceived bytes.
    qint64 resumedFrom = 0;  // bytes kept from before, continued by this transfer
    bool resumed = false;    // the kept bytes were proved part of the same file and kept
    bool restarted = false;  // a resume was asked for, but the file was written again from zero
    // A success answer whose body is not the file as asked for, refused before a byte of it was
    // kept: a part (206) where the whole was asked for, a body in an encoding nobody asked for,
    // or a length beyond any file. The bytes kept from before stay as they were.
    enum class Refused { None, PartUnasked, Encoded, AbsurdLength };
    Refused refused = Refused::None;
    // The validators of the bytes in the file after this transfer, for the next resume: the
    // answer's when its body was written (or a 416 proved the file whole), else those the kept
    // bytes had (none when nothing was kept). An error page's own never replace them.
    TransferValidators validators;
    QByteArray retryAfter; // the answer's Retry-After as sent (seconds or an HTTP date), empty when none
    // The file was written in segments: the bytes now on disk (resumedFrom counts the kept ones,
    // bytesReceived the new ones). Empty (no value) when the file holds its bytes from the start.
    std::optional<ByteRanges> ranges;
    // The transfer already tried again by itself as often as RetryPolicy allows: final.
    bool retriesSpent = false;

    qint64 fileBytes() const { return resumedFrom + bytesReceived; }
};

Q_DECLARE_METATYPE(TransferResult)
