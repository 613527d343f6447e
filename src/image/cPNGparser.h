#pragma once

#include <QByteArray>

class c32bppDIB;

// The PNG front end of the image loaders: it checks the PNG signature and hands real PNG data to
// the general decoder. Bytes that are not PNG are left to the caller's other loaders.
class cPNGparser final
{
public:
    // Loads streamLength bytes from streamOffset (0 = to the end) into dibClass. False, with
    // dibClass untouched, when the signature is not PNG's; false, with dibClass empty, when the
    // PNG cannot be decoded.
    bool LoadStream(const QByteArray &Stream, c32bppDIB &dibClass, qsizetype streamOffset = 0,
                    qsizetype streamLength = 0);

    int Width() const { return m_width; }
    int Height() const { return m_height; }

    static bool hasSignature(const QByteArray &bytes);

private:
    int m_width = 0;
    int m_height = 0;
};
