#pragma once

#include "demosite/clips.h"
#include "demosite/mediacontent.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// Helpers of the tests that run the extractor, or a shell script standing in for it.
namespace StandIn {

// Writes bytes to a file at path; false when it fails.
inline bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Writes an executable shell script with this body to path; the path, or empty when it fails.
inline QString Write(const QString &path, const QByteArray &body)
{
    if (!WriteFile(path, "#!/bin/sh\n" + body + "\n"))
        return QString();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// A file's bytes; empty when it cannot be read.
inline QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the demo site serves as a clip's source, byte for byte.
inline QByteArray ClipMedia(const demosite::Clip &clip, const demosite::ClipSource &source)
{
    QByteArray bytes(static_cast<qsizetype>(source.size), '\0');
    demosite::fillMedia(clip.name, source.code, 0, bytes.data(), static_cast<std::size_t>(bytes.size()));
    return bytes;
}

} // namespace StandIn
