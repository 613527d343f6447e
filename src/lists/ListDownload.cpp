#include "lists/ListDownload.h"

#include "base/UiSeam.h"
#include "lists/ListChoice.h"
#include "queue/DownloadNames.h"
#include "queue/DownloadQueue.h"

#include <QDir>
#include <QSet>

#include <optional>

namespace ListDownload {

QString FitQuestion(int fitting, int chosen)
{
    return QStringLiteral("Sorry, but only %1 of the %2 videos you selected fit in the download list. ").arg(fitting).arg(chosen)
        + QStringLiteral("\r\n\r\n") + QStringLiteral("Do you want to add the first %1 of them? ").arg(fitting);
}

int Add(DownloadQueue &queue, const QList<VideoListEntry> &entries, int choice, const QString &folder)
{
    QList<DownloadChoice> choices;
    std::optional<DownloadChoice> duplicate;
    for (const VideoListEntry &entry : entries) {
        const DownloadChoice row = ListChoice::For(entry, choice, folder);
        if (row.mediaAddress.isEmpty())
            continue;
        if (queue.records().indexOf(row.mediaAddress) >= 0)
            duplicate = row;
        else
            choices.append(row);
    }
    if (choices.isEmpty()) {
        if (duplicate)
            queue.mayAdd(*duplicate); // says so
        return 0;
    }
    const int room = queue.roomLeft();
    if (room == 0) {
        queue.mayAdd(choices.constFirst()); // the list's limit, in its own words
        return 0;
    }
    if (choices.size() > room) {
        if (UiSeam::messageBox(FitQuestion(room, static_cast<int>(choices.size())), UiSeam::YesNo | UiSeam::Question)
            != UiSeam::Yes)
            return 0;
        choices.resize(room);
    }

    const QString target = folder.isEmpty() ? queue.savePath() : folder;
    QSet<QString> named; // paths given to the rows added here
    int added = 0;
    const DownloadQueue::Batch batch(queue); // the journal is written once for all of them
    for (const DownloadChoice &row : choices) {
        const QString wanted = DownloadNames::Safe(row.videoTitle + row.suffix, row.videoId, row.suffix);
        const QString name = DownloadNames::UniqueName(
            target, wanted, [&named](const QString &path) { return named.contains(DownloadNames::PathKey(path)); });
        if (queue.add(row, name)) {
            named.insert(DownloadNames::PathKey(QDir(target).filePath(name)));
            ++added;
        }
    }
    return added;
}

} // namespace ListDownload
