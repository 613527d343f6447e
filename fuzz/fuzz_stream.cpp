// The image loaders for received bytes: the surface's stream loader (any format the image
// readers know, a part of the bytes chosen by the input's first two bytes) and the thumbnail
// reader, which never keeps more than 120 x 90 pixels.

#include "FuzzSupport.h"

#include "image/PictureFromBytes.h"
#include "image/c32bppDIB.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray bytes = fuzz::Bytes(data + 2, size - 2);
    const qsizetype start = data[0] % 16;
    const qsizetype length = data[1] % 2 ? 0 : bytes.size() - start - data[1] / 2;

    c32bppDIB picture;
    if (picture.LoadPicture_Stream(bytes, 0, 0, start, length, true)) {
        FUZZ_CHECK(picture.Handle() && picture.Width() > 0 && picture.Height() > 0);
        QByteArray kept;
        FUZZ_CHECK(picture.GetOrginalFormat(kept) && kept.size() <= bytes.size());
    } else {
        FUZZ_CHECK(!picture.Handle());
    }

    const QImage thumbnail = PictureFromBytes(bytes);
    FUZZ_CHECK(thumbnail.width() <= ThumbnailSize.width() && thumbnail.height() <= ThumbnailSize.height());
    FUZZ_CHECK(!bytes.isEmpty() || !thumbnail.isNull()); // no bytes: the placeholder
    return 0;
}
