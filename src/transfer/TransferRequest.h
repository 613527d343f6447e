#pragma once

#include "transfer/ByteRanges.h"
#include "transfer/TransferValidators.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// One transfer as the caller asks for it.
struct TransferRequest
{
    QString url;
    QString key;        // names the transfer; empty: the address
    int cacheMode = 0;  // Downloader::ForceUpdate to never use a cache
    QString targetFile; // empty: the body is kept in memory and handed over by Complete
    // The target file is made new, readable and writable by the owner alone, and never opened
    // through a link: when anything is at that path already the transfer fails (writeFailed).
    bool createNew = false;
    // The most bytes this body may have, whether kept in memory or written to targetFile; 0: the
    // Downloader's memory limits for bodies in memory, no cap for files. An answer announced or
    // grown past it ends as TransferResult::overSizeLimit.
    qint64 maxBytes = 0;

    // Resume: keep the first resumeFrom bytes of targetFile and ask only for the rest, with the
    // validators of the transfer that wrote them. The answer decides (see Downloader):
    // the rest of the same file is appended; anything that does not prove to be the same file
    // starts the file again from zero, and the result says so. Without a provable resume
    // (resumeFrom 0, no strong ETag and no date, no total, or a file shorter than resumeFrom)
    // the file is written from zero.
    qint64 resumeFrom = 0;
    TransferValidators validators;

    // Segments: a file to a target whose server proves that it serves ranges (a 206, or
    // Accept-Ranges with a strong validator and a length) and of which at least
    // SegmentedTransfer::MinRest bytes are missing is fetched over up to this many connections at
    // once. 1: one connection, from the kept bytes to the end.
    int connections = 1;
    // Exactly these bytes of targetFile are on disk, written in segments under `validators`
    // (resumeFrom is not used then): only the rest is asked for. Without a provable resume the
    // file is written from zero.
    std::optional<ByteRanges> keptRanges;

    // Extra request headers, sent as given: e.g. the User-Agent, Referer and Cookie that a page's
    // extractor names for a format. A User-Agent here replaces the program's own.
    QList<QPair<QByteArray, QByteArray>> headers;
};
