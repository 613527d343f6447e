#include "extractor/ExtractorFailure.h"

QString ExtractorFailure::sentence() const
{
    switch (reason) {
    case Reason::NotInstalled:
        if (detail.isEmpty() || detail == QLatin1String("yt-dlp"))
            return QStringLiteral("The video extractor yt-dlp is not installed. ");
        return QStringLiteral("The video extractor %1 is not installed or cannot be started. ").arg(detail);
    case Reason::Refused:
        return detail + QStringLiteral(". ");
    case Reason::TimedOut:
        return QStringLiteral("The video extractor gave no answer in time. ");
    case Reason::TooMuchOutput:
        return QStringLiteral("The video extractor's answer was too large. ");
    case Reason::Unreadable:
        return QStringLiteral("The video extractor's answer could not be read. ");
    case Reason::NoVideo:
        return QStringLiteral("The video extractor found no video that can be downloaded. ");
    case Reason::Failed:
        break;
    }
    if (detail.isEmpty())
        return QStringLiteral("The video extractor ended with exit code %1. ").arg(exitCode);
    return QStringLiteral("The video extractor says: %1 ").arg(detail);
}
