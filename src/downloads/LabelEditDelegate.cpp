#include "downloads/LabelEditDelegate.h"

#include "downloads/DownloadPanel.h"

#include <QLineEdit>

LabelEditDelegate::LabelEditDelegate(DownloadPanel *panel)
    : QStyledItemDelegate(panel)
    , m_panel(panel)
{
}

QWidget *LabelEditDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    if (!m_panel || index.column() != DownloadPanel::ColVideo)
        return nullptr;
    m_panel->m_editRow = index.row();
    int Cancel = 0;
    m_panel->lvwDownloads_BeforeLabelEdit(Cancel);
    if (Cancel)
        return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void LabelEditDelegate::setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line || !m_panel)
        return;
    m_panel->m_editRow = index.row();
    QString NewString = line->text();
    int Cancel = 0;
    m_panel->lvwDownloads_AfterLabelEdit(Cancel, NewString);
    if (!Cancel)
        m_panel->setRowFileName(index.row(), NewString);
}
