#include "image/modParsers.h"

namespace modParsers {

int ValidateAlphaChannel(uchar *pixels, qsizetype pixelCount, bool repair)
{
    qsizetype transparent = 0;
    qsizetype opaque = 0;
    bool colouredTransparent = false; // a pixel of alpha 0 with colour: the colours cannot be premultiplied
    bool notPremultiplied = false;
    bool complex = false;

    for (qsizetype i = 0; i < pixelCount; ++i) {
        const uchar *px = pixels + i * 4;
        const uchar alpha = px[3];
        if (alpha == 0) {
            ++transparent;
            if (px[0] || px[1] || px[2])
                colouredTransparent = true;
        } else if (alpha == 255) {
            ++opaque;
        } else {
            if (colouredTransparent || px[0] > alpha || px[1] > alpha || px[2] > alpha) {
                notPremultiplied = true;
                break;
            }
            complex = true;
        }
    }

    int alphaClass = AlphaSimple;
    if (transparent == pixelCount || opaque == pixelCount)
        alphaClass = AlphaNone;
    else if (complex)
        alphaClass = AlphaComplex;

    if (repair) {
        if (alphaClass == AlphaNone) {
            for (qsizetype i = 0; i < pixelCount; ++i)
                pixels[i * 4 + 3] = 255;
        } else if (notPremultiplied) {
            for (qsizetype i = 0; i < pixelCount; ++i) {
                uchar *px = pixels + i * 4;
                const int alpha = px[3];
                for (int c = 0; c < 3; ++c)
                    px[c] = static_cast<uchar>(px[c] * alpha / 255);
            }
        }
    }
    return alphaClass;
}

} // namespace modParsers
