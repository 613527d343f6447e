#pragma once

#include <QSortFilterProxyModel>

class VideoListModel;

// The checklist as shown: the entries whose title holds the filter text (any case), in list
// order, and the ways the user checks them: "Select all" and "Select none" act on the rows shown;
// a check box clicked sets the anchor of a range, and a Shift+click gives every row shown from
// the anchor to the clicked one the anchor's state.
class VideoListFilter final : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VideoListFilter)

public:
    explicit VideoListFilter(VideoListModel *model, QObject *parent = nullptr);

    void setFilterText(const QString &text);
    void checkShown(bool checked);
    // A click on the row shown at row: Shift extends from the anchor, a plain click toggles.
    void click(int row, bool shift);

    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    VideoListModel *m_model;
    int m_anchor = -1; // the model's row of the last check box clicked without Shift
};
