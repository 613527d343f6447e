#pragma once

#include "queue/DownloadChoice.h"
#include "queue/DownloadRecords.h"
#include "queue/FinishedFile.h"
#include "queue/SpeedMeter.h"

#include <QHash>
#include <QObject>

#include <memory>

class Downloader;
class DownloadJournal;
class ExtractorDownloads;
class JournalWriter;
class QFile;
class QThreadPool;
class QTimer;
struct JournalRow;
struct TransferAnswer;
struct TransferResult;

// The download list's rules, without widgets: the rows and their records, every row's transfer
// (our own and the extractor's), retries, the journal, finishing files, the per-row and average
// speed, and the free-space checks. A view shows the rows and forwards the user's commands; it
// learns what happened through the signals, which carry row numbers (rows are in list order and
// found again by key, never by a remembered position).
//
// Rows outlive a transfer and the program: Stop, a failure and closing keep a row's partial file,
// and Start continues it with a range request; transient failures are tried again by themselves;
// with a journal open, the list is written to it on every change and comes back at the next start.
//
// The list holds at most listRows() rows, and at most simultaneousDownloads() of them download at
// once (0: all). A row beyond that waits in state 5 ("Queued") and starts by itself, in list
// order, when a row downloading ends, stops, fails or goes. A row that waits to try again after a
// transient failure keeps its place meanwhile (it is still downloading, and takes it back within
// a minute); a row whose body is being put in place gives its place up (its transfer is over).
class DownloadQueue final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadQueue)

public:
    explicit DownloadQueue(QObject *parent = nullptr);
    ~DownloadQueue() override; // running transfers end without events; their partial files stay

    // The folder new rows save to, and where a finished body goes (read when it finishes).
    QString savePath() const { return m_savePath; }
    void setSavePath(const QString &path) { m_savePath = path; }
    QString targetPath(const QString &fileName) const;

    // Reads the list kept in the journal at path (the user's data folder by default), brings its
    // rows back (rows that were downloading continue), removes partial files of this program
    // that no row refers to any more, and from then on writes every change of the list to it.
    // A journal that cannot be read is set aside and the user is told once. Call it once, after
    // the save folder is set.
    void openJournal(const QString &path = QString());
    const DownloadJournal *journal() const { return m_journal.get(); }
    JournalWriter *journalWriter() const { return m_journalWriter; }

    // Waits between tries are scaled by this factor (tests shorten them; the captions still
    // give the seconds of the full wait).
    static void setRetryTimeScale(double scale);

    // The list's limits, as Settings.ini keeps them (ListRows, SimultaneousDownloads): read at
    // start-up and whenever the user changes them. A lower row limit keeps the rows there are; a
    // lower number at once lets the running rows finish. Both are clamped as Settings clamps them.
    void readSettings();
    int listRows() const { return m_listRows; }
    void setListRows(int rows);
    int simultaneousDownloads() const { return m_simultaneous; } // 0: all rows at once
    void setSimultaneousDownloads(int count);
    int runningCount() const; // rows that hold a place among those downloading at once
    int queuedCount() const { return m_records.countInState(StateQueued); }
    QString queueText() const { return m_queueText; } // "3 running, 12 queued"

    // The download archive that finished rows add their line to (DownloadArchive's default path
    // when none is set).
    void setArchivePath(const QString &path) { m_archivePath = path; }
    QString archivePath() const;

    // Adding: whether the choice may become a row (the list's limit and a row of the same
    // address are told to the user); then the row, under fileName, started at once or queued.
    // replaceable is the file the user chose to overwrite, as it was when the user said so.
    bool mayAdd(const DownloadChoice &choice);
    // How many more rows the list takes now (a list of videos adds at most this many).
    int roomLeft() const { return qMax(0, m_listRows - m_records.count()); }
    bool add(const DownloadChoice &choice, const QString &fileName, const FinishedFile::Stamp &replaceable = {});
    // Rows whose bytes come from elsewhere (another downloader) use the list through these, as
    // the list's own transfers do: append a row in state 1 without starting a transfer, report
    // its progress, end it with a state and a caption.
    bool appendRow(const DownloadChoice &choice, const QString &fileName);
    void reportProgress(const QString &key, qint64 done, qint64 total);
    void endRow(const QString &key, int state, const QString &caption);

    // While one lives, the journal is written once, when the last one goes, instead of after every
    // row (a list of videos adds hundreds of rows in one go).
    class Batch final
    {
    public:
        explicit Batch(DownloadQueue &queue);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        DownloadQueue &m_queue;
    };

    // Commands on one row, as the list's popup menu gives them; each skips a row it does not
    // apply to. After stop() or remove() of several rows, call settle(). Start queues the row
    // when no place is free (a queued row stays where it is in the queue); Stop ends its wait.
    void start(int row);
    void stop(int row);
    void remove(int row);
    bool removeIfEnded(int row); // a downloaded or failed row; true when it went
    void settle(bool rowsWent);  // the speed meter forgets the bytes of rows that stopped or went
    // Every row that is not downloaded or downloading is started, within the limit (the others
    // queued); every row that downloads or waits is stopped (also one that has not reached 1 %).
    void startAll();
    void stopAll();
    // The row changes places with its neighbour; false when there is none. Queued rows start in
    // list order, so this is how a waiting row's turn changes.
    bool moveUp(int row);
    bool moveDown(int row);
    // The name the row's file takes; replaceable as for add().
    void rename(int row, const QString &name, const FinishedFile::Stamp &replaceable);
    bool mayRename(int row) const; // not while its body is being put in place

    bool anyDownloading() const { return m_records.anyInState(StateDownloading); }
    const DownloadRecords &records() const { return m_records; }
    const SpeedMeter &speedMeter() const { return m_speed; }
    QString speedText() const { return m_speedText; }

    // The once-a-second work: the average speed, each row's figures, the countdown of rows
    // waiting to try again, the shares of the speed limit.
    void tick();

    // One limit for all downloads together, in bytes per second (0: none). Each row that
    // downloads has an equal share: the extractor's rows through --limit-rate as their run starts,
    // our own together through the transfers' shared limit.
    void setSpeedLimit(qint64 bytesPerSecond);
    qint64 speedLimit() const { return m_speedLimit; }

    // The transfers, for tests and for the view's handlers of the same name.
    Downloader *const DownloadVid;
    ExtractorDownloads *const DownloadStream;
    QTimer *const Timer1;

    // The transfer events (connected at construction; public for callers that replay them).
    void onProgress(const QString &URL, const QString &Key, qint64 BytesDone, qint64 BytesTotal, int Status);
    void onComplete(const QString &URL, const QByteArray &data, const QString &Key, const TransferResult &result);
    void onAnswered(const QString &URL, const QString &Key, const TransferAnswer &answer);
    // A step of the extractor's post-processing: the row says it, its bar stays short of the end.
    void onStep(const QString &Key, const QString &caption);
    // A recipe's file is of the kind the extractor made (a page may lack the container asked
    // for): the row's name ends as that file does.
    void onMade(const QString &Key, const QString &suffix);

