#include "search/SearchPanel.h"

#include "videoinfo/PageText.h"
#include "base/AppState.h"
#include "base/ErrorTrap.h"
#include "base/UiSeam.h"
#include "dialogs/frmMenu.h"
#include "image/PictureFromBytes.h"
#include "image/modJPG.h"
#include "pages/SearchRequest.h"
#include "pages/SearchResultsPage.h"
#include "transfer/Downloader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

namespace {

const QString owner = QStringLiteral("Form frmMain");

// Button and shift values as the list's mouse handlers know them.
int buttonValue(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int shiftValue(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) + (modifiers & Qt::ControlModifier ? 2 : 0) +
           (modifiers & Qt::AltModifier ? 4 : 0);
}

constexpr int TagRole = Qt::UserRole;

} // namespace

SearchPanel::SearchPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SearchPanel"));
    buildControls();

    DownloaderSearch = new Downloader(this);
    DownloaderSearch->setObjectName(QStringLiteral("DownloaderSearch"));
    DownloaderSearch->setMemoryLimits(Downloader::PageLimits);
    DownloaderImages = new Downloader(this);
    DownloaderImages->setObjectName(QStringLiteral("DownloaderImages"));
    DownloaderImages->setMemoryLimits(Downloader::PictureLimits);
    connect(DownloaderSearch, &Downloader::Complete, this, &SearchPanel::DownloaderSearch_Complete);
    connect(DownloaderImages, &Downloader::Complete, this, &SearchPanel::DownloaderImages_Complete);

    connect(cmdSearch, &QPushButton::clicked, this, &SearchPanel::cmdSearch_Click);
    connect(txtSearch, &QLineEdit::textChanged, this, &SearchPanel::txtSearch_Change);
    txtSearch->installEventFilter(this);
    lvwSearch->viewport()->installEventFilter(this);

    txtSearch_Change();
    if (frmMenu::instance())
        searchMenu();
}

SearchPanel::~SearchPanel() = default;

void SearchPanel::enterTab()
{
    txtSearch->clear();
    txtSearch->setFocus(Qt::OtherFocusReason);
    txtSearch_Change();
}

QString SearchPanel::rowTag(int row, const QTreeWidget *list)
{
    const QTreeWidgetItem *item = row >= 1 ? list->topLevelItem(row - 1) : nullptr;
    return item ? item->data(ColumnImage, TagRole).toString() : QString();
}

void SearchPanel::txtSearch_Change()
{
    cmdSearch->setEnabled(!txtSearch->text().trimmed().isEmpty());
}

void SearchPanel::txtSearch_KeyPress(int &KeyAscii)
{
    if (KeyAscii != 13)
        return;
    KeyAscii = 0;
    if (!txtSearch->text().trimmed().isEmpty())
        cmdSearch_Click();
}

void SearchPanel::cancelRunningSearch()
{
    for (const QString &page : std::as_const(m_pendingPages))
        DownloaderSearch->CancelDownload(page);
    for (const QString &thumbnail : std::as_const(m_thumbnails))
        DownloaderImages->CancelDownload(thumbnail);
    m_pendingPages.clear();
    m_thumbnails.clear();
}

void SearchPanel::cmdSearch_Click()
{
    ErrorTrap::run(QStringLiteral("cmdSearch_Click"), owner, [this] {
        cancelRunningSearch();
        SearchResultCount = 0;
        SearchPagesReceived = 0;

        imgSearch.clear();
        lvwSearch->clear();
        SearchResults.Clear();

        window()->setWindowTitle(UiSeam::applicationTitle() +
                                 QStringLiteral(" - Retrieving search results from YouTube. Please wait..."));

        txtSearch->setText(txtSearch->text().trimmed());

        SearchRequest::Options options;
        options.words = txtSearch->text();
        options.exactPhrase = chkExactPhrase->isChecked();
        options.highDefinition = chkHD->isChecked();
        options.sortBy = cboSortBy->currentIndex();
        options.uploadDate = cboUploadDate->currentIndex();
        options.duration = cboDuration->currentIndex();
        options.category = cboCategory->currentIndex();
        options.results = cboResults->currentIndex();
        const QStringList pages = SearchRequest::PageAddresses(AppState::SiteRoot(), options);

        // Only the list stops drawing while the pages arrive; the rest of the window stays live.
        lvwSearch->setUpdatesEnabled(false);

        m_pendingPages = QSet<QString>(pages.cbegin(), pages.cend());
        for (const QString &page : pages)
            DownloaderSearch->Start(page, Downloader::ForceUpdate);
    });
}

void SearchPanel::DownloaderSearch_Complete(const QString &URL, const QByteArray &data, const QString &Key,
                                            const TransferResult &result)
{
    Q_UNUSED(URL);
    // A page of an earlier search, or one this search never asked for.
    if (!m_pendingPages.remove(Key))
        return;

    ErrorTrap::run(QStringLiteral("DownloaderSearch_Complete"), owner, [&] {
        const QString text = result.ok ? modFunctions::PageText(data) : QString();
        const QList<SearchResultsPage::Item> items = SearchResultsPage::Cut(text);
        for (const SearchResultsPage::Item &item : items) {
            ++SearchResultCount;
            // An item without a title field still names its thumbnail: it is listed untitled.
            SearchResults.Add(modFunctions::PageTitle(item.title), item.thumbnailAddress);
            m_thumbnails.insert(item.thumbnailAddress);
            DownloaderImages->Start(item.thumbnailAddress, Downloader::ForceUpdate);
        }
    });

    // A page counts as received even when its handling failed, so the list and caption come back.
    ++SearchPagesReceived;
    if (!m_pendingPages.isEmpty())
        return;

    lvwSearch->setUpdatesEnabled(true);
    window()->setWindowTitle(UiSeam::applicationTitle());
    if (SearchResultCount == 0) {
        UiSeam::messageBox(QStringLiteral("No results were found for this search. ") + QStringLiteral("\r\n\r\n") +
                               QStringLiteral("Please change your search criteria and try again. "),
                           UiSeam::Exclamation);
    }
}

