#pragma once

#include <QString>

// A small INI file reader and writer with the profile-function behaviour the settings rely on:
// sections in brackets, key=value lines, a missing file, section or key reads as "".
// Writing keeps every other line and replaces the file atomically. A write fails, leaving the file
// as it was, when the file exists but cannot be read or when anything written holds a line break.
namespace IniFile {

QString read(const QString &section, const QString &key, const QString &file);
bool write(const QString &section, const QString &key, const QString &value, const QString &file);

} // namespace IniFile
