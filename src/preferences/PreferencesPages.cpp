// The pages of the Preferences window whose values OK and Apply write: General, Downloads,
// Network and Sign-in.
#include "preferences/frmPreferences.h"

#include "base/Settings.h"
#include "base/SettingsValues.h"
#include "base/UiSeam.h"
#include "preferences/FormControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

using FormControls::addRow;
using FormControls::named;

namespace {

QSpinBox *spinBox(QWidget *parent, const char *name, int min, int max, const QString &suffix)
{
    auto *box = named(new QSpinBox(parent), name, QString());
    box->setRange(min, max);
    box->setSuffix(suffix);
    box->setAccelerated(true);
    return box;
}

QWidget *page(QWidget *parent, QFormLayout **form)
{
    auto *widget = new QWidget(parent);
    *form = new QFormLayout(widget);
    (*form)->setContentsMargins(0, 0, 0, 0);
    return widget;
}

} // namespace

QWidget *frmPreferences::buildGeneral()
{
    QFormLayout *form = nullptr;
    QWidget *general = page(this, &form);
    general->setObjectName(QStringLiteral("pageGeneral"));
    txtSavePath = named(new QLineEdit(general), "txtSavePath", QString());
    cmdBrowseSavePath = named(new QPushButton(QStringLiteral("&Browse..."), general), "cmdBrowseSavePath",
                              QStringLiteral("Browse for the save folder"));
    cmdBrowseSavePath->setAutoDefault(false);
    auto *folder = new QHBoxLayout;
    folder->addWidget(txtSavePath, 1);
    folder->addWidget(cmdBrowseSavePath);
    auto *folderRow = new QWidget(general);
    folderRow->setLayout(folder);
    folder->setContentsMargins(0, 0, 0, 0);
    auto *lblSavePath = named(new QLabel(QStringLiteral("&Save videos in:"), general), "lblSavePath", QStringLiteral("Save videos in:"));
    lblSavePath->setBuddy(txtSavePath);
    txtSavePath->setAccessibleName(QStringLiteral("Save videos in:"));
    form->addRow(lblSavePath, folderRow);
    chkWatchClipboard = named(new QCheckBox(QStringLiteral("&Watch the clipboard for video addresses"), general),
                              "chkWatchClipboard", QStringLiteral("Watch the clipboard for video addresses"));
    chkNotifications = named(new QCheckBox(QStringLiteral("Show a &notification when a download ends"), general),
                             "chkNotifications", QStringLiteral("Show a notification when a download ends"));
    form->addRow(chkWatchClipboard);
    form->addRow(chkNotifications);
    connect(cmdBrowseSavePath, &QPushButton::clicked, this, [this] {
        const QString folder = UiSeam::browseForFolder(QStringLiteral("Select folder to save the videos to:"), this);
        if (!folder.isEmpty())
            txtSavePath->setText(folder);
    });
    return general;
}

QWidget *frmPreferences::buildDownloads()
{
    QFormLayout *form = nullptr;
    QWidget *downloads = page(this, &form);
    downloads->setObjectName(QStringLiteral("pageDownloads"));
    spnListRows = spinBox(downloads, "spnListRows", Settings::DefaultListRows, Settings::MostListRows, QString());
    spnSimultaneous = spinBox(downloads, "spnSimultaneous", 1, Settings::MostSimultaneousDownloads, QString());
    chkAllAtOnce = named(new QCheckBox(QStringLiteral("&All at once"), downloads), "chkAllAtOnce",
                         QStringLiteral("All downloads at once"));
    auto *simultaneous = new QHBoxLayout;
    simultaneous->setContentsMargins(0, 0, 0, 0);
    simultaneous->addWidget(spnSimultaneous);
    simultaneous->addWidget(chkAllAtOnce);
    simultaneous->addStretch();
    auto *simultaneousRow = new QWidget(downloads);
    simultaneousRow->setLayout(simultaneous);
    spnConnections = spinBox(downloads, "spnConnections", 1, 16, QString());
    cboWhenDone = named(new QComboBox(downloads), "cboWhenDone", QString());
    cboWhenDone->addItem(QStringLiteral("Do nothing"), QStringLiteral("nothing"));
    cboWhenDone->addItem(QStringLiteral("Quit Clipvault"), QStringLiteral("quit"));
    addRow(form, "lblListRows", QStringLiteral("&Rows in the download list:"), spnListRows);
    auto *lblSimultaneous = named(new QLabel(QStringLiteral("Si&multaneous downloads:"), downloads), "lblSimultaneous",
                                  QStringLiteral("Simultaneous downloads:"));
    lblSimultaneous->setBuddy(spnSimultaneous);
    spnSimultaneous->setAccessibleName(QStringLiteral("Simultaneous downloads:"));
    form->addRow(lblSimultaneous, simultaneousRow);
    addRow(form, "lblConnections", QStringLiteral("&Connections per file:"), spnConnections);
    addRow(form, "lblWhenDone", QStringLiteral("&When all downloads have finished:"), cboWhenDone);
    connect(chkAllAtOnce, &QCheckBox::toggled, this, &frmPreferences::enableDependents);
    return downloads;
}

