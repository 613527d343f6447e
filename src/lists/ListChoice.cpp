#include "lists/ListChoice.h"

#include "queue/DownloadArchive.h"
#include "queue/DownloadNames.h"
#include "videoinfo/VideoText.h"

#include <QDir>
#include <QUrl>

namespace ListChoice {

QStringList Captions()
{
    return {QStringLiteral("Best"), QStringLiteral("At most 1080p"), QStringLiteral("At most 720p"),
            QStringLiteral("At most 480p"), QStringLiteral("Audio only")};
}

QString Selector(int choice)
{
    // "height<=?N" lets formats of unknown height through (a feed's files); with nothing that low,
    // the smallest there is.
    const auto atMost = [](int height) {
        const QString limit = QStringLiteral("[height<=?%1]").arg(height);
        return QStringLiteral("bv*%1+ba/b%1/wv*+ba/w").arg(limit);
    };
    switch (choice) {
    case Best: return QStringLiteral("bv*+ba/b");
    case AtMost1080: return atMost(1080);
    case AtMost720: return atMost(720);
    case AtMost480: return atMost(480);
    case AudioOnly: return QStringLiteral("ba");
    default: return QString();
    }
}

QString Suffix(int choice)
{
    return choice == AudioOnly ? QStringLiteral(".m4a") : QStringLiteral(".mp4");
}

QString FolderFor(const QString &saveFolder, const QString &listTitle)
{
    const QString name = DownloadNames::Safe(VideoText::FileTitle(listTitle), QStringLiteral("list"), QString());
    return QDir::cleanPath(QDir(saveFolder).absoluteFilePath(name));
}

DownloadChoice For(const VideoListEntry &entry, int choice, const QString &folder)
{
    DownloadChoice out;
    const QString selector = Selector(choice);
    if (!VideoText::IsWebAddress(entry.pageAddress) || selector.isEmpty())
        return out; // no media address: nothing is added
    out.byExtractor = true;
    out.watchPage = entry.pageAddress;
    out.encoding = selector;
    QUrl key(entry.pageAddress);
    key.setFragment(QStringLiteral("format=") + selector);
    out.mediaAddress = key.toString(QUrl::FullyEncoded);
    out.suffix = Suffix(choice);
    out.videoTitle = VideoText::FileTitle(entry.title);
    out.videoId = entry.id;
    out.folder = folder;
    out.archiveLine = DownloadArchive::lineFor(entry.extractor, entry.id);
    return out;
}

} // namespace ListChoice
