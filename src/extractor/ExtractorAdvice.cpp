#include "extractor/ExtractorAdvice.h"

#include "extractor/ExtractorVersion.h"

namespace ExtractorAdvice {

QString AgeNotice(const QString &version, const QDate &today)
{
    const QDate released = ExtractorVersion::Date(version);
    if (!released.isValid())
        return QString();
    const qint64 days = released.daysTo(today);
    if (days <= OldAfterDays)
        return QString();
    return QStringLiteral("The extractor in use, yt-dlp %1, is %2 days old.").arg(version).arg(days);
}

QString FailureHint(const QString &errorLine)
{
    if (errorLine.contains(QLatin1String("No supported JavaScript runtime"), Qt::CaseInsensitive))
        return QStringLiteral("Installing a JavaScript runtime (deno, node 20 or newer, or QuickJS) may help.");
    // The site's own words for a video that only someone signed in may see.
    static const char *const signIn[] = {"Sign in to confirm", "confirm your age", "age-restricted", "age restricted",
                                         "inappropriate for some users", "login required", "members-only",
                                         "registered users", "--cookies-from-browser", "Private video"};
    for (const char *words : signIn)
        if (errorLine.contains(QLatin1String(words), Qt::CaseInsensitive))
            return QStringLiteral("Signing in may help: choose a browser in File > Preferences..., Sign-in.");
    static const char *const outdated[] = {"Requested format is not available", "Unable to extract",
                                           "nsig extraction failed"};
    for (const char *words : outdated)
        if (errorLine.contains(QLatin1String(words), Qt::CaseInsensitive))
            return QStringLiteral("Updating the extractor (File > Extractor...) may help.");
    return QString();
}

} // namespace ExtractorAdvice
