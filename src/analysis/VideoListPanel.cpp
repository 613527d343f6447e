#include "analysis/VideoListPanel.h"

#include "analysis/DetailLabels.h"
#include "lists/ListChoice.h"
#include "lists/VideoListFilter.h"
#include "lists/VideoListModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>

#include <functional>

namespace {

template <typename Control>
Control *named(Control *control, const char *name, const QString &accessibleName)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setAccessibleName(accessibleName);
    return control;
}

} // namespace

namespace {

// The checklist's rows are checked, never selected: the view's own clicks and keys move the
// current row only, and an assistive technology's "Toggle" of a row (Qt's table cells offer only
// that action, and would select or unselect the row with it) checks or unchecks the row instead.
// Nothing ever being selected, every Toggle arrives as a selection of the one row.
class ChecklistView final : public QTreeView
{
public:
    using QTreeView::QTreeView;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &, const QEvent *) const override
    {
        return QItemSelectionModel::NoUpdate;
    }
};

class ChecklistSelection final : public QItemSelectionModel
{
public:
    ChecklistSelection(QAbstractItemModel *model, std::function<void(int)> toggle, QObject *parent)
        : QItemSelectionModel(model, parent)
        , m_toggle(std::move(toggle))
    {
    }

    using QItemSelectionModel::select;
    void select(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override
    {
        if (index.isValid() && command == (Select | Rows))
            m_toggle(index.row());
        else
            QItemSelectionModel::select(index, command);
    }

private:
    std::function<void(int)> m_toggle;
};

} // namespace

VideoListPanel::VideoListPanel(QWidget *parent)
    : QWidget(parent)
    , m_model(new VideoListModel(this))
    , m_filter(new VideoListFilter(m_model, this))
{
    setObjectName(QStringLiteral("VideoListPanel"));
    setAccessibleName(QStringLiteral("List"));
    setupUi();
    connect(m_model, &VideoListModel::checkedCountChanged, this, &VideoListPanel::checkedCountChanged);
    connect(txtListFilter, &QLineEdit::textChanged, m_filter, &VideoListFilter::setFilterText);
    connect(cmdSelectAll, &QPushButton::clicked, m_filter, [this] { m_filter->checkShown(true); });
    connect(cmdSelectNone, &QPushButton::clicked, m_filter, [this] { m_filter->checkShown(false); });
    connect(cmdDownloadSelected, &QPushButton::clicked, this, [this] {
        if (m_model->checkedCount() > 0)
            Q_EMIT downloadSelected();
    });
    tvwListVideos->viewport()->installEventFilter(this);
    tvwListVideos->installEventFilter(this);
    checkedCountChanged(0);
}

VideoListPanel::~VideoListPanel() = default;

