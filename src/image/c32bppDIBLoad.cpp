// The loaders of the image surface: encoded bytes, the program's resources, pictures and the
// clipboard.

#include "image/c32bppDIB.h"

#include "image/ProgramImages.h"
#include "image/cGDIPlus.h"
#include "image/cPNGparser.h"
#include "image/modParsers.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace {

// Encoded bytes shortest enough to hold no picture at all.
constexpr qsizetype kMinimumStream = 20;

} // namespace

bool c32bppDIB::LoadPicture_Stream(const QByteArray &inStream, int iconCx, int iconCy,
                                   qsizetype streamStart, qsizetype streamLength, bool SaveFormat,
                                   int iconBitDepth)
{
    if (inStream.isNull())
        return false;
    if (streamStart < 0)
        streamStart = 0;
    if (streamLength == 0)
        streamLength = inStream.size() - streamStart;
    if (streamLength < kMinimumStream)
        return false;
    // A range that runs past the end of the bytes is refused like a short one.
    if (streamStart + streamLength > inStream.size())
        return false;

    DestroyDIB();
    iconCx = std::max(iconCx, 0);
    iconCy = std::max(iconCy, 0);
    if (iconBitDepth < 0 || iconBitDepth > 32)
        iconBitDepth = 32;
    Q_UNUSED(iconBitDepth); // every decoded picture becomes 32 bits per pixel

    cPNGparser parser;
    parser.LoadStream(inStream, *this, streamStart, streamLength);
    const QByteArray range = inStream.mid(streamStart, streamLength);
    if (!Handle() && m_decoderEnabled) {
        LoadDecodedBytes(range, iconCx, iconCy);
    }
    if (!Handle())
        return false;
    if (SaveFormat)
        setOriginalFormat(range);
    return true;
}

bool c32bppDIB::LoadDecodedBytes(const QByteArray &bytes, int iconCx, int iconCy)
{
    const QImage picture = m_decoderEnabled ? cGDIPlus::Decode(bytes, iconCx, iconCy) : QImage();
    if (picture.isNull() || !InitializeDIB(picture.width(), picture.height())) {
        DestroyDIB();
        return false;
    }
    QPainter *dc = LoadDIBinDC(true);
    dc->save();
    dc->setCompositionMode(QPainter::CompositionMode_Source);
    dc->drawImage(0, 0, picture);
    dc->restore();
    LoadDIBinDC(false);

    setAlpha(modParsers::ValidateAlphaChannel(BitsPointer(), static_cast<qsizetype>(Width()) * Height(), false));
    setImageType(imgDecoded);
    return true;
}

bool c32bppDIB::LoadPicture_Resource(const QVariant &ResIndex, const QVariant &ResSection, int iconCx,
                                     int iconCy, qsizetype streamStart, qsizetype streamLength,
                                     int iconBitDepth)
{
    const QByteArray data = ProgramImages::Resource(ResIndex.toInt());
    if (ResSection.typeId() == QMetaType::QString || ResSection.typeId() == QMetaType::QByteArray) {
        // Section names are not case-sensitive; only "CUSTOM" holds anything.
        if (ResSection.toString().compare(QLatin1String("CUSTOM"), Qt::CaseInsensitive) == 0 && !data.isEmpty())
            LoadPicture_Stream(data, iconCx, iconCy, streamStart, streamLength, false, iconBitDepth);
    } else {
        const QImage picture = QImage::fromData(data);
        if (!picture.isNull())
            LoadPicture_StdPicture(picture);
    }
    return Handle() != 0;
}

bool c32bppDIB::LoadPicture_StdPicture(const QImage &Picture)
{
    DestroyDIB();
    if (!copyFromImage(Picture))
        return false;
    m_alpha = modParsers::ValidateAlphaChannel(m_bits.data(), static_cast<qsizetype>(m_width) * m_height, false);
    m_imageType = imgDecoded;
    return true;
}

bool c32bppDIB::LoadPicture_ClipBoard()
{
    if (!qGuiApp)
        return false;
    const QImage picture = QGuiApplication::clipboard()->image();
    if (picture.isNull())
        return false;
    return LoadPicture_StdPicture(picture);
}

bool c32bppDIB::GetOrginalFormat(QByteArray &outStream) const
{
    if (m_sourceBytes.isEmpty())
        return false;
    outStream = m_sourceBytes;
    return true;
}

bool c32bppDIB::GetDroppedFileNames(const QMimeData *OLEDragDrop_DataObject, QStringList &fileNames)
{
    fileNames.clear();
    if (!OLEDragDrop_DataObject || !OLEDragDrop_DataObject->hasUrls())
        return false;
    const QList<QUrl> urls = OLEDragDrop_DataObject->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            fileNames.append(url.toLocalFile());
    }
    return !fileNames.isEmpty();
}
