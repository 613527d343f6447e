#pragma once

#include <QDialog>

class ExtractorKeeper;
class ExtractorPanel;
class PresetEditor;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;

// The Preferences window: a list of pages (General, Downloads, Network, Sign-in, Presets,
// Extractor) beside the chosen page. "OK" and "Apply" write the values of the first four pages to
// Settings.ini (section Settings) and say so through applied(); a value that cannot be taken is
// named in the window instead and nothing is written. The Presets and Extractor pages act at once.
// One modeless instance.
class frmPreferences final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmPreferences)

public:
    ~frmPreferences() override;

    // savePath: the folder the download list saves to now.
    static frmPreferences *showFor(QWidget *owner, ExtractorKeeper *keeper, const QString &savePath);
    static frmPreferences *instance();

    QListWidget *lstPages = nullptr;
    QStackedWidget *stkPages = nullptr;
    // General
    QLineEdit *txtSavePath = nullptr;
    QPushButton *cmdBrowseSavePath = nullptr;
    QCheckBox *chkWatchClipboard = nullptr;
    QCheckBox *chkNotifications = nullptr;
    // Downloads
    QSpinBox *spnListRows = nullptr;
    QSpinBox *spnSimultaneous = nullptr;
    QCheckBox *chkAllAtOnce = nullptr;
    QSpinBox *spnConnections = nullptr;
    QComboBox *cboWhenDone = nullptr;
    // Network
    QSpinBox *spnSpeedLimit = nullptr;
    QSpinBox *spnAltSpeedLimit = nullptr;
    QComboBox *cboProxy = nullptr;
    QLineEdit *txtProxyHost = nullptr;
    QSpinBox *spnProxyPort = nullptr;
    QSpinBox *spnIdleTimeout = nullptr;
    // Sign-in
    QLabel *lblSignInPurpose = nullptr;
    QRadioButton *optNoCookies = nullptr;
    QRadioButton *optBrowserCookies = nullptr;
    QComboBox *cboBrowser = nullptr;
    QLineEdit *txtBrowserProfile = nullptr;
    QRadioButton *optCookiesFile = nullptr;
    QLineEdit *txtCookiesFile = nullptr;
    // Presets, Extractor
    PresetEditor *presetEditor = nullptr;
    ExtractorPanel *extractorPanel = nullptr;

    QLabel *lblStatus = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdApply = nullptr;

    // Shows the stored values (and savePath) in the pages.
    void load(const QString &savePath);
    // Writes the pages' values; false, with the reason in lblStatus, when one cannot be taken.
    bool apply();
    // Shows the page of that name ("Network").
    void showPage(const QString &name);

Q_SIGNALS:
    void applied();
    void presetsChanged();

private:
    frmPreferences(QWidget *owner, ExtractorKeeper *keeper);
    QWidget *buildGeneral();
    QWidget *buildDownloads();
    QWidget *buildNetwork();
    QWidget *buildSignIn();
    void addPage(const QString &name, QWidget *page);
    void enableDependents();
    QString problem() const; // why the values cannot be taken; empty when they can
    void say(const QString &text);
};
