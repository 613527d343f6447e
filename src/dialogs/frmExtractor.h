#pragma once

#include <QDialog>

class ExtractorKeeper;
class ExtractorPanel;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

// The "Extractor" window: the extractor panel (the copy in use, the "Channel:" list, "Check now",
// "Update", "Roll back") and "Close". One modeless instance.
class frmExtractor final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmExtractor)

public:
    ~frmExtractor() override;

    static frmExtractor *showFor(QWidget *owner, ExtractorKeeper *keeper);
    static frmExtractor *instance();

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
    QPushButton *cmdClose = nullptr;

    void refresh(); // shows what the keeper knows now

private:
    frmExtractor(QWidget *owner, ExtractorKeeper *keeper);

    ExtractorPanel *m_panel;
};
