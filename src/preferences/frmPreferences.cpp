#include "preferences/frmPreferences.h"

#include "base/FileHelpers.h"
#include "base/Settings.h"
#include "base/SettingsValues.h"
#include "dialogs/ExtractorPanel.h"
#include "preferences/FormControls.h"
#include "preferences/PresetEditor.h"
#include "updater/ExtractorKeeper.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

using FormControls::named;

namespace {

QPointer<frmPreferences> &current()
{
    static QPointer<frmPreferences> window;
    return window;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = named(new QPushButton(caption, parent), name, caption);
    b->setAutoDefault(false);
    return b;
}

} // namespace

frmPreferences *frmPreferences::showFor(QWidget *owner, ExtractorKeeper *keeper, const QString &savePath)
{
    if (!current()) {
        current() = new frmPreferences(owner, keeper);
        current()->load(savePath);
    }
    frmPreferences *window = current();
    window->extractorPanel->refresh();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

frmPreferences *frmPreferences::instance()
{
    return current().data();
}

frmPreferences::frmPreferences(QWidget *owner, ExtractorKeeper *keeper)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("frmPreferences"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Preferences"));
    setAccessibleName(QStringLiteral("Preferences"));
    setModal(false);

    lstPages = named(new QListWidget(this), "lstPages", QStringLiteral("Pages"));
    stkPages = named(new QStackedWidget(this), "stkPages", QStringLiteral("Page"));
    addPage(QStringLiteral("General"), buildGeneral());
    addPage(QStringLiteral("Downloads"), buildDownloads());
    addPage(QStringLiteral("Network"), buildNetwork());
    addPage(QStringLiteral("Sign-in"), buildSignIn());
    presetEditor = new PresetEditor(this);
    addPage(QStringLiteral("Presets"), presetEditor);
    extractorPanel = new ExtractorPanel(keeper, this);
    addPage(QStringLiteral("Extractor"), extractorPanel);
    lstPages->setFixedWidth(lstPages->sizeHintForColumn(0) + 24);
    lstPages->setCurrentRow(0);
    connect(lstPages, &QListWidget::currentRowChanged, stkPages, &QStackedWidget::setCurrentIndex);
    connect(presetEditor, &PresetEditor::presetsChanged, this, &frmPreferences::presetsChanged);

    lblStatus = named(new QLabel(this), "lblStatus", QStringLiteral("Status"));
    lblStatus->setWordWrap(true);
    cmdOK = button(this, "cmdOK", QStringLiteral("OK"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    cmdApply = button(this, "cmdApply", QStringLiteral("Apply"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        if (apply())
            close();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdApply, &QPushButton::clicked, this, &frmPreferences::apply);

    auto *pages = new QHBoxLayout;
    pages->addWidget(lstPages);
    pages->addWidget(stkPages, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblStatus, 1);
    for (QPushButton *b : {cmdOK, cmdCancel, cmdApply})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(pages, 1);
    layout->addLayout(buttons);
    resize(760, 520);
}

frmPreferences::~frmPreferences() = default;

void frmPreferences::addPage(const QString &name, QWidget *page)
{
    page->setAccessibleName(name);
    lstPages->addItem(name);
    stkPages->addWidget(page);
}

void frmPreferences::showPage(const QString &name)
{
    const QList<QListWidgetItem *> found = lstPages->findItems(name, Qt::MatchExactly);
    if (!found.isEmpty())
        lstPages->setCurrentItem(found.first());
}

void frmPreferences::say(const QString &text)
{
    lblStatus->setText(text);
    lblStatus->setAccessibleName(text.isEmpty() ? QStringLiteral("Status") : text);
}

void frmPreferences::load(const QString &savePath)
{
    txtSavePath->setText(savePath);
    chkWatchClipboard->setChecked(Settings::WatchClipboard());
    chkNotifications->setChecked(Settings::Flag(QStringLiteral("Notifications"), true));

    spnListRows->setValue(Settings::ListRows());
    const int simultaneous = Settings::SimultaneousDownloads();
    chkAllAtOnce->setChecked(simultaneous == 0);
    spnSimultaneous->setValue(simultaneous == 0 ? 3 : simultaneous);
    spnConnections->setValue(Settings::Number(QStringLiteral("Connections"), 1, 16, 8));
    cboWhenDone->setCurrentIndex(std::max(0, cboWhenDone->findData(Settings::Text(QStringLiteral("WhenDone")))));

    spnSpeedLimit->setValue(Settings::Number(QStringLiteral("SpeedLimit"), 0, Settings::MaxSpeedLimit, 0));
    spnAltSpeedLimit->setValue(Settings::Number(QStringLiteral("AltSpeedLimit"), 0, Settings::MaxSpeedLimit, 0));
    const Settings::Proxy proxy = Settings::ProxySetting();
    cboProxy->setCurrentIndex(cboProxy->findData(Settings::ProxyKey(proxy.kind)));
    txtProxyHost->setText(proxy.host);
    spnProxyPort->setValue(proxy.port > 0 ? proxy.port : 8080);
    spnIdleTimeout->setValue(Settings::Number(QStringLiteral("IdleTimeout"), 5, 3600, 60));

    const Settings::SignIn signIn = Settings::SignInSetting();
    optNoCookies->setChecked(signIn.source == Settings::SignIn::Source::None);
    optBrowserCookies->setChecked(signIn.source == Settings::SignIn::Source::Browser);
    optCookiesFile->setChecked(signIn.source == Settings::SignIn::Source::File);
    cboBrowser->setCurrentIndex(std::max(0, cboBrowser->findData(signIn.browser)));
    txtBrowserProfile->setText(signIn.profile);
    txtCookiesFile->setText(signIn.file);
    enableDependents();
    say(QString());
}

void frmPreferences::enableDependents()
{
    spnSimultaneous->setEnabled(!chkAllAtOnce->isChecked());
    const QString proxy = cboProxy->currentData().toString();
    const bool manual = proxy == QLatin1String("http") || proxy == QLatin1String("socks5");
    txtProxyHost->setEnabled(manual);
    spnProxyPort->setEnabled(manual);
    cboBrowser->setEnabled(optBrowserCookies->isChecked());
    txtBrowserProfile->setEnabled(optBrowserCookies->isChecked());
    txtCookiesFile->setEnabled(optCookiesFile->isChecked());
}

QString frmPreferences::problem() const
{
    const QString folder = txtSavePath->text().trimmed();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return QStringLiteral("The save folder \"%1\" does not exist.").arg(folder);
    const QString proxy = cboProxy->currentData().toString();
    const QString host = txtProxyHost->text().trimmed();
    if ((proxy == QLatin1String("http") || proxy == QLatin1String("socks5"))
        && (host.isEmpty() || host.contains(QLatin1Char(' ')) || host.contains(QLatin1Char('/'))))
        return QStringLiteral("A manual proxy needs a host name or address (and a port).");
    if (optBrowserCookies->isChecked() && txtBrowserProfile->text().contains(QLatin1String("::")))
        return QStringLiteral("A browser's profile cannot hold \"::\".");
    const QString cookies = txtCookiesFile->text().trimmed();
    if (optCookiesFile->isChecked() && !QFileInfo(cookies).isReadable())
        return QStringLiteral("The cookies file \"%1\" cannot be read.").arg(cookies);
    return QString();
}

bool frmPreferences::apply()
{
    const QString why = problem();
    if (!why.isEmpty()) {
        say(why);
        return false;
    }
    Settings::Proxy proxy;
    using Kind = Settings::Proxy::Kind;
    for (Kind kind : {Kind::System, Kind::None, Kind::Http, Kind::Socks5})
        if (Settings::ProxyKey(kind) == cboProxy->currentData().toString())
            proxy.kind = kind;
    proxy.host = txtProxyHost->text().trimmed();
    proxy.port = spnProxyPort->value();
    if (proxy.kind == Settings::Proxy::Kind::System || proxy.kind == Settings::Proxy::Kind::None)
        proxy.host.clear();
    Settings::SignIn signIn;
    signIn.source = optBrowserCookies->isChecked() ? Settings::SignIn::Source::Browser
                    : optCookiesFile->isChecked()  ? Settings::SignIn::Source::File
                                                   : Settings::SignIn::Source::None;
    signIn.browser = cboBrowser->currentData().toString();
    signIn.profile = txtBrowserProfile->text().trimmed();
    signIn.file = txtCookiesFile->text().trimmed();

    const bool written =
        Settings::SetText(QStringLiteral("VideoSavePath"), modFunctions::WithSeparator(txtSavePath->text().trimmed()))
        && Settings::SetFlag(QStringLiteral("WatchClipboard"), chkWatchClipboard->isChecked())
        && Settings::SetFlag(QStringLiteral("Notifications"), chkNotifications->isChecked())
        && Settings::SetNumber(QStringLiteral("Connections"), spnConnections->value())
        && Settings::SetText(QStringLiteral("WhenDone"), cboWhenDone->currentData().toString())
        && Settings::SetNumber(QStringLiteral("SpeedLimit"), spnSpeedLimit->value())
        && Settings::SetNumber(QStringLiteral("AltSpeedLimit"), spnAltSpeedLimit->value())
        && Settings::SetProxySetting(proxy) && Settings::SetNumber(QStringLiteral("IdleTimeout"), spnIdleTimeout->value())
        && Settings::SetSignInSetting(signIn);
    // The list's own accessors: "all at once" is no value at all.
    Settings::SetListRows(spnListRows->value());
    Settings::SetSimultaneousDownloads(chkAllAtOnce->isChecked() ? 0 : spnSimultaneous->value());
    if (!written || Settings::ListRows() != spnListRows->value()) {
        say(QStringLiteral("The settings cannot be written to %1.").arg(Settings::FilePath()));
        return false;
    }
    say(QStringLiteral("The settings are saved."));
    Q_EMIT applied();
    return true;
}
