#pragma once

#include <QString>
#include <QStringList>

// The extractor options a recipe may hand to a download run, as a checked grammar: the journal
// takes back only such lists, and a run passes on nothing else. Every option appears at most once,
// each with its value as the next argument:
//   -f "bv*+ba/b" | "ba/b"
//   -S "res:N" and/or "ext:mp4:m4a" | "ext:webm:webm", joined by ","  (N: 2160 1440 1080 720 480 360)
//   --merge-output-format mp4|mkv|webm
//   -x  --audio-format mp3|m4a|opus|flac|wav  --audio-quality 0|320k|192k|128k
//   --write-subs  --write-auto-subs  --sub-langs TAG[,TAG...]  --embed-subs  --convert-subs srt|vtt
//   --embed-metadata  --embed-thumbnail  --embed-chapters
namespace RecipeOptions {

// A language as --sub-langs takes it: letters, digits and '-', starting with a letter or digit (a
// leading '-' would exclude it), at most 16 ASCII characters.
bool IsLanguageTag(const QString &tag);

// True when arguments is such a list (the empty list too: no recipe).
bool Accepts(const QStringList &arguments);

// The value of an option in an accepted list ("--audio-format" -> "mp3"); empty when absent.
QString ValueOf(const QStringList &arguments, const QString &option);

} // namespace RecipeOptions
