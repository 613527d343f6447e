#include "queue/EncodingChoice.h"

#include "videoinfo/VideoEncoding.h"
#include "videoinfo/VideoText.h"

#include <QUrl>

namespace EncodingChoice {

DownloadChoice Of(const VideoEncoding &encoding, const QString &pageAddress)
{
    DownloadChoice choice;
    choice.suffix = encoding.fileSuffix();
    choice.encoding = encoding.formatId;
    choice.watchPage = pageAddress;
    if (encoding.kind == VideoEncoding::Kind::SingleFile) {
        if (VideoText::IsWebAddress(encoding.address)) {
            choice.mediaAddress = encoding.address;
            choice.headers = encoding.headers;
        }
        return choice;
    }
    // The extractor reads the page again; only a web page is handed to it.
    if (!VideoText::IsWebAddress(pageAddress) || encoding.formatId.isEmpty())
        return choice;
    choice.byExtractor = true;
    if (VideoText::IsWebAddress(encoding.address)) {
        choice.mediaAddress = encoding.address;
    } else {
        QUrl key(pageAddress);
        key.setFragment(QStringLiteral("format=") + encoding.formatId);
        choice.mediaAddress = key.toString(QUrl::FullyEncoded);
    }
    return choice;
}

} // namespace EncodingChoice
