#pragma once

#include <QSet>
#include <QString>

// The videos downloaded so far, one "extractor id" line per video (the extractor's own
// download-archive format, so the same file can be handed to it), in the user's data folder.
// A list's entries found in it are offered unchecked; a row that finishes adds its line.
//
// Lines are appended, never rewritten: a crash loses at most the line being written, and a line
// cut short matches no video. Lines that are not two words (an extractor and an id) are ignored
// when reading and never written.
class DownloadArchive final
{
public:
    // "archive.txt" in the user's data folder (tests redirect it through XDG_DATA_HOME).
    static QString defaultPath();

    explicit DownloadArchive(QString path = defaultPath());
    QString path() const { return m_path; }

    // "extractor id" for an entry, the extractor's name in lower case; empty when either part is
    // missing or holds white space or a line break.
    static QString lineFor(const QString &extractor, const QString &id);

    // Two words (an extractor and an id) with one blank between them.
    static bool isLine(const QString &line);

    QSet<QString> lines() const; // what the file holds now (empty when it is missing)
    bool contains(const QString &line) const { return lines().contains(line); }
    // Appends the line unless it is there already; false when it is not a valid line or the file
    // cannot be written.
    bool add(const QString &line);

private:
    QString m_path;
};
