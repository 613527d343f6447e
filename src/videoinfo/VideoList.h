#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One entry of a list of videos (a playlist, a channel, a feed, a page with several videos) as
// the extractor lists it, without reading the entry's own page.
struct VideoListEntry
{
    int position = 0;     // 1-based, the entry's place in the list
    QString title;        // plain text; never empty
    qint64 seconds = -1;  // the duration; -1 when the list does not give it
    QString pageAddress;  // what the extractor is asked for when the entry is downloaded (http or https)
    QString extractor;    // the key of the extractor that reads the entry ("Youtube", "Generic")
    QString id;           // the entry's identifier within that extractor
};

// A list as it is shown: its own details and its entries in list order.
struct VideoList
{
    QString address; // the address that was listed
    QString title;
    QString uploader;
    QList<VideoListEntry> entries;
};

Q_DECLARE_METATYPE(VideoList)
