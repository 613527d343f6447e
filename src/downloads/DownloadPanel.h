#pragma once

#include "downloads/DownloadChoice.h"
#include "downloads/DownloadRecords.h"
#include "downloads/SpeedMeter.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

class Downloader;
class ExtractorDownloads;
class LabelEditDelegate;
class QFile;
class QLabel;
class QLineEdit;
class QPushButton;
class QThreadPool;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class RowProgressBar;
class SubClass;
class frmMenu;
struct TransferAnswer;
struct TransferResult;
class DownloadJournal;
class JournalWriter;
struct JournalRow;
namespace FinishedFile {
struct Outcome;
struct Stamp;
}

// The download list with its save folder: rows keyed by media address, one bar per row laid over
// its "Status" cell, the transfers of every row at once, the list's popup commands, renaming in
// place, the average speed and the free space for the status bar.
//
// Rows outlive a transfer and the program: Stop, a failure and closing keep a row's partial file,
// and Start continues it with a range request; transient failures are tried again by themselves;
// with a journal open, the list is written to it on every change and comes back at the next start.
class DownloadPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadPanel)

public:
    enum Column { ColVideo = 0, ColStatus = 1, ColSize = 2, ColSpeed = 3, ColTimeLeft = 4 };

    explicit DownloadPanel(QWidget *parent = nullptr);
    ~DownloadPanel() override; // running transfers end without events; their partial files stay

    // For the main window.
    bool anyDownloading() const;
    QString savePath() const;
    void setSavePath(const QString &path);

    // Reads the list kept in the journal at path (the user's data folder by default), brings its
    // rows back (rows that were downloading continue), removes partial files of this program
    // that no row refers to any more, and from then on writes every change of the list to it.
    // A journal that cannot be read is set aside and the user is told once. Call it once, after
    // the save folder is set.
    void openJournal(const QString &path = QString());
    const DownloadJournal *journal() const { return m_journal.get(); }
    JournalWriter *journalWriter() const { return m_journalWriter; }

    // Rows whose bytes come from elsewhere (another downloader) use the list through these, as
    // the list's own transfers do: append a row in state 1 without starting a transfer, report
    // its progress, end it with a state and a caption.
    bool appendRow(const DownloadChoice &choice, const QString &fileName);
    void reportProgress(const QString &key, qint64 done, qint64 total);
    void endRow(const QString &key, int state, const QString &caption);

    // Waits between tries are scaled by this factor (tests shorten them; the captions still
    // give the seconds of the full wait).
    static void setRetryTimeScale(double scale);
    // Connects the list's commands to a popup-menu form (done at once for frmMenu::instance()).
    void attachMenu(frmMenu *menu);

    // Controls.
    QLabel *lblSaveTo = nullptr;
    QLineEdit *txtSavePath = nullptr;
    QPushButton *cmdBrowse = nullptr;
    QPushButton *cmdOpen = nullptr;
    QTreeWidget *lvwDownloads = nullptr;
    QList<RowProgressBar *> MainPB;
    SubClass *Subclass1 = nullptr;
    QTimer *Timer1 = nullptr;
    Downloader *DownloadVid = nullptr;
    // Rows of streams and merged video and audio: the extractor fetches them, with the same events.
    ExtractorDownloads *DownloadStream = nullptr;

    // The records and the speed meter, for tests and the main window to read.
    const DownloadRecords &records() const { return m_records; }
    const SpeedMeter &speedMeter() const { return m_speed; }
    QString speedText() const { return m_speedText; }

    // Handlers.
    void cmdDownload_Click(const DownloadChoice &choice);
    void DownloadVid_Progress(const QString &URL, const QString &Key, qint64 BytesDone, qint64 BytesTotal,
                              int Status);
    void DownloadVid_Complete(const QString &URL, const QByteArray &data, const QString &Key,
                              const TransferResult &result);
    void DownloadVid_Answered(const QString &URL, const QString &Key, const TransferAnswer &answer);
    void Timer1_Timer();
    void mnuStart_Click();
    void mnuStop_Click();
    void mnuRemoveSelected_Click();
    void mnuRemoveDownError_Click();
    void lvwDownloads_MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void MainPB_MouseDown(int Index, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, QPoint pos);
    void MainPB_MouseUp(int Index, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, QPoint pos);
    void lvwDownloads_BeforeLabelEdit(int &Cancel);
    void lvwDownloads_AfterLabelEdit(int &Cancel, QString &NewString);
    void cmdBrowse_Click();
    void cmdOpen_Click();
    void Subclass1_WndProc(long &Msg, long &wParam, long &lParam, long &Result);

    // The bars.
    void PutProgressBarInListview();
    void UpdateProgbar(int Index, const QString &Caption, qint64 Max, qint64 &Value);

Q_SIGNALS:
    void speedTextChanged(const QString &text);     // "Average Download Speed: 153.6 kB/s"
    void freeSpaceTextChanged(const QString &text); // "Free Disk Space: 12.34 GB"
    // A row finished (state 2) or failed for good (state 4); folder holds its file.
    void downloadEnded(const QString &fileName, const QString &caption, const QString &folder, bool ok);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class LabelEditDelegate;

    void PositionProgressBars();
    bool addRow(const DownloadChoice &choice, const QString &fileName, bool start,
                const FinishedFile::Stamp &replaceable = {});
    void insertItem(const DownloadRecord &record);
    void startTransfer(int row, bool retry = false);
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
    void setCell(int row, int column, const QString &text);
    // The journal.
    QList<JournalRow> journalRows() const;
    void restoreRow(const JournalRow &row);
    void removeOrphans(const QStringList &folders);
    void rowsChanged();
    void bytesChanged();
    void setRowState(int row, int state);
    void setRowFileName(int row, const QString &name);
    void removeRow(int row);
    void redrawAllBars();
    void showFreeSpace(const QString &folder);
    void saveBody(int row, const QString &partial, std::shared_ptr<QFile> handle, qint64 size);
    void bodySaved(const QString &key, const FinishedFile::Outcome &outcome);
    void endRow(int row, int state, const QString &caption);
    QString targetPath(const QString &fileName) const;
    void popupMenu(const QPoint &globalPos);

    DownloadRecords m_records;
    SpeedMeter m_speed;
    QString m_speedText;
    QString EditExtension;
    int m_editRow = -1;
    QHash<QString, QString> m_savingTargets; // key -> the path its body is being moved to
    QThreadPool *m_savers = nullptr; // long copies of finished bodies, off the user interface
    QHash<QString, QTimer *> m_retryTimers; // key -> the wait of a row that tries again
    std::unique_ptr<DownloadJournal> m_journal;
    JournalWriter *m_journalWriter = nullptr;
    QPointer<frmMenu> m_menu;
    LabelEditDelegate *m_editDelegate = nullptr;
};
