#pragma once

#include <QDate>
#include <QString>

// What to tell the user about the extractor itself: that the copy in use is old, or that a
// failure points at an old copy or a missing JavaScript runtime.
namespace ExtractorAdvice {

inline constexpr int OldAfterDays = 90;

// "The extractor in use, yt-dlp 2023.03.04, is 1374 days old." for a copy released more than
// OldAfterDays before today; empty otherwise or when its version names no date.
QString AgeNotice(const QString &version, const QDate &today);

// One sentence for a failure whose error line points at a missing runtime ("No supported
// JavaScript runtime"), at a video that needs signing in ("Sign in to confirm", age and members'
// messages: choose a browser in Sign-in) or at an old extractor ("Unable to extract", "Requested
// format is not available", "nsig extraction failed"); empty for any other line.
QString FailureHint(const QString &errorLine);

} // namespace ExtractorAdvice
