#pragma once

#include <QString>

// The details of the current video as cut out of its watch page. Every field keeps its old value
// until a later page gives it a new one.
struct VideoDetails
{
    QString VideoTitle;       // cleaned, fit for a file name
    QString VideoAuthor;
    QString VideoID;
    QString VideoPublished;   // as the page writes it
    QString VideoDescription; // still with the page's markup
    QString ThumbnailURL;
    QString VideoDuration;    // "m:ss"
    QString VideoRating;      // at most 4 characters
    QString VideoVotes;
    QString VideoViews;

    // "4.85 / 5   (1,234 votes)"
    QString ratingText() const;
};

namespace modFunctions {

// Fills details from the page in a fixed order. A run-time error (a duration that is no number)
// stops the reading: the fields behind it keep their old contents, and the error propagates.
void ReadAllInfo(const QString &page, VideoDetails &details);

// ReadAllInfo under the error trap; false when an error was reported.
bool GetAllInfo(const QString &page, VideoDetails &details);

} // namespace modFunctions
