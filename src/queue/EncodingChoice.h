#pragma once

#include "queue/DownloadChoice.h"

struct VideoEncoding;

namespace EncodingChoice {

// What the download list is handed for an encoding of the page at pageAddress: a single file
// goes to the transfer layer with the request headers it needs; a stream or a merged encoding to
// the extractor, under a key of its own (the stream's address, or the page's address with the
// format in its fragment). An encoding that can be fetched by neither leaves mediaAddress empty,
// so nothing is added. Title and identifier are the caller's.
DownloadChoice Of(const VideoEncoding &encoding, const QString &pageAddress);

} // namespace EncodingChoice
