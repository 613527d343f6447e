// Pixel work on the image surface: single pixels, raw copies, regions, resizing, trimming,
// transparency and colour blending.

#include "image/c32bppDIB.h"

#include "image/modParsers.h"

#include <QPainter>

#include <cstring>
#include <utility>

namespace {

uchar premultiply(int colour, int alpha)
{
    return static_cast<uchar>(colour * alpha / 255);
}

int unpremultiply(int colour, int alpha)
{
    return alpha == 0 ? 0 : std::min(255, (colour * 255 + alpha / 2) / alpha);
}

} // namespace

QColor c32bppDIB::GetPixel(int x, int Y, int *AlphaValue, bool asPreMultiplied) const
{
    if (!Handle() || x < 0 || Y < 0 || x >= m_width || Y >= m_height)
        return QColor();
    const uchar *px = m_bits.data() + (static_cast<qsizetype>(m_height - 1 - Y) * m_width + x) * 4;
    const int alpha = px[3];
    if (AlphaValue)
        *AlphaValue = alpha;
    if (asPreMultiplied)
        return QColor(px[2], px[1], px[0]);
    return QColor(unpremultiply(px[2], alpha), unpremultiply(px[1], alpha), unpremultiply(px[0], alpha));
}

bool c32bppDIB::SetPixel(int x, int Y, const QColor &Color, int AlphaValue, bool isPreMultiplied)
{
    if (!Handle() || x < 0 || Y < 0 || x >= m_width || Y >= m_height || !Color.isValid())
        return false;
    AlphaValue = std::clamp(AlphaValue, 0, 255);
    uchar *px = m_bits.data() + (static_cast<qsizetype>(m_height - 1 - Y) * m_width + x) * 4;
    const int r = Color.red(), g = Color.green(), b = Color.blue();
    px[0] = isPreMultiplied ? static_cast<uchar>(std::min(b, AlphaValue)) : premultiply(b, AlphaValue);
    px[1] = isPreMultiplied ? static_cast<uchar>(std::min(g, AlphaValue)) : premultiply(g, AlphaValue);
    px[2] = isPreMultiplied ? static_cast<uchar>(std::min(r, AlphaValue)) : premultiply(r, AlphaValue);
    px[3] = static_cast<uchar>(AlphaValue);
    return true;
}

bool c32bppDIB::GetDIBbits(QByteArray &outStream, bool asBGRformat, bool as32bpp, bool asWordAligned,
                           bool asBottomUp) const
{
    if (!Handle())
        return false;
    const int bytesPerPixel = as32bpp ? 4 : 3;
    qsizetype rowBytes = static_cast<qsizetype>(m_width) * bytesPerPixel;
    if (asWordAligned)
        rowBytes = (rowBytes + 3) & ~qsizetype(3);
    outStream = QByteArray(rowBytes * m_height, '\0');
    for (int row = 0; row < m_height; ++row) {
        const int memoryRow = asBottomUp ? row : m_height - 1 - row;
        const uchar *in = m_bits.data() + static_cast<qsizetype>(memoryRow) * scanWidth();
        uchar *out = reinterpret_cast<uchar *>(outStream.data()) + row * rowBytes;
        for (int x = 0; x < m_width; ++x, in += 4, out += bytesPerPixel) {
            out[0] = asBGRformat ? in[0] : in[2];
            out[1] = in[1];
            out[2] = asBGRformat ? in[2] : in[0];
            if (as32bpp)
                out[3] = in[3];
        }
    }
    return true;
}

bool c32bppDIB::SetDIBbits(const QByteArray &inStream, int Width, int Height, bool isPreMultiplied,
                           bool isBGRformat, bool is32bpp, bool isWordAligned, bool isBottomUp)
{
    if (Width <= 0 || Height <= 0)
        return false;
    const int bytesPerPixel = is32bpp ? 4 : 3;
    qsizetype rowBytes = static_cast<qsizetype>(Width) * bytesPerPixel;
    if (isWordAligned)
        rowBytes = (rowBytes + 3) & ~qsizetype(3);
    if (inStream.size() < rowBytes * Height || !InitializeDIB(Width, Height))
        return false;
    for (int row = 0; row < Height; ++row) {
        const int memoryRow = isBottomUp ? row : Height - 1 - row;
        const uchar *in = reinterpret_cast<const uchar *>(inStream.constData()) + row * rowBytes;
        uchar *out = m_bits.data() + static_cast<qsizetype>(memoryRow) * scanWidth();
        for (int x = 0; x < Width; ++x, in += bytesPerPixel, out += 4) {
            const int alpha = is32bpp ? in[3] : 255;
            const int b = isBGRformat ? in[0] : in[2];
            const int r = isBGRformat ? in[2] : in[0];
            out[0] = isPreMultiplied ? static_cast<uchar>(b) : premultiply(b, alpha);
            out[1] = isPreMultiplied ? in[1] : premultiply(in[1], alpha);
            out[2] = isPreMultiplied ? static_cast<uchar>(r) : premultiply(r, alpha);
            out[3] = static_cast<uchar>(alpha);
        }
    }
    m_alpha = modParsers::ValidateAlphaChannel(m_bits.data(), static_cast<qsizetype>(Width) * Height, false);
    return true;
}

