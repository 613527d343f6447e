#pragma once

#include "pages/clsArray.h"
#include "transfer/TransferResult.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QSet>
#include <QWidget>

class Downloader;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class frmMenu;

// The search tab: the search words, the two switches and five option lists, the "Search" button
// and the result list, which fills with one row per arriving thumbnail. The main window shows it
// as its third tab, calls enterTab() on every visit of that tab and hands loadVideo's address to
// the video tab. The panel owns the result list's popup commands (mnuCopyUrl, mnuSaveImage).
class SearchPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchPanel)

public:
    enum Column { ColumnImage = 0, ColumnTitle = 1 };

    explicit SearchPanel(QWidget *parent = nullptr);
    ~SearchPanel() override;

    // A visit of the tab: the box is emptied and focused, so every visit starts a new query.
    void enterTab();

    // True from a search's start until its last page has been handled.
    bool isSearching() const { return !m_pendingPages.isEmpty(); }

    // The watch-page address a row carries.
    static QString rowTag(int row, const QTreeWidget *list); // row 1-based; "" when there is none

    QLineEdit *txtSearch = nullptr;
    QPushButton *cmdSearch = nullptr;
    QCheckBox *chkExactPhrase = nullptr;
    QCheckBox *chkHD = nullptr;
    QComboBox *cboSortBy = nullptr;
    QComboBox *cboUploadDate = nullptr;
    QComboBox *cboDuration = nullptr;
    QComboBox *cboCategory = nullptr;
    QComboBox *cboResults = nullptr;
    QTreeWidget *lvwSearch = nullptr;
    Downloader *DownloaderSearch = nullptr;
    Downloader *DownloaderImages = nullptr;

    // The running search: titles by thumbnail address, results cut and pages handled so far.
    clsArray SearchResults;
    qint32 SearchResultCount = 0;
    qint32 SearchPagesReceived = 0;
    // Row (1-based) last pressed with the left button, 0 when that press hit no row.
    qint32 SelectedSearchItem = 0;
    // The result pictures, picture n belonging to row n (both counted from 1).
    QList<QImage> imgSearch;

Q_SIGNALS:
    // A result was double-clicked: its watch-page address goes to the video tab.
    void loadVideo(const QString &watchAddress);

public Q_SLOTS:
    void cmdSearch_Click();
    void txtSearch_Change();
    void mnuCopyUrl_Click();
    void mnuSaveImage_Click();

public:
    void txtSearch_KeyPress(int &KeyAscii);
    void DownloaderSearch_Complete(const QString &URL, const QByteArray &data, const QString &Key,
                                   const TransferResult &result);
    void DownloaderImages_Complete(const QString &URL, const QByteArray &data, const QString &Key,
                                   const TransferResult &result);
    void lvwSearch_MouseDown(int Button, int Shift, int x, int y);
    void lvwSearch_MouseUp(int Button, int Shift, int x, int y);
    void lvwSearch_DblClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    QComboBox *addOptionList(const char *name, const QString &caption, const QStringList &items,
                             QLabel **label);
    frmMenu *searchMenu();
    int selectedRow() const; // 1-based row the list shows as selected, 0 for none
    void cancelRunningSearch();

    // Page addresses of the running search whose completion is still to come; pages and
    // thumbnails of an earlier search are cancelled and, should one still arrive, ignored.
    QSet<QString> m_pendingPages;
    QSet<QString> m_thumbnails; // thumbnail addresses the running search asked for
    QPointer<frmMenu> m_connectedMenu;
    QPoint m_lastMouseGlobal;
};
