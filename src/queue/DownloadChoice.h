#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// What the video tab hands to the download list when "Download" is pressed: the media address of
// the selected encoding (empty when no option button is selected), the encoding's file suffix
// ("_(HQ).flv"), the current video's title already cleaned for use as a file name, and its
// identifier (the name of last resort when the title leaves no usable file name).
struct DownloadChoice
{
    QString mediaAddress;
    QString suffix;
    QString videoTitle;
    QString videoId;
    QString watchPage; // the page the video came from (kept with the row)
    QString encoding;  // the format: a format code ("18") or an extractor's format id
    // Request headers the format needs (User-Agent, Referer, Cookie), sent again on every try.
    QList<QPair<QByteArray, QByteArray>> headers;
    // The bytes come from the video extractor run on watchPage for the format in encoding
    // (streams and merged video and audio), not from a transfer of mediaAddress.
    bool byExtractor = false;
    // The folder the row saves to (made when missing); empty: the list's save folder, read when
    // the row starts and when it finishes, as for a row of a single video.
    QString folder;
    // The line the download archive gets when the row finishes ("extractor id"); empty: none.
    QString archiveLine;
    // A recipe's extractor options (RecipeOptions::Accepts), with byExtractor: the extractor
    // chooses the streams and shapes the file; empty: the format in encoding. The preset's name
    // says which recipe it was.
    QStringList recipe;
    QString presetName;
    // The recipe's subtitle languages the page does not offer, named when the row ends.
    QStringList missingLanguages;
};
