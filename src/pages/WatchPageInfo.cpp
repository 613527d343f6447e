#include "pages/WatchPageInfo.h"

#include "videoinfo/PageText.h"
#include "pages/RelatedVideos.h"

namespace {

QList<VideoEncoding> encodingsOf(const FormatMapResult &map)
{
    QList<VideoEncoding> encodings;
    for (int slot = 0; slot < FormatTable::Count; ++slot) {
        if (!map.found[slot])
            continue;
        VideoEncoding encoding;
        encoding.slot = slot;
        encoding.formatId = QString::number(FormatTable::Formats[slot].code);
        encoding.address = map.links[slot];
        encoding.container = FormatTable::Suffix(slot).section(QLatin1Char('.'), -1);
        encodings << encoding;
    }
    return encodings;
}

} // namespace

namespace WatchPageInfo {

WatchPageReading Read(const QString &page, VideoDetails &kept)
{
    WatchPageReading reading;
    reading.map = FormatMap::Parse(page);
    reading.info.encodings = encodingsOf(reading.map);
    if (!reading.hasLinks())
        return reading;

    try {
        modFunctions::ReadAllInfo(page, kept);
    } catch (const RuntimeError &error) {
        reading.detailsError = error;
    }
    VideoInfo &info = reading.info;
    info.id = kept.VideoID;
    info.title = kept.VideoTitle;
    info.fileTitle = kept.VideoTitle;
    info.author = kept.VideoAuthor;
    info.published = kept.VideoPublished;
    info.duration = kept.VideoDuration;
    info.rating = kept.ratingText();
    info.views = kept.VideoViews;
    // Cut after the tags are gone: a page cannot hide the text behind one long tag.
    info.description = modFunctions::CutToLength(modFunctions::StripTags(kept.VideoDescription),
                                                 modFunctions::MaxDescriptionLength);
    info.descriptionIsMarkup = true;
    info.thumbnail = kept.ThumbnailURL;

    info.keepsEarlierRelated = true;
    const RelatedResult related = modFunctions::ReadRelated(page);
    for (const RelatedItem &item : related.items)
        info.related << RelatedVideo{item.index, item.tag, item.thumbnail, item.title};
    reading.relatedError = related.error;
    return reading;
}

} // namespace WatchPageInfo
