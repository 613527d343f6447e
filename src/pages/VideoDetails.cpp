#include "pages/VideoDetails.h"

#include "videoinfo/PageText.h"
#include "base/AppState.h"
#include "base/ErrorTrap.h"

#include <limits>

QString VideoDetails::ratingText() const
{
    return VideoRating + QStringLiteral(" / 5   (") + VideoVotes + QStringLiteral(" votes)");
}

namespace modFunctions {

void ReadAllInfo(const QString &page, VideoDetails &d)
{
    const QString title = GetBetween(page, QStringLiteral("VIDEO_TITLE': '"), QStringLiteral("',"));
    d.VideoTitle = PageTitle(ReplaceAll(title, u"&&", u"&"));

    d.VideoAuthor = GetBetween(page, QStringLiteral("data-discoverbox-username=\""), QStringLiteral("\" >"));
    d.VideoID = GetBetween(page, QStringLiteral("'VIDEO_ID': '"), QStringLiteral("'"));
    d.VideoPublished = GetBetween(page, QStringLiteral("watch-video-added post-date\">"), QStringLiteral("</span>"));

    // The description block opens with its own "<span >"; without it the text is taken from the
    // seventh character on.
    const QString block = GetBetween(page, QStringLiteral("watch-video-desc description\">"), QStringLiteral("</span>"));
    const qsizetype span = block.indexOf(QStringLiteral("<span >"));
    d.VideoDescription = block.mid(span < 0 ? 6 : span + 7); // cut once its tags are gone

    d.ThumbnailURL = AppState::ThumbnailRoot() + QStringLiteral("/vi/") + d.VideoID + QStringLiteral("/default.jpg");

    const QString length = PercentDecode(
        GetBetween(page, QStringLiteral(" \"length_seconds\": \""), QStringLiteral("\",")));
    d.VideoDuration = DurationText(WholeNumber(length, std::numeric_limits<qint32>::min(),
                                               std::numeric_limits<qint32>::max()));

    d.VideoRating = PercentDecode(
        GetBetween(page, QStringLiteral("\"rv.3.rating\": \""), QStringLiteral("\",")).left(4));
    d.VideoVotes = PercentDecode(
        GetBetween(page, QStringLiteral("RatingMessage\"><span class=\"smallText\">"), QStringLiteral(" ")));
    d.VideoViews = PercentDecode(GetBetween(page, QStringLiteral("watch-view-count\">"), QStringLiteral("</span>")));
}

bool GetAllInfo(const QString &page, VideoDetails &details)
{
    return ErrorTrap::run(QStringLiteral("GetAllInfo"), QStringLiteral("Module modFunctions"),
                          [&] { ReadAllInfo(page, details); });
}

} // namespace modFunctions