void VideoListPanel::setupUi()
{
    auto *fraList = named(new QGroupBox(QStringLiteral("List"), this), "fraList", QStringLiteral("List"));
    QGridLayout *details = DetailLabels::grid(fraList,
                                              {
                                                  {"lblListTitleCaption", "lblListTitle", "Title:", &lblListTitle},
                                                  {"lblListUploaderCaption", "lblListUploader", "Uploader:", &lblListUploader},
                                                  {"lblListCountCaption", "lblListCount", "Videos:", &lblListCount},
                                                  {"lblListSelectedCaption", "lblListSelected", "Selected:", &lblListSelected},
                                              },
                                              2);
    details->setColumnStretch(1, 3);
    details->setColumnStretch(3, 1);

    auto *lblFilter = named(new QLabel(QStringLiteral("Filter:"), fraList), "lblListFilter", QStringLiteral("Filter:"));
    txtListFilter = named(new QLineEdit(fraList), "txtListFilter", QStringLiteral("Filter:"));
    txtListFilter->setPlaceholderText(QStringLiteral("Part of a title"));
    lblFilter->setBuddy(txtListFilter);
    cmdSelectAll = named(new QPushButton(QStringLiteral("Select all"), fraList), "cmdSelectAll", QStringLiteral("Select all"));
    cmdSelectNone = named(new QPushButton(QStringLiteral("Select none"), fraList), "cmdSelectNone", QStringLiteral("Select none"));
    auto *filterLine = new QHBoxLayout;
    filterLine->addWidget(lblFilter);
    filterLine->addWidget(txtListFilter, 1);
    filterLine->addWidget(cmdSelectAll);
    filterLine->addWidget(cmdSelectNone);

    tvwListVideos = named(new ChecklistView(fraList), "tvwListVideos", QStringLiteral("Videos in this list"));
    tvwListVideos->setModel(m_filter);
    tvwListVideos->setSelectionModel(
        new ChecklistSelection(m_filter, [this](int row) { m_filter->click(row, false); }, tvwListVideos));
    tvwListVideos->setRootIsDecorated(false);
    tvwListVideos->setItemsExpandable(false);
    tvwListVideos->setUniformRowHeights(true); // thousands of rows are laid out without measuring each
    tvwListVideos->setAllColumnsShowFocus(true);
    tvwListVideos->setSelectionMode(QAbstractItemView::SingleSelection);
    tvwListVideos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView *header = named(tvwListVideos->header(), "hdrListVideos", QStringLiteral("Columns"));
    header->setStretchLastSection(false);
    header->setSectionResizeMode(VideoListModel::ColTitle, QHeaderView::Stretch);
    const int digit = tvwListVideos->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    header->resizeSection(VideoListModel::ColPosition, digit * 6 + 32);
    header->resizeSection(VideoListModel::ColDuration, digit * 9);
    header->resizeSection(VideoListModel::ColNote, tvwListVideos->fontMetrics().horizontalAdvance(VideoListModel::AlreadyDownloaded) + 16);

    auto *lblQuality = named(new QLabel(QStringLiteral("Quality:"), fraList), "lblListQuality", QStringLiteral("Quality:"));
    cboListQuality = named(new QComboBox(fraList), "cboListQuality", QStringLiteral("Quality:"));
    cboListQuality->addItems(ListChoice::Captions());
    lblQuality->setBuddy(cboListQuality);
    const QString folderCaption = QStringLiteral("Put them in a folder named after the list");
    chkListFolder = named(new QCheckBox(folderCaption, fraList), "chkListFolder", folderCaption);
    cmdDownloadSelected = named(new QPushButton(QStringLiteral("Download selected"), fraList), "cmdDownloadSelected",
                                QStringLiteral("Download selected"));
    auto *downloadLine = new QHBoxLayout;
    downloadLine->addWidget(lblQuality);
    downloadLine->addWidget(cboListQuality);
    downloadLine->addSpacing(12);
    downloadLine->addWidget(chkListFolder);
    downloadLine->addStretch(1);
    downloadLine->addWidget(cmdDownloadSelected);

    auto *list = new QVBoxLayout(fraList);
    list->addLayout(details);
    list->addLayout(filterLine);
    list->addWidget(tvwListVideos, 1);
    list->addLayout(downloadLine);
    auto *panel = new QVBoxLayout(this);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(fraList);
}

void VideoListPanel::showList(const VideoList &list, const QSet<QString> &archived)
{
    txtListFilter->clear();
    m_model->setList(list, archived);
    lblListTitle->setText(list.title);
    lblListUploader->setText(list.uploader);
    lblListCount->setText(QString::number(list.entries.size()));
    chkListFolder->setChecked(list.entries.size() > 1);
    checkedCountChanged(m_model->checkedCount());
}

void VideoListPanel::clear()
{
    m_model->clear();
    for (QLabel *label : {lblListTitle, lblListUploader, lblListCount})
        label->clear();
}

int VideoListPanel::choice() const
{
    return cboListQuality->currentIndex();
}

bool VideoListPanel::intoListFolder() const
{
    return chkListFolder->isChecked();
}

void VideoListPanel::checkedCountChanged(int count)
{
    lblListSelected->setText(QString::number(count));
    cmdDownloadSelected->setEnabled(count > 0);
}

bool VideoListPanel::eventFilter(QObject *watched, QEvent *event)
{
    // Shift with a click (or with Space) checks the range from the last entry checked or
    // unchecked; the view's own handling would only toggle the one entry, or select.
    if (watched == tvwListVideos->viewport()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease
            || event->type() == QEvent::MouseButtonDblClick)) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !(mouse->modifiers() & Qt::ShiftModifier))
            return false;
        const QModelIndex index = tvwListVideos->indexAt(mouse->position().toPoint());
        if (!index.isValid())
            return false;
        if (event->type() == QEvent::MouseButtonRelease) {
            tvwListVideos->setCurrentIndex(index);
            m_filter->click(index.row(), true);
        }
        return true;
    }
    // Space checks or unchecks the current entry whichever of its cells has the focus.
    if (watched == tvwListVideos && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space && tvwListVideos->currentIndex().isValid()) {
            m_filter->click(tvwListVideos->currentIndex().row(), key->modifiers() & Qt::ShiftModifier);
            return true;
        }
    }
    return false;
}
