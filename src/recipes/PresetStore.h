#pragma once

#include "recipes/Preset.h"

#include <QList>
#include <QString>

// The user's presets in Settings.ini (Settings::FilePath()), section "Settings":
//   Presets=<count>
//   Preset.1={"name":"Lectures","kind":"audio","format":"opus","quality":"128k",...}
//   ...
//   Preset.<count>=...
// Each entry is one compact JSON object on one line (JSON escapes line breaks in strings):
//   name (string), kind ("video" or "audio"),
//   video: height (0 or a cap of Heights()), container ("mp4", "mkv", "webm"),
//   audio: format ("mp3", "m4a", "opus", "flac", "wav"), quality ("best", "320k", "192k", "128k"),
//   subs (array of language tags), auto (bool), place ("embed", "srt", "vtt"),
//   metadata, thumbnail, chapters (bool).
// Missing members take the value's defaults. An entry that is not such an object, or holds a value
// outside these, or names a built-in or an earlier preset, is skipped when reading. Entries past
// the count are stale and ignored.
namespace Recipes {

struct StoreResult
{
    bool ok = false;
    QString reason; // for the user when !ok
};

// The built-ins, then the user's presets in their stored order.
QList<Preset> LoadPresets();

// Names are taken trimmed and compared without regard to case. A new or renamed preset needs a
// name that no other preset (built-in or the user's) has.
StoreResult AddPreset(const Preset &preset);
// Replaces the user's preset called name by preset, which may carry a new name.
StoreResult EditPreset(const QString &name, const Preset &preset);
StoreResult RenamePreset(const QString &name, const QString &newName);
StoreResult DeletePreset(const QString &name);

// The entry's text, and back (false for anything the reading above skips, but names).
QString EncodePreset(const Preset &preset);
bool DecodePreset(const QString &text, Preset *preset);

} // namespace Recipes