QRegion c32bppDIB::CreateRegion(int Style, int xOffset, int yOffset) const
{
    QRegion region;
    if (!Handle())
        return region;
    const int threshold = Style == 1 ? 255 : 1;
    for (int y = 0; y < m_height; ++y) {
        const uchar *row = m_bits.data() + static_cast<qsizetype>(m_height - 1 - y) * scanWidth();
        QList<QRect> runs;
        int x = 0;
        while (x < m_width) {
            while (x < m_width && row[x * 4 + 3] < threshold)
                ++x;
            const int start = x;
            while (x < m_width && row[x * 4 + 3] >= threshold)
                ++x;
            if (x > start)
                runs.append(QRect(start + xOffset, y + yOffset, x - start, 1));
        }
        if (!runs.isEmpty()) {
            QRegion band;
            band.setRects(runs.constData(), static_cast<int>(runs.size()));
            region += band;
        }
    }
    return region;
}

bool c32bppDIB::Resize(int newWidth, int newHeight)
{
    if (!Handle() || newWidth <= 0 || newHeight <= 0)
        return false;
    if (newWidth == m_width && newHeight == m_height)
        return true;
    const QImage scaled = toImage().scaled(newWidth, newHeight, Qt::IgnoreAspectRatio,
                                           m_highQuality ? Qt::SmoothTransformation : Qt::FastTransformation);
    const int type = m_imageType;
    const QByteArray source = m_sourceBytes;
    if (!copyFromImage(scaled))
        return false;
    m_imageType = type;
    m_sourceBytes = source;
    m_alpha = modParsers::ValidateAlphaChannel(m_bits.data(), static_cast<qsizetype>(m_width) * m_height, false);
    return true;
}

bool c32bppDIB::TrimImage(bool UpdateDIB, int Method, int *x, int *Y, int *Width, int *Height)
{
    if (!Handle())
        return false;
    const QImage picture = toImage();
    const QRgb corner = picture.pixel(0, 0);
    auto isBorder = [&](int px, int py) {
        const QRgb value = picture.pixel(px, py);
        return Method == 1 ? value == corner : qAlpha(value) == 0;
    };
    int left = m_width, right = -1, top = m_height, bottom = -1;
    for (int py = 0; py < m_height; ++py) {
        for (int px = 0; px < m_width; ++px) {
            if (isBorder(px, py))
                continue;
            left = std::min(left, px);
            right = std::max(right, px);
            top = std::min(top, py);
            bottom = std::max(bottom, py);
        }
    }
    if (right < 0)
        return false;
    const QRect bounds(left, top, right - left + 1, bottom - top + 1);
    if (x)
        *x = bounds.x();
    if (Y)
        *Y = bounds.y();
    if (Width)
        *Width = bounds.width();
    if (Height)
        *Height = bounds.height();
    if (UpdateDIB && bounds != QRect(0, 0, m_width, m_height)) {
        const int type = m_imageType;
        if (!copyFromImage(picture.copy(bounds)))
            return false;
        m_imageType = type;
        m_alpha = modParsers::ValidateAlphaChannel(m_bits.data(), static_cast<qsizetype>(m_width) * m_height, false);
    }
    return true;
}

bool c32bppDIB::MakeTransparent(const QColor &TransparentColor, bool Revert)
{
    if (!Handle() || !TransparentColor.isValid())
        return false;
    const uchar b = static_cast<uchar>(TransparentColor.blue());
    const uchar g = static_cast<uchar>(TransparentColor.green());
    const uchar r = static_cast<uchar>(TransparentColor.red());
    for (size_t i = 0; i < m_bits.size(); i += 4) {
        uchar *px = m_bits.data() + i;
        if (Revert) {
            if (px[3] == 0) {
                px[0] = b;
                px[1] = g;
                px[2] = r;
                px[3] = 255;
            }
        } else if (px[3] == 255 && px[0] == b && px[1] == g && px[2] == r) {
            std::memset(px, 0, 4);
        }
    }
    m_alpha = modParsers::ValidateAlphaChannel(m_bits.data(), static_cast<qsizetype>(m_width) * m_height, false);
    return true;
}

bool c32bppDIB::BlendToColor(const QColor &BlendColor, int BlendOpacity)
{
    if (!Handle() || !BlendColor.isValid())
        return false;
    BlendOpacity = std::clamp(BlendOpacity, 0, 100);
    const int colour[3] = {BlendColor.blue(), BlendColor.green(), BlendColor.red()};
    for (size_t i = 0; i < m_bits.size(); i += 4) {
        uchar *px = m_bits.data() + i;
        const int alpha = px[3];
        for (int c = 0; c < 3; ++c) {
            const int target = colour[c] * alpha / 255; // premultiplied like the pixel
            px[c] = static_cast<uchar>(px[c] + (target - px[c]) * BlendOpacity / 100);
        }
    }
    return true;
}

void c32bppDIB::SwapDIBs(c32bppDIB &SwapFromDIB)
{
    if (&SwapFromDIB == this)
        return;
    endOwnDC();
    SwapFromDIB.endOwnDC();
    std::swap(m_bits, SwapFromDIB.m_bits);
    std::swap(m_width, SwapFromDIB.m_width);
    std::swap(m_height, SwapFromDIB.m_height);
    std::swap(m_alpha, SwapFromDIB.m_alpha);
    std::swap(m_imageType, SwapFromDIB.m_imageType);
    std::swap(m_sourceBytes, SwapFromDIB.m_sourceBytes);
    if (m_manageOwnDC)
        LoadDIBinDC(true);
    if (SwapFromDIB.m_manageOwnDC)
        SwapFromDIB.LoadDIBinDC(true);
}
