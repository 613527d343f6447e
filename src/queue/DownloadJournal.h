#pragma once

#include "queue/JournalRow.h"

#include <QList>
#include <QString>
#include <QStringList>

// The download list's journal: a small versioned JSON file in the user's data folder
// (QStandardPaths::AppDataLocation, "downloads.json"), so that the list outlives the program,
// a crash or a kill.
//
//   {"format": "clipvault-downloads", "version": 2, "rows": [{...one object per row...}]}
//
// Version 2 added the queued state (5) and the row's archive line; journals of version 1 are
// read as they are.
// A row whose partial file was written in segments names the bytes on disk as "ranges": a list of
// [first, end) pairs of offsets, sorted, apart from each other and inside the total, whose sizes
// add up to "bytes". Version 2 brought them: a program that knows no ranges would take such a
// file's length for the bytes it holds, so it leaves the journal alone.
//
// save() writes a new file and renames it over the old one, so a crash or a kill leaves either
// the old journal or the new one, never a mix; the file is readable by its owner only (it may
// hold a format's cookies). load() checks every field of every row: a journal that cannot be
// read, parsed or trusted is set aside under another name in the same folder (never deleted)
// and the list starts empty; the outcome says so once, the caller tells the user. A journal
// written by a newer version is left as it is: it is not read, and this instance never writes
// over it.
class DownloadJournal final
{
public:
    static constexpr int Version = 2;
    static constexpr int MaxRanges = 1000; // per row
    static constexpr int MaxRows = 1000; // the list's highest limit: more rows are not a journal of ours
    // Room for that many rows with every field at its limit (headers of a format, long captions).
    static constexpr qint64 MaxFileBytes = 128 * 1024 * 1024;

    // The journal in the user's data folder. Tests redirect it through XDG_DATA_HOME (or give
    // their own path).
    static QString defaultPath();

    explicit DownloadJournal(QString path = defaultPath());
    QString path() const { return m_path; }

    struct Loaded
    {
        enum Outcome {
            Missing,  // no journal yet: an empty list, nothing to say
            Read,     // rows hold the list
            SetAside, // unreadable or broken: moved to setAsidePath (empty when even that failed)
            Newer,    // written by a newer version: not read, never overwritten
        };
        Outcome outcome = Missing;
        QList<JournalRow> rows;
        QString reason;       // what was wrong (SetAside, Newer), for the user and the log
        QString setAsidePath; // where a broken journal went
    };
    Loaded load();

    // Writes the rows; false (with the reason) when the file cannot be written or belongs to a
    // newer version.
    bool save(const QList<JournalRow> &rows, QString *error = nullptr);
    bool isWritable() const { return !m_readOnly; }
    // The journals set aside beside this one that are still there (the user has not removed them).
    QStringList setAsideJournals() const;

    // The checks and the format, for tests and tools: a row that fails gives the reason.
    static QByteArray toJson(const QList<JournalRow> &rows);
    static bool fromJson(const QByteArray &json, QList<JournalRow> *rows, int *version, QString *reason);

private:
    QString setAside();

    QString m_path;
    bool m_checked = false;  // the file on disk has been looked at
    bool m_readOnly = false; // a newer journal, or a broken one that could not be moved away
};
