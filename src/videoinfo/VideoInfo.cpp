#include "videoinfo/VideoInfo.h"

const VideoEncoding *VideoInfo::slotEncoding(int slot) const
{
    for (const VideoEncoding &encoding : encodings) {
        if (slot >= 0 && encoding.slot == slot)
            return &encoding;
    }
    return nullptr;
}

QList<VideoEncoding> VideoInfo::otherEncodings() const
{
    QList<VideoEncoding> others;
    for (const VideoEncoding &encoding : encodings) {
        if (encoding.slot < 0)
            others << encoding;
    }
    return others;
}
