#pragma once

#include "pages/FormatMap.h"
#include "pages/VideoDetails.h"
#include "base/RuntimeError.h"
#include "videoinfo/VideoInfo.h"

#include <QString>
#include <optional>

// A watch page read through its markers, as the value the video panel shows. The errors of the
// three readings travel beside it for the messages the panel reports.
struct WatchPageReading
{
    VideoInfo info;
    FormatMapResult map; // as read: the found slots and the map's own error
    std::optional<RuntimeError> detailsError;
    std::optional<RuntimeError> relatedError;

    // The page offers a known format and its map was read without error: the details were read.
    bool hasLinks() const { return !map.error && map.anyFound(); }
};

namespace WatchPageInfo {

// Reads the format map and, when it offers a known format, the details and the related videos.
// `kept` holds the details of the pages read before: a field that a broken duration stops the
// reading before keeps its old value, as the panel's labels do.
WatchPageReading Read(const QString &page, VideoDetails &kept);

} // namespace WatchPageInfo
