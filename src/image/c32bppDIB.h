#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRegion>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

class QMimeData;
class QPainter;

// The program's 32-bit image surface: Width x Height pixels of 4 bytes each (blue, green, red,
// alpha) with colours premultiplied by alpha, rows of scanWidth = Width x 4 bytes without padding,
// stored bottom-up (the first row in memory is the bottom row of the picture).
//
// A "device context" here is a QPainter: Render draws onto one, and LoadDIBinDC hands out a
// painter on the surface itself, set up so that drawing in picture coordinates (y down) lands
// in the bottom-up rows.
class c32bppDIB final
{
public:
    // Where the pixels came from.
    enum ImageTypes : int {
        imgNone = -1,   // no image
        imgBlank = 0,   // InitializeDIB / EraseDIB
        imgDecoded = 10 // decoded by the platform's image readers
    };

    c32bppDIB();
    ~c32bppDIB();
    c32bppDIB(const c32bppDIB &) = delete;
    c32bppDIB &operator=(const c32bppDIB &) = delete;

    // Alpha class of the pixels: 0 none (all opaque), 1 simple (only 0 or 255), 2 complex.
    int Alpha() const { return m_alpha; }
    void setAlpha(int AlphaType) { m_alpha = AlphaType; }

    // Smooth (true) or nearest-neighbour scaling when a drawing stretches the picture.
    bool HighQualityInterpolation() const { return m_highQuality; }
    void setHighQualityInterpolation(bool Value) { m_highQuality = Value; }

    int ImageType() const { return m_imageType; }

    // Keep the painter on the surface (see LoadDIBinDC) alive between calls.
    bool ManageOwnDC() const { return m_manageOwnDC; }
    void setManageOwnDC(bool bManage);

    // The unscaled drawing path (source-over with constant alpha); may be switched off, which
    // sends every drawing through the general path.
    bool isAlphaBlendFriendly() const { return m_alphaBlendFriendly; }
    void setAlphaBlendFriendly(bool Enabled) { m_alphaBlendFriendly = Enabled; }

    // The general decoder and drawing path. Switched off, nothing is decoded and only unscaled,
    // unmirrored drawings are possible.
    bool isGDIplusEnabled() const { return m_decoderEnabled; }
    void setGDIplusEnabled(bool Enabled) { m_decoderEnabled = Enabled; }

    QVariant Tag;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int scanWidth() const { return m_width * 4; }
    uchar *BitsPointer() { return m_bits.empty() ? nullptr : m_bits.data(); }
    const uchar *BitsPointer() const { return m_bits.empty() ? nullptr : m_bits.data(); }
    // Non-zero while the object holds an image.
    quintptr Handle() const { return reinterpret_cast<quintptr>(BitsPointer()); }

    // Loaders. Each replaces the picture; a failed load leaves the object empty, except where
    // LoadPicture_Stream rejects its arguments before loading.
    bool LoadPicture_Stream(const QByteArray &inStream, int iconCx = 0, int iconCy = 0,
                            qsizetype streamStart = 0, qsizetype streamLength = 0,
                            bool SaveFormat = false, int iconBitDepth = 0);
    // ResSection "CUSTOM" reads the program's own encoded resources; any other string section
    // has no resources; a numeric section loads the resource as a platform picture.
    bool LoadPicture_Resource(const QVariant &ResIndex, const QVariant &ResSection, int iconCx = 0,
                              int iconCy = 0, qsizetype streamStart = 0, qsizetype streamLength = 0,
                              int iconBitDepth = 0);
    bool LoadPicture_StdPicture(const QImage &Picture);
    bool LoadPicture_ClipBoard();

    // Size that the picture takes in a destWidth x destHeight box: 0 fit, 1 fit without
    // enlarging, 2 stretch, other values the picture's own size. An empty object leaves the
    // outputs untouched.
    void ScaleImage(int destWidth, int destHeight, int &newWidth, int &newHeight, int ScaleMode) const;

    // Colour of the pixel at (x, Y) counted from the top-left corner, un-premultiplied unless
    // asPreMultiplied; an invalid colour outside the picture.
    QColor GetPixel(int x, int Y, int *AlphaValue = nullptr, bool asPreMultiplied = false) const;
    bool SetPixel(int x, int Y, const QColor &Color, int AlphaValue = 255, bool isPreMultiplied = false);