Q_SIGNALS:
    void rowInserted(int row);
    // The row's state, name, caption or bar (its percentage in records()) changed.
    void rowChanged(int row);
    void rowRemoved(int row);
    void rowMoved(int from, int to); // the row at from is now at to; the row at to took from's place
    // The figures of the Size, Speed and Time left columns.
    void figuresChanged(int row, const QString &size, const QString &speed, const QString &timeLeft);
    void speedTextChanged(const QString &text);     // "Average Download Speed: 153.6 kB/s"
    void freeSpaceTextChanged(const QString &text); // "Free Disk Space: 12.34 GB"
    void queueTextChanged(const QString &text);     // "3 running, 12 queued"
    // A row finished (state 2) or failed for good (state 4); folder holds its file.
    void downloadEnded(const QString &fileName, const QString &caption, const QString &folder, bool ok);

private:
    bool addRow(const DownloadChoice &choice, const QString &fileName, bool start,
                const FinishedFile::Stamp &replaceable = {});
    void insertRow(const DownloadRecord &record);
    void removeRow(int row);
    void startTransfer(int row, bool retry = false);
    bool hasPlace() const; // a row may start downloading now
    QString rowFolder(const DownloadRecord &record) const;
    void startOrQueue(int row);
    void begin(int row);      // downloading from now on
    void startWaiting();      // queued rows, in list order, while places are free
    void scheduleWaiting();   // the same, once the event that freed a place is handled
    void queueChanged();      // the status bar's count
    bool swapRows(int row, int other);
    void stopRow(int row, bool evenAtZero);
    void startStream(int row);
    bool newPartialFile(int row); // in the save folder; false when the row ended for want of one
    void cancelFetch(const QString &key); // ends the row's transfer or extractor run, without events
    static QString streamFailedCaption(const QString &errorLine);
    void closeHandle(DownloadRecord &record);
    void dropPartial(DownloadRecord &record);
    void keepPartial(DownloadRecord &record);
    void failRow(int row, const TransferResult &result);
    void retryLater(int row, const TransferResult &result, int retryNumber, qint64 delayMs);
    void cancelRetry(DownloadRecord &record);
    void retryNow(const QString &key);
    bool fitsOnDisk(int row, qint64 total, qint64 kept);
    void updateColumns(qint64 nowMs);
    // The journal.
    QList<JournalRow> journalRows() const;
    void restoreRow(const JournalRow &row);
    void removeOrphans(const QStringList &folders);
    void rowsChanged();
    void shareSpeedLimit();
    QStringList extractorLimitOptions() const; // for a run starting now
    void bytesChanged();
    void setRowState(int row, int state);
    void setRowFileName(int row, const QString &name);
    void showFreeSpace(const QString &folder);
    void saveBody(int row, const QString &partial, std::shared_ptr<QFile> handle, qint64 size);
    void bodySaved(const QString &key, const FinishedFile::Outcome &outcome);
    void endRow(int row, int state, const QString &caption);

    QString m_savePath;
    qint64 m_speedLimit = 0;
    QString m_archivePath;
    int m_listRows;
    int m_simultaneous = 0;
    bool m_waitingDue = false; // startWaiting() is on its way
    bool m_closing = false;
    int m_batches = 0;
    bool m_journalDue = false; // a change waits for the end of a batch
    QString m_queueText;
    DownloadRecords m_records;
    SpeedMeter m_speed;
    QString m_speedText;
    QHash<QString, QString> m_savingTargets; // key -> the path its body is being moved to
    QThreadPool *m_savers = nullptr; // long copies of finished bodies, off the user interface
    QHash<QString, QTimer *> m_retryTimers; // key -> the wait of a row that tries again
    std::unique_ptr<DownloadJournal> m_journal;
    JournalWriter *m_journalWriter = nullptr;
};
