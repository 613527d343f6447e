#pragma once

// What the video panel's tests share: a panel with the seam that answers its boxes, and short
// readings of what it shows.

#include "analysis/VideoPanel.h"
#include "support/SeamRecorder.h"
#include "transfer/Downloader.h"

#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStringList>

#include <string_view>

inline QString q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A panel under test, the seam that answers its boxes, and its tab requests.
struct Shown
{
    SeamRecorder seam;
    VideoPanel panel;
    QSignalSpy tabs{&panel, &VideoPanel::requestTab};
};

// Writes the address into the box and waits until its watch page has been handled.
inline bool LoadPage(VideoPanel &panel, const QString &address)
{
    QSignalSpy done(panel.DownloadPage, &Downloader::Complete);
    panel.loadAddress(address);
    return done.wait(15000);
}

// The details shown: title, author, published, duration, rating, views.
inline QStringList Details(const VideoPanel &panel)
{
    QStringList texts;
    for (const QLabel *label : {panel.lblTitle, panel.lblAuthor, panel.lblPublished, panel.lblDuration, panel.lblRating,
                                panel.lblViews})
        texts << label->text();
    return texts;
}

// The slots whose option button is enabled, e.g. "0,2,5".
inline QString EnabledSlots(const VideoPanel &panel)
{
    QStringList enabled;
    for (int slot = 0; slot < FormatTable::Count; ++slot) {
        if (panel.OptVideoType[slot]->isEnabled())
            enabled << QString::number(slot);
    }
    return enabled.join(QLatin1Char(','));
}
