#pragma once

#include "transfer/TransferValidators.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>

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
    // A part of a file (206) came where the whole was asked for: it proves nothing, it is refused.
    bool validatorMismatch = false;
    // What the last answer said about its file (total: the whole length), for the next resume.
    TransferValidators validators;
    QByteArray retryAfter; // the answer's Retry-After as sent (seconds or an HTTP date), empty when none

    qint64 fileBytes() const { return resumedFrom + bytesReceived; }
};

Q_DECLARE_METATYPE(TransferResult)
