#pragma once

#include "transfer/ByteRanges.h"
#include "transfer/TransferValidators.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// One row of the download list as the journal keeps it across runs of the program.
struct JournalRow
{
    QString mediaAddress;  // the row's key: an http or https address, unique in the list
    QString fileName;      // the final file's name inside saveFolder
    QString saveFolder;    // the folder the row saves to (its partial file lies there too)
    int state = 1;         // DownloadState: 1 downloading, 2 downloaded, 3 stopped, 4 error, 5 queued
    qint64 bytes = 0;      // bytes on disk: in the partial file, or the finished file's size
    // The partial file was written in segments: exactly these bytes of it are on disk (bytes is
    // their sum). No value: it holds its bytes from the start (its length says how many).
    std::optional<ByteRanges> ranges;
    qint64 total = -1;     // the whole file's length, -1 while unknown
    QByteArray etag;       // validators of the bytes on disk, as the server sent them
    QByteArray lastModified;
    bool lastModifiedStrong = false; // the date proves the version (missing in older journals: no)
    QString watchPage;     // the page the row came from (may be empty)
    QString encoding;      // the format it came from: a format code ("18") or an extractor's format id
    QDateTime added;       // when the row was added (UTC)
    QString caption;       // the row's last caption, e.g. the reason of a failure (may be empty)
    // Request headers the format needs (User-Agent, Referer, Cookie), sent again on resume.
    QList<QPair<QByteArray, QByteArray>> headers;
    // The extractor fetches the row (watchPage, encoding); it runs again from the start.
    bool byExtractor = false;
    // The recipe's options it runs with (RecipeOptions::Accepts), its preset's name and the
    // subtitle languages the page lacked (missing in older journals: none).
    QStringList recipe;
    QString presetName;
    QStringList missingLanguages;
    // What the download archive gets when the row finishes ("extractor id"; missing in older
    // journals: empty, none).
    QString archiveLine;

    TransferValidators validators() const { return {etag, lastModified, total, lastModifiedStrong}; }

    bool operator==(const JournalRow &) const = default;
};
