#pragma once

#include "videoinfo/VideoList.h"

#include <QAbstractTableModel>
#include <QSet>
#include <vector>

// The entries of a list as a checklist: one row per entry in list order with its position (and
// check box), title, duration (blank when unknown) and a note for entries already downloaded.
// Every entry starts checked, except those the download archive holds, which start unchecked and
// marked. The checked entries are what "Download selected" adds.
class VideoListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VideoListModel)

public:
    enum Column { ColPosition = 0, ColTitle = 1, ColDuration = 2, ColNote = 3, ColumnCount = 4 };

    explicit VideoListModel(QObject *parent = nullptr);

    // archived: the archive's lines ("extractor id").
    void setList(const VideoList &list, const QSet<QString> &archived);
    void clear();
    const VideoList &list() const { return m_list; }

    bool isChecked(int row) const;
    bool isArchived(int row) const;
    void setChecked(const QList<int> &rows, bool checked);
    void setAllChecked(bool checked);
    int checkedCount() const { return m_checkedCount; }
    QList<VideoListEntry> checkedEntries() const; // in list order

    // "3:05", "1:02:03"; empty for an unknown duration.
    static QString durationText(qint64 seconds);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static const QString AlreadyDownloaded; // "already downloaded"

Q_SIGNALS:
    void checkedCountChanged(int count);

private:
    void checksChanged(int first, int last, int countBefore);

    VideoList m_list;
    std::vector<char> m_checked;  // per row
    std::vector<char> m_archived; // per row
    int m_checkedCount = 0;
};
