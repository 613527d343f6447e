// The PNG front end of the image surface: PNG bytes (signature checked) into a 32-bit picture.

#include "FuzzSupport.h"

#include "image/c32bppDIB.h"
#include "image/cPNGparser.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    c32bppDIB picture;
    cPNGparser parser;
    const bool loaded = parser.LoadStream(bytes, picture);
    if (!cPNGparser::hasSignature(bytes)) {
        FUZZ_CHECK(!loaded && !picture.Handle());
        return 0;
    }
    if (loaded) {
        FUZZ_CHECK(picture.Handle() && picture.Width() > 0 && picture.Height() > 0);
        FUZZ_CHECK(parser.Width() == picture.Width() && parser.Height() == picture.Height());
        QByteArray pixels;
        FUZZ_CHECK(picture.GetDIBbits(pixels));
        FUZZ_CHECK(pixels.size() == qsizetype(picture.Width()) * picture.Height() * 4);
    }
    return 0;
}
