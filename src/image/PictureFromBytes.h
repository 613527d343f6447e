#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// The size of the site's thumbnails: every received picture is kept at most this large.
inline constexpr QSize ThumbnailSize(120, 90);

// Turns received bytes into a thumbnail picture: any format the image readers know, scaled down
// while it is read so that it fits into `fitInto` (aspect kept, never enlarged). Empty data gives
// the built-in placeholder thumbnail (resource 103); bytes that are no picture, or whose header
// announces an absurd size, give a null image. Only the header is read before that check.
QImage PictureFromBytes(const QByteArray &bytes, QSize fitInto = ThumbnailSize);
