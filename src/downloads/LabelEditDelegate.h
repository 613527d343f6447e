#pragma once

#include <QStyledItemDelegate>

class DownloadPanel;

// Renaming a download row in place: the panel's before-edit handler may refuse the edit, its
// after-edit handler may reject or change the typed name before the row takes it.
class LabelEditDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LabelEditDelegate)

public:
    explicit LabelEditDelegate(DownloadPanel *panel);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

    // From now on an open editor's text is dropped (the panel is going away).
    void detach() { m_panel = nullptr; }

private:
    DownloadPanel *m_panel;
};
