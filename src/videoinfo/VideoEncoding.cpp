#include "videoinfo/VideoEncoding.h"

#include "videoinfo/FormatTable.h"
#include "videoinfo/VideoText.h"

#include <QStringList>

QString VideoEncoding::label() const
{
    if (kind == Kind::Merged)
        return QStringLiteral("Best video and audio (merged)");
    QStringList parts;
    parts << (container.isEmpty() ? QStringLiteral("video") : container);
    if (tracks == Tracks::AudioOnly)
        parts << QStringLiteral("audio only");
    else if (!resolution.isEmpty())
        parts << resolution;
    if (tracks == Tracks::VideoOnly)
        parts << QStringLiteral("no sound");
    if (size >= 0)
        parts << (sizeIsEstimate ? QStringLiteral("about ") : QString()) + VideoText::Size(size);
    return parts.join(QStringLiteral(", "));
}

QString VideoEncoding::fileSuffix() const
{
    if (slot >= 0)
        return FormatTable::Suffix(slot);
    return QLatin1Char('.') + (container.isEmpty() ? QStringLiteral("video") : container);
}
