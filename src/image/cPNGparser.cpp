#include "image/cPNGparser.h"

#include "image/c32bppDIB.h"

bool cPNGparser::hasSignature(const QByteArray &bytes)
{
    static const char signature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1A', '\n'};
    return bytes.size() >= 8 && bytes.startsWith(QByteArrayView(signature, 8));
}

bool cPNGparser::LoadStream(const QByteArray &Stream, c32bppDIB &dibClass, qsizetype streamOffset,
                            qsizetype streamLength)
{
    streamOffset = std::clamp<qsizetype>(streamOffset, 0, Stream.size());
    if (streamLength <= 0 || streamOffset + streamLength > Stream.size())
        streamLength = Stream.size() - streamOffset;
    // A view of the caller's bytes, not a copy; it goes when this call ends.
    const QByteArray view = QByteArray::fromRawData(Stream.constData() + streamOffset, streamLength);
    if (!hasSignature(view))
        return false;
    if (!dibClass.LoadDecodedBytes(view))
        return false;
    m_width = dibClass.Width();
    m_height = dibClass.Height();
    return true;
}
