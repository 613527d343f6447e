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

    // The extractor's controls (the same as on the Preferences window's Extractor page).
    ExtractorPanel *panel() const { return m_panel; }
    QPushButton *cmdClose = nullptr;

    void refresh(); // shows what the keeper knows now

private:
    frmExtractor(QWidget *owner, ExtractorKeeper *keeper);

    ExtractorPanel *m_panel;
};
