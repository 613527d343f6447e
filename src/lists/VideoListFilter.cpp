#include "lists/VideoListFilter.h"

#include "lists/VideoListModel.h"

#include <algorithm>

VideoListFilter::VideoListFilter(VideoListModel *model, QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_model(model)
{
    setSourceModel(model);
    setFilterKeyColumn(VideoListModel::ColTitle);
    setFilterCaseSensitivity(Qt::CaseInsensitive);
    connect(model, &QAbstractItemModel::modelReset, this, [this] { m_anchor = -1; });
}

void VideoListFilter::setFilterText(const QString &text)
{
    setFilterFixedString(text.trimmed());
}

void VideoListFilter::checkShown(bool checked)
{
    if (filterRegularExpression().pattern().isEmpty()) {
        m_model->setAllChecked(checked);
        return;
    }
    QList<int> rows;
    rows.reserve(rowCount());
    for (int row = 0; row < rowCount(); ++row)
        rows.append(mapToSource(index(row, 0)).row());
    m_model->setChecked(rows, checked);
}

void VideoListFilter::click(int row, bool shift)
{
    const QModelIndex clicked = mapToSource(index(row, VideoListModel::ColPosition));
    if (!clicked.isValid())
        return;
    const int anchorShown = m_anchor >= 0 ? mapFromSource(m_model->index(m_anchor, 0)).row() : -1;
    if (!shift || anchorShown < 0) {
        m_anchor = clicked.row();
        m_model->setChecked({clicked.row()}, !m_model->isChecked(clicked.row()));
        return;
    }
    const bool checked = m_model->isChecked(m_anchor);
    QList<int> rows;
    for (int shown = std::min(row, anchorShown); shown <= std::max(row, anchorShown); ++shown)
        rows.append(mapToSource(index(shown, 0)).row());
    m_model->setChecked(rows, checked);
}

bool VideoListFilter::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role == Qt::CheckStateRole && index.isValid())
        m_anchor = mapToSource(index).row(); // the view's own toggles (a click on the box, Space)
    return QSortFilterProxyModel::setData(index, value, role);
}
