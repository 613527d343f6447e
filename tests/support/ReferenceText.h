#pragma once

// Straightforward versions of the page text helpers and of the formatted label's tag reading:
// slow (each step scans and copies the whole text again), but plainly right. The tests and the
// fuzz targets compare the program's one-pass code with them.

#include <QString>

namespace reference {

QString CleanTitle(QString title);
QString StripTags(const QString &text);
// The caption with every tag the label recognises removed, scanning as the label does: from each
// "<" to the next ">", a span that is no tag staying as text.
QString WithoutTags(const QString &caption);

} // namespace reference
