#pragma once

#include <QMetaType>
#include <QString>

// How a transfer ended. The Complete event carries it beside the body so that receivers can
// refuse an error page, a lost connection or a body shorter than announced.
struct TransferResult
{
    bool ok = false;          // whole body received with a success status
    int httpStatus = 0;       // 0 when no answer arrived
    int networkError = 0;     // QNetworkReply::NetworkError, 0 for none
    QString errorText;        // empty when ok
    qint64 bytesReceived = 0; // body bytes that arrived
    qint64 bytesTotal = -1;   // announced length, -1 when the server announced none
    QString targetFile;       // the file the body was written to, empty for in-memory transfers
    bool timedOut = false;    // nothing arrived for longer than the idle time-out
    bool writeFailed = false; // the target file could not be opened or written (full disk, no folder)
    bool overSizeLimit = false; // an in-memory body was announced or grew past its size cap
    bool overDeadline = false;  // an in-memory transfer was still running at its overall deadline
};

Q_DECLARE_METATYPE(TransferResult)
