#include "image/c32bppDIB.h"

#include "image/cGDIPlus.h"

#include <QPainter>

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

c32bppDIB::c32bppDIB() = default;

c32bppDIB::~c32bppDIB()
{
    DestroyDIB();
}

QImage c32bppDIB::memoryView(QImage::Format format)
{
    if (m_bits.empty())
        return QImage();
    return QImage(m_bits.data(), m_width, m_height, scanWidth(), format);
}

QImage c32bppDIB::memoryView(QImage::Format format) const
{
    if (m_bits.empty())
        return QImage();
    return QImage(m_bits.data(), m_width, m_height, scanWidth(), format);
}

QImage c32bppDIB::toImage() const
{
    return memoryView().mirrored(false, true);
}

bool c32bppDIB::copyFromImage(const QImage &image)
{
    if (image.isNull())
        return false;
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!InitializeDIB(source.width(), source.height()))
        return false;
    const qsizetype rowBytes = scanWidth();
    for (int y = 0; y < m_height; ++y)
        std::memcpy(m_bits.data() + static_cast<qsizetype>(m_height - 1 - y) * rowBytes,
                    source.constScanLine(y), static_cast<size_t>(rowBytes));
    return true;
}

void c32bppDIB::setManageOwnDC(bool bManage)
{
    m_manageOwnDC = bManage;
    if (bManage) {
        if (Handle())
            LoadDIBinDC(true);
    } else {
        endOwnDC();
    }
}

void c32bppDIB::endOwnDC()
{
    if (m_dc) {
        m_dc->end();
        m_dc.reset();
    }
    m_dcSurface = QImage();
}

QPainter *c32bppDIB::LoadDIBinDC(bool bLoad)
{
    if (bLoad) {
        if (!Handle())
            return nullptr;
        if (!m_dc) {
            m_dcSurface = memoryView();
            m_dc = std::make_unique<QPainter>(&m_dcSurface);
            // The rows are bottom-up: turn the painter's y axis over so that callers draw upright.
            m_dc->translate(0, m_height);
            m_dc->scale(1, -1);
        }
        return m_dc.get();
    }
    if (!m_manageOwnDC)
        endOwnDC();
    return nullptr;
}

bool c32bppDIB::InitializeDIB(int Width, int Height)
{
    DestroyDIB();
    if (Width < 0 || Height == 0)
        return false;
    if (Height < 0) {
        if (Height == std::numeric_limits<int>::min())
            return false;
        Height = -Height;
    }
    if (Width == 0)
        return false;
    const qint64 bytes = static_cast<qint64>(Width) * Height * 4;
    if (bytes > std::numeric_limits<qint32>::max())
        return false;
    try {
        m_bits.assign(static_cast<size_t>(bytes), 0);
    } catch (const std::bad_alloc &) {
        m_bits.clear();
        return false;
    }
    m_width = Width;
    m_height = Height;
    EraseDIB();
    if (m_manageOwnDC)
        LoadDIBinDC(true);
    return true;
}

void c32bppDIB::EraseDIB()
{
    if (m_bits.empty())
        return;
    std::fill(m_bits.begin(), m_bits.end(), uchar(0));
    m_imageType = imgBlank;
    m_alpha = 1;
}

void c32bppDIB::DestroyDIB()
{
    endOwnDC();
    if (!m_bits.empty()) {
        std::vector<uchar>().swap(m_bits);
        m_sourceBytes.clear();
    }
    m_width = 0;
    m_height = 0;
    m_alpha = 0;
    m_imageType = imgNone;
}

void c32bppDIB::ScaleImage(int destWidth, int destHeight, int &newWidth, int &newHeight, int ScaleMode) const
{
    if (!Handle())
        return;
    switch (ScaleMode) {
    case 0:
    case 1: {
        const float xr = static_cast<float>(destWidth) / static_cast<float>(m_width);
        const float yr = static_cast<float>(destHeight) / static_cast<float>(m_height);
        float r = yr < xr ? yr : xr;
        if (ScaleMode == 1 && xr >= 1.0f && yr >= 1.0f)
            r = 1.0f;
        newWidth = static_cast<int>(std::floor(r * static_cast<float>(m_width)));
        newHeight = static_cast<int>(std::floor(r * static_cast<float>(m_height)));
        break;
    }
    case 2:
        newWidth = destWidth;
        newHeight = destHeight;
        break;
    default:
        newWidth = m_width;
        newHeight = m_height;
        break;
    }
}

