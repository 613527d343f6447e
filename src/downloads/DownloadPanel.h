#pragma once

#include "queue/DownloadChoice.h"
#include "queue/DownloadQueue.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class Downloader;
class ExtractorDownloads;
class LabelEditDelegate;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class RowProgressBar;
class SubClass;
class frmMenu;
struct TransferAnswer;
struct TransferResult;

// The download list as the user sees it, with its save folder: one row per row of the download
// core (DownloadQueue), one bar per row laid over its "Status" cell, the popup commands, renaming
// in place, the save-folder controls. It shows what the core tells and forwards the user's
// commands; every rule about a download lives in the core.
class DownloadPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadPanel)

public:
    enum Column { ColVideo = 0, ColStatus = 1, ColSize = 2, ColSpeed = 3, ColTimeLeft = 4 };

    explicit DownloadPanel(QWidget *parent = nullptr);
    ~DownloadPanel() override; // running transfers end without events; their partial files stay

    DownloadQueue *queue() const { return m_queue; }

    // For the main window.
    bool anyDownloading() const { return m_queue->anyDownloading(); }
    QString savePath() const;
    void setSavePath(const QString &path);

    // See DownloadQueue.
    void openJournal(const QString &path = QString()) { m_queue->openJournal(path); }
    const DownloadJournal *journal() const { return m_queue->journal(); }
    JournalWriter *journalWriter() const { return m_queue->journalWriter(); }
    bool appendRow(const DownloadChoice &choice, const QString &fileName) { return m_queue->appendRow(choice, fileName); }
    void reportProgress(const QString &key, qint64 done, qint64 total) { m_queue->reportProgress(key, done, total); }
    void endRow(const QString &key, int state, const QString &caption) { m_queue->endRow(key, state, caption); }
    static void setRetryTimeScale(double scale) { DownloadQueue::setRetryTimeScale(scale); }
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
    // The core's timer and transfers, under the names the list's handlers have.
    QTimer *Timer1 = nullptr;
    Downloader *DownloadVid = nullptr;
    ExtractorDownloads *DownloadStream = nullptr;

    // The records and the speed meter, for tests and the main window to read.
    const DownloadRecords &records() const { return m_queue->records(); }
    const SpeedMeter &speedMeter() const { return m_queue->speedMeter(); }
    QString speedText() const { return m_queue->speedText(); }

    // Handlers.
    void cmdDownload_Click(const DownloadChoice &choice);
    void DownloadVid_Progress(const QString &URL, const QString &Key, qint64 BytesDone, qint64 BytesTotal,
                              int Status);
    void DownloadVid_Complete(const QString &URL, const QByteArray &data, const QString &Key,
                              const TransferResult &result);
    void DownloadVid_Answered(const QString &URL, const QString &Key, const TransferAnswer &answer);
    void Timer1_Timer() { m_queue->tick(); }
    void mnuStart_Click();
    void mnuStop_Click();
    void mnuRemoveSelected_Click();
    void mnuRemoveDownError_Click();
    void mnuMoveUp_Click();   // the selected rows, one place each (Ctrl+Up)
    void mnuMoveDown_Click(); // (Ctrl+Down)
    void mnuStartAll_Click();
    void mnuStopAll_Click();
    void mnuListRows_Click();      // asks for "Rows in the download list", stores and applies it
    void mnuSimultaneous_Click();  // asks for "Simultaneous downloads" (0: all rows at once)
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
    void queueTextChanged(const QString &text);     // "3 running, 12 queued"
    // A row finished (state 2) or failed for good (state 4); folder holds its file.
    void downloadEnded(const QString &fileName, const QString &caption, const QString &folder, bool ok);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class LabelEditDelegate;

    void PositionProgressBars();
    void rowInserted(int row);
    void rowChanged(int row);
    void rowRemoved(int row);
    void rowMoved(int from, int to);
    void showFigures(int row, const QString &size, const QString &speed, const QString &timeLeft);
    void setRowFileName(int row, const QString &name); // a committed rename
    void redrawAllBars();
    QList<int> selectedRows() const;
    void popupMenu(const QPoint &globalPos);

    DownloadQueue *m_queue = nullptr;
    QString EditExtension;
    int m_editRow = -1;
    FinishedFile::Stamp m_renameReplaces; // the file a rename being committed may replace
    QPointer<frmMenu> m_menu;
    LabelEditDelegate *m_editDelegate = nullptr;
};
