#include "recipes/PresetChoice.h"

#include "extractor/RecipeOptions.h"
#include "recipes/RecipeArguments.h"
#include "videoinfo/VideoInfo.h"
#include "videoinfo/VideoText.h"

#include <QUrl>

namespace Recipes {

QString FileSuffix(const Preset &preset)
{
    return QLatin1Char('.') + (preset.kind == Kind::Audio ? Key(preset.audioFormat) : Key(preset.container));
}

DownloadChoice PresetChoice(const Preset &preset, const VideoInfo &info)
{
    DownloadChoice choice;
    if (!VideoText::IsWebAddress(info.pageAddress) || preset.name.trimmed().isEmpty())
        return choice;
    choice.byExtractor = true;
    choice.watchPage = info.pageAddress;
    choice.recipe = ExtractorArguments(preset);
    // What a program that knows no recipes would ask the extractor for, reading the journal.
    choice.encoding = RecipeOptions::ValueOf(choice.recipe, QStringLiteral("-f"));
    choice.presetName = preset.name;
    choice.suffix = FileSuffix(preset);
    choice.videoTitle = info.fileTitle;
    choice.videoId = info.id;
    choice.missingLanguages = MissingLanguages(preset, info.subtitleLanguages, info.captionLanguages);
    QUrl key(info.pageAddress);
    key.setFragment(QStringLiteral("preset=") + preset.name.trimmed());
    choice.mediaAddress = key.toString(QUrl::FullyEncoded);
    return choice;
}

} // namespace Recipes
