#pragma once

#include <QObject>
#include <QPointer>

class DownloadPanel;
class QAbstractItemView;
class SearchPanel;
class frmMenu;

// What the mouse does in the lists, from the keyboard: the Menu key and Shift+F10 open a list's
// popup menu at its current row, as a right click there would; in the download list Delete
// removes the selected rows (the popup's "Remove Selected Videos"), F2 renames the current row
// and Enter opens the folder of a downloaded row's file. The keys show in the popup's entries.
class KeyboardCommands final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyboardCommands)

public:
    KeyboardCommands(DownloadPanel *downloads, SearchPanel *search, frmMenu *menu, QObject *parent = nullptr);
    ~KeyboardCommands() override;

    // Renames the current row in place (the list's own rules may refuse it).
    void renameCurrentRow();
    // Opens the folder that holds the current row's file, when the row is downloaded.
    void openFolderOfCurrentRow();

private:
    void popupAtCurrentRow(QAbstractItemView *list);

    QPointer<DownloadPanel> m_downloads;
    QPointer<SearchPanel> m_search;
};
