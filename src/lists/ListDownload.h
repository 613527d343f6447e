#pragma once

#include "videoinfo/VideoList.h"

class DownloadQueue;

namespace ListDownload {

// Adds one row per entry to the download list, in list order, with one choice of quality for
// all; folder as for ListChoice::For. Entries that already are rows are left out; when the rest
// does not fit, the user is asked whether to add the first that do. Each row's file gets a name
// that neither a file in its folder nor another row of these has. Returns the rows added.
int Add(DownloadQueue &queue, const QList<VideoListEntry> &entries, int choice, const QString &folder);

// The question when only some of the entries fit.
QString FitQuestion(int fitting, int chosen);

} // namespace ListDownload
