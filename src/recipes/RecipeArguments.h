#pragma once

#include "recipes/Preset.h"

#include <QStringList>

namespace Recipes {

// The extractor's options for a recipe, each value its own argument (for QProcess, never a
// shell), the same for the same recipe. Languages that are not plain tags are left out; a recipe
// whose languages all are has no subtitle options. The page's address and the output options are
// the caller's.
QStringList ExtractorArguments(const Preset &preset);

// The recipe's languages (plain tags, in its order) that the page does not offer: not among its
// subtitles, nor among its automatic captions when the recipe takes those. The lists are the
// keys of the extractor's "subtitles" and "automatic_captions" objects.
QStringList MissingLanguages(const Preset &preset, const QStringList &subtitles,
                             const QStringList &automaticCaptions);

} // namespace Recipes
