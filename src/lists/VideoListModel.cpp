#include "lists/VideoListModel.h"

#include "queue/DownloadArchive.h"

#include <algorithm>

const QString VideoListModel::AlreadyDownloaded = QStringLiteral("already downloaded");

VideoListModel::VideoListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void VideoListModel::setList(const VideoList &list, const QSet<QString> &archived)
{
    const int before = m_checkedCount;
    beginResetModel();
    m_list = list;
    const auto count = static_cast<std::size_t>(list.entries.size());
    m_checked.assign(count, 1);
    m_archived.assign(count, 0);
    m_checkedCount = static_cast<int>(count);
    for (std::size_t row = 0; row < count; ++row) {
        const VideoListEntry &entry = list.entries.at(static_cast<qsizetype>(row));
        if (archived.contains(DownloadArchive::lineFor(entry.extractor, entry.id))) {
            m_archived[row] = 1;
            m_checked[row] = 0;
            --m_checkedCount;
        }
    }
    endResetModel();
    if (m_checkedCount != before)
        Q_EMIT checkedCountChanged(m_checkedCount);
}

void VideoListModel::clear()
{
    setList(VideoList(), {});
}

bool VideoListModel::isChecked(int row) const
{
    return row >= 0 && row < rowCount() && m_checked[static_cast<std::size_t>(row)];
}

bool VideoListModel::isArchived(int row) const
{
    return row >= 0 && row < rowCount() && m_archived[static_cast<std::size_t>(row)];
}

void VideoListModel::setChecked(const QList<int> &rows, bool checked)
{
    const int before = m_checkedCount;
    int first = rowCount();
    int last = -1;
    for (const int row : rows) {
        if (row < 0 || row >= rowCount() || bool(m_checked[static_cast<std::size_t>(row)]) == checked)
            continue;
        m_checked[static_cast<std::size_t>(row)] = checked;
        m_checkedCount += checked ? 1 : -1;
        first = std::min(first, row);
        last = std::max(last, row);
    }
    checksChanged(first, last, before);
}

void VideoListModel::setAllChecked(bool checked)
{
    const int before = m_checkedCount;
    std::fill(m_checked.begin(), m_checked.end(), checked);
    m_checkedCount = checked ? rowCount() : 0;
    checksChanged(0, rowCount() - 1, before);
}

void VideoListModel::checksChanged(int first, int last, int countBefore)
{
    if (first > last)
        return;
    // One notice for the whole span: a list of thousands changes at once.
    Q_EMIT dataChanged(index(first, ColPosition), index(last, ColPosition), {Qt::CheckStateRole, Qt::AccessibleTextRole});
    if (m_checkedCount != countBefore)
        Q_EMIT checkedCountChanged(m_checkedCount);
}

QList<VideoListEntry> VideoListModel::checkedEntries() const
{
    QList<VideoListEntry> entries;
    entries.reserve(m_checkedCount);
    for (int row = 0; row < rowCount(); ++row) {
        if (m_checked[static_cast<std::size_t>(row)])
            entries.append(m_list.entries.at(row));
    }
    return entries;
}

QString VideoListModel::durationText(qint64 seconds)
{
    if (seconds < 0)
        return QString();
    const QString minutesAndSeconds =
        QStringLiteral("%1:%2").arg(seconds / 60 % 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (seconds < 3600)
        return minutesAndSeconds;
    return QString::number(seconds / 3600) + QLatin1Char(':') + minutesAndSeconds.rightJustified(5, QLatin1Char('0'));
}

int VideoListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_list.entries.size());
}

int VideoListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant VideoListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const VideoListEntry &entry = m_list.entries.at(index.row());
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColPosition: return entry.position;
        case ColTitle: return entry.title;
        case ColDuration: return durationText(entry.seconds);
        case ColNote: return m_archived[row] ? AlreadyDownloaded : QString();
        default: return QVariant();
        }
    case Qt::CheckStateRole:
        if (index.column() == ColPosition)
            return m_checked[row] ? Qt::Checked : Qt::Unchecked;
        return QVariant();
    case Qt::AccessibleTextRole:
        // The cell with the check box is the one a screen reader names the entry by.
        if (index.column() == ColPosition)
            return entry.title + (m_archived[row] ? QStringLiteral(", ") + AlreadyDownloaded : QString());
        return QVariant();
    case Qt::ToolTipRole:
        return index.column() == ColTitle ? QVariant(entry.title) : QVariant();
    default:
        return QVariant();
    }
}

bool VideoListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != ColPosition)
        return false;
    setChecked({index.row()}, value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags VideoListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    return index.column() == ColPosition ? flags | Qt::ItemIsUserCheckable : flags;
}

QVariant VideoListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case ColPosition: return QStringLiteral("#");
    case ColTitle: return QStringLiteral("Title");
    case ColDuration: return QStringLiteral("Duration");
    case ColNote: return QStringLiteral("Note");
    default: return QVariant();
    }
}
