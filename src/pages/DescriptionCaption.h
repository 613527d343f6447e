#pragma once

#include "videoinfo/VideoInfo.h"

#include <QString>

// The caption of the description label: the bold "Description:", one blank, the description.
// The watch page's description is markup already; any other is plain text and shown as it is:
// none of its characters can form one of the label's tags, and its line breaks stay line breaks.
QString DescriptionCaption(const VideoInfo &info);