QWidget *frmPreferences::buildNetwork()
{
    QFormLayout *form = nullptr;
    QWidget *network = page(this, &form);
    network->setObjectName(QStringLiteral("pageNetwork"));
    spnSpeedLimit = spinBox(network, "spnSpeedLimit", 0, Settings::MaxSpeedLimit, QStringLiteral(" kB/s"));
    spnAltSpeedLimit = spinBox(network, "spnAltSpeedLimit", 0, Settings::MaxSpeedLimit, QStringLiteral(" kB/s"));
    for (QSpinBox *box : {spnSpeedLimit, spnAltSpeedLimit}) {
        box->setSpecialValueText(QStringLiteral("Unlimited"));
        box->setSingleStep(100);
    }
    cboProxy = named(new QComboBox(network), "cboProxy", QString());
    cboProxy->addItem(QStringLiteral("The system's proxy"), QStringLiteral("system"));
    cboProxy->addItem(QStringLiteral("No proxy"), QStringLiteral("none"));
    cboProxy->addItem(QStringLiteral("HTTP proxy"), QStringLiteral("http"));
    cboProxy->addItem(QStringLiteral("SOCKS5 proxy"), QStringLiteral("socks5"));
    txtProxyHost = named(new QLineEdit(network), "txtProxyHost", QString());
    spnProxyPort = spinBox(network, "spnProxyPort", 1, 65535, QString());
    spnIdleTimeout = spinBox(network, "spnIdleTimeout", 5, 3600, QStringLiteral(" s"));
    addRow(form, "lblSpeedLimit", QStringLiteral("&Speed limit:"), spnSpeedLimit);
    addRow(form, "lblAltSpeedLimit", QStringLiteral("&Alternative speed limit:"), spnAltSpeedLimit);
    auto *lblAltHint = named(new QLabel(QStringLiteral("Click the speed in the status bar to switch between the two limits."),
                                        network), "lblAltHint", QStringLiteral("Click the speed in the status bar to switch between the two limits."));
    lblAltHint->setWordWrap(true);
    form->addRow(lblAltHint);
    addRow(form, "lblProxy", QStringLiteral("&Proxy:"), cboProxy);
    addRow(form, "lblProxyHost", QStringLiteral("&Host:"), txtProxyHost);
    addRow(form, "lblProxyPort", QStringLiteral("P&ort:"), spnProxyPort);
    addRow(form, "lblIdleTimeout", QStringLiteral("&Idle time-out:"), spnIdleTimeout);
    connect(cboProxy, &QComboBox::currentIndexChanged, this, &frmPreferences::enableDependents);
    return network;
}

QWidget *frmPreferences::buildSignIn()
{
    auto *signIn = new QWidget(this);
    signIn->setObjectName(QStringLiteral("pageSignIn"));
    const QString purpose = QStringLiteral(
        "Some videos are shown only to someone signed in to the site (age-restricted, members-only or private "
        "ones): the extractor can then use the cookies of a browser in which you are signed in, or of a cookies.txt file.");
    lblSignInPurpose = named(new QLabel(purpose, signIn), "lblSignInPurpose", purpose);
    lblSignInPurpose->setWordWrap(true);
    optNoCookies = named(new QRadioButton(QStringLiteral("&Do not sign in"), signIn), "optNoCookies", QStringLiteral("Do not sign in"));
    optBrowserCookies = named(new QRadioButton(QStringLiteral("Cookies from a &browser"), signIn), "optBrowserCookies",
                              QStringLiteral("Cookies from a browser"));
    optCookiesFile = named(new QRadioButton(QStringLiteral("Cookies from a cookies.txt &file"), signIn), "optCookiesFile",
                           QStringLiteral("Cookies from a cookies.txt file"));
    cboBrowser = named(new QComboBox(signIn), "cboBrowser", QString());
    const QStringList shown{QStringLiteral("Firefox"), QStringLiteral("Chromium"), QStringLiteral("Chrome"), QStringLiteral("Brave"),
                            QStringLiteral("Edge"), QStringLiteral("Opera"), QStringLiteral("Vivaldi")};
    for (qsizetype i = 0; i < shown.size(); ++i)
        cboBrowser->addItem(shown.at(i), Settings::Browsers().at(i));
    txtBrowserProfile = named(new QLineEdit(signIn), "txtBrowserProfile", QString());
    txtBrowserProfile->setPlaceholderText(QStringLiteral("the browser's usual profile"));
    txtCookiesFile = named(new QLineEdit(signIn), "txtCookiesFile", QString());
    txtCookiesFile->setPlaceholderText(QStringLiteral("/home/you/cookies.txt"));

    auto *browser = new QFormLayout;
    browser->setContentsMargins(24, 0, 0, 0);
    addRow(browser, "lblBrowser", QStringLiteral("Brow&ser:"), cboBrowser);
    addRow(browser, "lblBrowserProfile", QStringLiteral("&Profile (optional):"), txtBrowserProfile);
    auto *file = new QFormLayout;
    file->setContentsMargins(24, 0, 0, 0);
    addRow(file, "lblCookiesFile", QStringLiteral("Cookies fi&le:"), txtCookiesFile);
    auto *layout = new QVBoxLayout(signIn);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblSignInPurpose);
    layout->addWidget(optNoCookies);
    layout->addWidget(optBrowserCookies);
    layout->addLayout(browser);
    layout->addWidget(optCookiesFile);
    layout->addLayout(file);
    layout->addStretch();
    for (QRadioButton *option : {optNoCookies, optBrowserCookies, optCookiesFile})
        connect(option, &QRadioButton::toggled, this, &frmPreferences::enableDependents);
    return signIn;
}
