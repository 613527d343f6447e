#pragma once

#include <QWidget>

class ExtractorKeeper;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;

// The extractor in use and how it is kept current: the copy (channel, path, version, date), the
// last check, the JavaScript runtime found or missing, the "Channel:" list and the buttons "Check
// now", "Update" and "Roll back", with the progress of a fetch and its "Cancel". A view of the
// keeper: it decides nothing itself. The Extractor window and the Preferences window's Extractor
// page show it.
class ExtractorPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExtractorPanel)

public:
    ExtractorPanel(ExtractorKeeper *keeper, QWidget *parent = nullptr);
    ~ExtractorPanel() override;

    QLabel *lblChannelInUse = nullptr;
    QLabel *lblPath = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDate = nullptr;
    QLabel *lblLastCheck = nullptr;
    QLabel *lblRuntime = nullptr;
    QLabel *lblChannel = nullptr;
    QComboBox *cboChannel = nullptr;
    QCheckBox *chkKeepCurrent = nullptr;
    QProgressBar *prgFetch = nullptr;
    QLabel *lblStatus = nullptr;
    QPushButton *cmdCheck = nullptr;
    QPushButton *cmdUpdate = nullptr;
    QPushButton *cmdRollBack = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdFetchRuntime = nullptr; // shown when the copy in use needs a runtime and none is found

    void refresh(); // shows what the keeper knows now
    // The row of buttons, for a window that adds its own at the end.
    QHBoxLayout *buttonRow() const { return m_buttons; }

private:
    void buildControls();
    void onProgress(const QString &what, qint64 done, qint64 total);

    ExtractorKeeper *m_keeper;
    QHBoxLayout *m_buttons = nullptr;
};
