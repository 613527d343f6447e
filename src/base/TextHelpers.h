#pragma once

#include <QString>

// Leading and trailing blanks removed; tabs, line breaks and other white space stay, as the
// program's texts treat only the blank as padding.
QString TrimBlanks(const QString &text);