void SearchPanel::DownloaderImages_Complete(const QString &URL, const QByteArray &data, const QString &Key,
                                            const TransferResult &result)
{
    Q_UNUSED(URL);
    // Thumbnails of an earlier search do not belong in this list.
    if (!m_thumbnails.contains(Key))
        return;

    ErrorTrap::run(QStringLiteral("DownloaderImages_Complete"), owner, [&] {
        QImage picture = PictureFromBytes(result.ok ? data : QByteArray());
        // Bytes that are no picture show the placeholder, as a failed transfer does.
        if (picture.isNull())
            picture = PictureFromBytes(QByteArray());
        imgSearch.append(picture);

        // The row draws the very picture the list keeps (shared, not copied into a pixmap).
        auto *row = new QTreeWidgetItem;
        row->setData(ColumnImage, Qt::DecorationRole, picture);
        row->setSizeHint(ColumnImage, lvwSearch->iconSize() + QSize(8, 4));
        lvwSearch->addTopLevelItem(row);
        row->setText(ColumnTitle, SearchResults.Itemget(Key));
        row->setToolTip(ColumnTitle, row->text(ColumnTitle));
        row->setData(ColumnImage, TagRole,
                     AppState::SiteRoot() + QStringLiteral("/watch?v=") +
                         modFunctions::GrabYoutubeVideoCode(Key));
    });
}

void SearchPanel::lvwSearch_MouseDown(int Button, int Shift, int x, int y)
{
    Q_UNUSED(Shift);
    ErrorTrap::run(QStringLiteral("lvwSearch_MouseDown"), owner, [&] {
        if (Button != 1)
            return;
        QTreeWidgetItem *hit = lvwSearch->itemAt(x, y);
        SelectedSearchItem = hit ? static_cast<qint32>(lvwSearch->indexOfTopLevelItem(hit)) + 1 : 0;
    });
}

void SearchPanel::lvwSearch_MouseUp(int Button, int Shift, int x, int y)
{
    Q_UNUSED(Shift);
    ErrorTrap::run(QStringLiteral("lvwSearch_MouseUp"), owner, [&] {
        if (Button != 2 || !lvwSearch->itemAt(x, y))
            return;
        frmMenu *menu = searchMenu();
        menu->popup(menu->mnuPopupSearch, lvwSearch->viewport()->mapToGlobal(QPoint(x, y)));
    });
}

void SearchPanel::lvwSearch_DblClick()
{
    ErrorTrap::run(QStringLiteral("lvwSearch_DblClick"), owner, [&] {
        if (SelectedSearchItem == 0)
            return;
        // The press that made the double-click chose the row; a list emptied since has none.
        if (const QTreeWidgetItem *row = lvwSearch->topLevelItem(SelectedSearchItem - 1))
            Q_EMIT loadVideo(row->data(ColumnImage, TagRole).toString());
    });
}

int SearchPanel::selectedRow() const
{
    const QList<QTreeWidgetItem *> selected = lvwSearch->selectedItems();
    return selected.isEmpty() ? 0 : static_cast<int>(lvwSearch->indexOfTopLevelItem(selected.first())) + 1;
}

void SearchPanel::mnuCopyUrl_Click()
{
    const int row = selectedRow();
    if (row == 0)
        return;
    UiSeam::setClipboardText(rowTag(row, lvwSearch));
}

void SearchPanel::mnuSaveImage_Click()
{
    const int row = selectedRow();
    if (row == 0 || row > imgSearch.size())
        return;
    // Handed over by value: thumbnails that arrive while the dialog is open grow the list and move
    // its elements.
    modJPG::SaveWithDialog(imgSearch.at(row - 1));
}

frmMenu *SearchPanel::searchMenu()
{
    frmMenu *menu = frmMenu::instance();
    if (!menu)
        menu = new frmMenu(window()); // the popup form is created on first use
    if (m_connectedMenu != menu) {
        connect(menu->mnuCopyUrl, &QAction::triggered, this, &SearchPanel::mnuCopyUrl_Click);
        connect(menu->mnuSaveImage, &QAction::triggered, this, &SearchPanel::mnuSaveImage_Click);
        m_connectedMenu = menu;
    }
    return menu;
}

bool SearchPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtSearch && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            int keyAscii = 13;
            txtSearch_KeyPress(keyAscii);
            if (keyAscii == 0)
                return true;
        }
    } else if (watched == lvwSearch->viewport()) {
        const auto *mouse = dynamic_cast<QMouseEvent *>(event);
        if (mouse) {
            const QPoint at = mouse->position().toPoint();
            const int button = buttonValue(mouse->button());
            const int shift = shiftValue(mouse->modifiers());
            switch (event->type()) {
            case QEvent::MouseButtonPress:
                lvwSearch_MouseDown(button, shift, at.x(), at.y());
                break;
            case QEvent::MouseButtonRelease:
                lvwSearch_MouseUp(button, shift, at.x(), at.y());
                break;
            case QEvent::MouseButtonDblClick:
                lvwSearch_MouseDown(button, shift, at.x(), at.y());
                if (button == 1)
                    lvwSearch_DblClick();
                break;
            default:
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