bool c32bppDIB::Render(QPainter *destinationDC, int destX, int destY, int destWidth, int destHeight,
                       int SrcX, int SrcY, int srcWidth, int srcHeight, int Opacity, bool Blend,
                       bool SetHalfTone, c32bppDIB *destHostDIB, int grayScale, float LightAdjustment,
                       float Angle, bool CenterOnDestXY)
{
    Q_UNUSED(Blend); // every drawing blends; the per-pixel alpha decides what shows through
    if (Opacity < 1)
        return Handle() != 0;
    if (!Handle())
        return false;
    if (!destinationDC && !destHostDIB)
        return false;

    if (destWidth == 0)
        destWidth = m_width;
    if (destHeight == 0)
        destHeight = m_height;
    SrcX = std::max(SrcX, 0);
    SrcY = std::max(SrcY, 0);
    if (srcWidth == 0) {
        srcWidth = m_width;
    } else if (srcWidth < 0) {
        srcWidth = -srcWidth;
        destWidth = -destWidth;
    }
    if (srcHeight == 0) {
        srcHeight = m_height;
    } else if (srcHeight < 0) {
        srcHeight = -srcHeight;
        destHeight = -destHeight;
    }
    if (SrcX + srcWidth > m_width)
        srcWidth = m_width - SrcX;
    if (SrcY + srcHeight > m_height)
        srcHeight = m_height - SrcY;

    const bool rotate = std::fmod(Angle, 360.0f) != 0.0f;
    Opacity = std::abs(Opacity) % 100;
    if (Opacity == 0)
        Opacity = 100;
    if (LightAdjustment < -100.0f || LightAdjustment > 100.0f)
        LightAdjustment = 0.0f;

    if (CenterOnDestXY) {
        destX -= std::abs(destWidth / 2);
        destY -= std::abs(destHeight / 2);
    }

    QPainter *dc = destHostDIB ? destHostDIB->LoadDIBinDC(true) : destinationDC;
    bool result = false;
    if ((CenterOnDestXY || !rotate) && dc && dc->isActive() && srcWidth > 0 && srcHeight > 0) {
        const bool mirrored = destWidth <= 0 || destHeight < 0;
        const bool stretched = std::abs(destWidth) != srcWidth || std::abs(destHeight) != srcHeight;
        const bool platformPath = m_alphaBlendFriendly && !mirrored && grayScale == -1
                                  && LightAdjustment == 0.0f && (!stretched || !m_highQuality);
        // The source rectangle is counted from the top; the rows in memory from the bottom.
        const QRect memoryRect(SrcX, m_height - SrcY - srcHeight, srcWidth, srcHeight);
        const QRect target(destX, destY, destWidth, destHeight);
        if (platformPath) {
            // Source-over with a constant alpha; a picture of alpha class 0 is drawn opaque.
            QImage source = memoryView().copy(memoryRect).mirrored(false, true);
            if (m_alpha == 0) {
                for (int y = 0; y < source.height(); ++y) {
                    uchar *line = source.scanLine(y);
                    for (int x = 0; x < source.width(); ++x)
                        line[x * 4 + 3] = 255;
                }
            }
            const int constantAlpha = Opacity * 255 / 100;
            dc->save();
            dc->setCompositionMode(QPainter::CompositionMode_SourceOver);
            dc->setOpacity(constantAlpha / 255.0);
            dc->setRenderHint(QPainter::SmoothPixmapTransform, SetHalfTone && stretched);
            dc->drawImage(target, source);
            dc->restore();
            result = true;
        } else if (m_decoderEnabled) {
            const QImage source = memoryView().copy(memoryRect).mirrored(false, true);
            result = cGDIPlus::RenderDIB(source, *dc, Opacity, target, m_highQuality, grayScale,
                                         LightAdjustment);
        }
    }
    if (destHostDIB)
        destHostDIB->LoadDIBinDC(false);
    return result;
}
