#pragma once

// The state of one transfer of a Downloader, shared by its source files.
#include "transfer/Downloader.h"
#include "transfer/SegmentedTransfer.h"

#include <QFile>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

struct Downloader::Transfer
{
    quint64 serial = 0;
    TransferRequest request; // key and address as used
    QNetworkAccessManager *manager = nullptr;
    QPointer<QNetworkReply> reply;
    QFile *target = nullptr;
    QByteArray data;
    qint64 received = 0;
    QTimer *idle = nullptr;
    QTimer *deadline = nullptr; // in-memory transfers only
    bool writeFailed = false;
    QString writeError;
    bool timedOut = false;
    bool overSize = false;
    bool overDeadline = false;

    // Resume and the answer's verdict.
    qint64 offset = 0;   // bytes kept and asked to be continued by the current request
    qint64 base = 0;     // bytes of the file before the current answer's body
    bool decided = false;
    bool writing = false; // the current answer's body belongs to the file
    bool resumed = false;
    bool restarted = false;
    bool alreadyWhole = false;
    TransferResult::Refused refused = TransferResult::Refused::None;
    qint64 wholeLength = -1;
    TransferValidators seen;

    // Segments: once an answer proves that the server serves ranges, the rest goes over several
    // connections (the answer's reply goes with it).
    SegmentedTransfer *segments = nullptr;
    bool oneConnection = false; // the file starts again from zero: on one connection only
};
