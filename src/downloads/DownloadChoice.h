#pragma once

#include <QString>

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
};
