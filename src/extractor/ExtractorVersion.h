#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// What an extractor's `--version` prints: a release date, "2025.11.12", with a fourth number for
// nightly builds ("2025.11.12.232407").
namespace ExtractorVersion {

// The numbers of a version, empty when the text is not one.
QList<int> Parse(const QString &text);
bool IsVersion(const QString &text);
// Negative, zero or positive as a is older than, the same as or newer than b; a text that is no
// version counts as the oldest.
int Compare(const QString &a, const QString &b);
// The release date a version names; invalid when it names none.
QDate Date(const QString &version);

// The first version that takes --js-runtimes and needs a JavaScript runtime for some sites.
inline constexpr const char *RuntimeOptionSince = "2025.11.12";
bool KnowsRuntimeOption(const QString &version);

// What is known of the program at this path without running it: the file written beside it when
// it was installed (PROGRAM.version: the version, then "refuses --js-runtimes" when a trial run
// showed that it does not take the option, whatever its version says), else what was remembered
// in this run of the program. Empty when unknown.
QString Known(const QString &program);
void Remember(const QString &program, const QString &version); // no version: forgotten
// The text of PROGRAM.version for a copy being installed.
QByteArray SidecarText(const QString &version, bool refusesRuntimeOption);
inline constexpr const char *RefusedLine = "refuses --js-runtimes";
// Whether runs of the program are to get --js-runtimes: its version is known to take the option
// and no trial run showed otherwise.
bool TakesRuntimeOption(const QString &program);

} // namespace ExtractorVersion
