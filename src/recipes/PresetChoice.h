#pragma once

#include "queue/DownloadChoice.h"
#include "recipes/Preset.h"

struct VideoInfo;

namespace Recipes {

// The row a preset makes of the video a page shows: the extractor fetches the page with the
// preset's options; the row is known by the page and the preset ("PAGE#preset=NAME"), named after
// the video with the extension of the preset's file, and names the preset's subtitle languages the
// page lacks. No row (an empty media address) for a page that is no web page.
DownloadChoice PresetChoice(const Preset &preset, const VideoInfo &info);

// The extension of the file a preset makes: the audio format, or the video's container.
QString FileSuffix(const Preset &preset);

} // namespace Recipes