    // Pixel copies out of and into the surface: 32 bits (B, G, R, A) or 24 bits (B, G, R), or in
    // red-first order when not BGR; rows padded to 4 bytes when word-aligned; bottom row first
    // when bottom-up. SetDIBbits premultiplies unless told the pixels already are.
    bool GetDIBbits(QByteArray &outStream, bool asBGRformat = true, bool as32bpp = true,
                    bool asWordAligned = false, bool asBottomUp = true) const;
    bool SetDIBbits(const QByteArray &inStream, int Width, int Height, bool isPreMultiplied = true,
                    bool isBGRformat = true, bool is32bpp = true, bool isWordAligned = false,
                    bool isBottomUp = true);

    // The region covered by the picture's pixels (Style 0: any pixel not fully transparent;
    // Style 1: only fully opaque pixels), moved by the offsets.
    QRegion CreateRegion(int Style = 0, int xOffset = 0, int yOffset = 0) const;

    // The encoded bytes kept by a load with SaveFormat.
    bool GetOrginalFormat(QByteArray &outStream) const;

    // bLoad true: a painter on the surface (created if needed), nullptr when empty.
    // bLoad false: ends the painter unless ManageOwnDC keeps it; returns nullptr.
    QPainter *LoadDIBinDC(bool bLoad);

    bool InitializeDIB(int Width, int Height);
    // Decodes bytes of any readable format (for icons, the picture of iconCx x iconCy when there
    // is one) into this surface at the picture's own size, and sets its Alpha class and
    // ImageType 10. On failure, or while the decoder is off, the surface is left empty and the
    // result is false.
    bool LoadDecodedBytes(const QByteArray &bytes, int iconCx = 0, int iconCy = 0);
    void DestroyDIB();
    void EraseDIB();

    // Draws the picture (or its source rectangle) onto destinationDC, or onto destHostDIB when
    // given. Sizes and positions of 0 mean the picture's own; a negative source size mirrors.
    // Opacity is a percentage taken modulo 100 (0 meaning 100); below 1 nothing is drawn.
    // An Angle is accepted only with CenterOnDestXY, and the picture is drawn unrotated.
    // grayScale: -1 none, 0 luminance (0.299, 0.587, 0.114), 1 HDTV weights
    // (0.2125, 0.7154, 0.0721), 2 plain average. LightAdjustment -100..100 lightens or darkens.
    bool Render(QPainter *destinationDC, int destX = 0, int destY = 0, int destWidth = 0,
                int destHeight = 0, int SrcX = 0, int SrcY = 0, int srcWidth = 0, int srcHeight = 0,
                int Opacity = 100, bool Blend = true, bool SetHalfTone = true,
                c32bppDIB *destHostDIB = nullptr, int grayScale = -1, float LightAdjustment = 0,
                float Angle = 0, bool CenterOnDestXY = false);

    bool Resize(int newWidth, int newHeight);
    // Bounds of the picture without its empty border (Method 0: fully transparent pixels;
    // Method 1: pixels equal to the top-left one); crops to them when UpdateDIB.
    bool TrimImage(bool UpdateDIB, int Method = 0, int *x = nullptr, int *Y = nullptr,
                   int *Width = nullptr, int *Height = nullptr);
    // Makes every opaque pixel of TransparentColor fully transparent; Revert turns the fully
    // transparent pixels back into opaque pixels of that colour.
    bool MakeTransparent(const QColor &TransparentColor, bool Revert = false);
    // Moves every pixel's colour BlendOpacity per cent of the way toward BlendColor.
    bool BlendToColor(const QColor &BlendColor, int BlendOpacity = 50);
    // Local file names of a drop, in order; false when there are none.
    static bool GetDroppedFileNames(const QMimeData *OLEDragDrop_DataObject, QStringList &fileNames);
    void SwapDIBs(c32bppDIB &SwapFromDIB);

    // A top-down copy of the picture (for tests and for handing to Qt).
    QImage toImage() const;

    // Loaders' writers.
    void setImageType(int type) { m_imageType = type; }
    void setOriginalFormat(const QByteArray &bytes) { m_sourceBytes = bytes; }

private:
    // A view (no copy) of the rows; y runs up in memory, so row 0 of the view is the bottom row.
    QImage memoryView(QImage::Format format = QImage::Format_ARGB32_Premultiplied);
    QImage memoryView(QImage::Format format = QImage::Format_ARGB32_Premultiplied) const;
    bool copyFromImage(const QImage &image);
    void endOwnDC();

    std::vector<uchar> m_bits;
    int m_width = 0;
    int m_height = 0;
    int m_alpha = 0;
    int m_imageType = imgNone;
    bool m_highQuality = true;
    bool m_manageOwnDC = false;
    bool m_alphaBlendFriendly = true;
    bool m_decoderEnabled = true;
    QByteArray m_sourceBytes;
    QImage m_dcSurface;
    std::unique_ptr<QPainter> m_dc;
};
