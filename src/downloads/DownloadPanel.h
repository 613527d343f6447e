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
struct TransferResult;
namespace FinishedFile {
struct Outcome;
}

// The download list with its save folder: rows keyed by media address, one bar per row laid over
// its "Status" cell, the transfers of every row at once, the list's popup commands, renaming in
// place, the average speed and the free space for the status bar.
class DownloadPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadPanel)

public:
    enum Column { ColVideo = 0, ColStatus = 1 };

    explicit DownloadPanel(QWidget *parent = nullptr);
    ~DownloadPanel() override; // running transfers end without events; their partial files go

    // For the main window.
    bool anyDownloading() const;
    QString savePath() const;
    void setSavePath(const QString &path);
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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class LabelEditDelegate;

    void PositionProgressBars();
    void addRow(const DownloadChoice &choice, const QString &fileName);
    void startTransfer(int row);
    void dropPartial(DownloadRecord &record);
    void setRowState(int row, int state);
    void setRowFileName(int row, const QString &name);
    void removeRow(int row);
    void redrawAllBars();
    void showFreeSpace(const QString &folder);
    void saveBody(int row, const QString &partial, std::shared_ptr<QFile> handle, qint64 size);
    void bodySaved(const QString &key, const QString &target, const FinishedFile::Outcome &outcome);
    void endRow(int row, int state, const QString &caption);
    QString targetPath(const QString &fileName) const;
    void popupMenu(const QPoint &globalPos);

    DownloadRecords m_records;
    SpeedMeter m_speed;
    QString m_speedText;
    QString EditExtension;
    int m_editRow = -1;
    // Files written (or being written) by this list, with the row that wrote each and when: a row
    // whose name was chosen before that file existed gets a numbered name instead of replacing it.
    struct Written
    {
        QString key;
        quint64 when = 0;
    };
    QHash<QString, Written> m_writtenFiles;
    QHash<QString, QString> m_savingTargets; // key -> the path its body is being moved to
    quint64 m_clock = 0;
    QThreadPool *m_savers = nullptr; // long copies of finished bodies, off the user interface
    QPointer<frmMenu> m_menu;
    LabelEditDelegate *m_editDelegate = nullptr;
};
