#include "dialogs/ExtractorPanel.h"

#include "base/Settings.h"
#include "extractor/ExtractorChannel.h"
#include "updater/ExtractorKeeper.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template<typename Control>
Control *named(Control *control, const char *name, const QString &accessible)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setAccessibleName(accessible);
    return control;
}

QLabel *valueLabel(QWidget *parent, const char *name)
{
    auto *label = named(new QLabel(parent), name, QString());
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setWordWrap(true);
    return label;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = named(new QPushButton(caption, parent), name, QString(caption).remove(QLatin1Char('&')));
    b->setAutoDefault(false);
    return b;
}

} // namespace

ExtractorPanel::ExtractorPanel(ExtractorKeeper *keeper, QWidget *parent)
    : QWidget(parent)
    , m_keeper(keeper)
{
    setObjectName(QStringLiteral("ExtractorPanel"));
    buildControls();
    connect(m_keeper, &ExtractorKeeper::changed, this, &ExtractorPanel::refresh);
    connect(m_keeper, &ExtractorKeeper::progress, this, &ExtractorPanel::onProgress);
    m_keeper->learnVersion();
}

ExtractorPanel::~ExtractorPanel() = default;

void ExtractorPanel::buildControls()
{
    lblChannelInUse = valueLabel(this, "lblChannelInUse");
    lblPath = valueLabel(this, "lblPath");
    lblVersion = valueLabel(this, "lblVersion");
    lblDate = valueLabel(this, "lblDate");
    lblLastCheck = valueLabel(this, "lblLastCheck");
    lblRuntime = valueLabel(this, "lblRuntime");
    lblStatus = valueLabel(this, "lblStatus");

    lblChannel = named(new QLabel(QStringLiteral("&Channel:"), this), "lblChannel", QStringLiteral("Channel:"));
    cboChannel = named(new QComboBox(this), "cboChannel", QStringLiteral("Channel:"));
    lblChannel->setBuddy(cboChannel);
    for (auto channel : {ExtractorChannel::Channel::System, ExtractorChannel::Channel::Stable, ExtractorChannel::Channel::Nightly})
        cboChannel->addItem(ExtractorChannel::Label(channel), ExtractorChannel::Key(channel));

    chkKeepCurrent = named(new QCheckBox(QStringLiteral("&Keep the extractor current"), this), "chkKeepCurrent",
                           QStringLiteral("Keep the extractor current"));
    chkKeepCurrent->setChecked(Settings::KeepExtractorCurrent());
    prgFetch = named(new QProgressBar(this), "prgFetch", QStringLiteral("Progress"));
    prgFetch->setVisible(false);

    cmdCheck = button(this, "cmdCheck", QStringLiteral("Check &now"));
    cmdUpdate = button(this, "cmdUpdate", QStringLiteral("&Update"));
    cmdRollBack = button(this, "cmdRollBack", QStringLiteral("&Roll back"));
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));
    cmdFetchRuntime = button(this, "cmdFetchRuntime", QStringLiteral("&Fetch deno"));

    auto *facts = new QFormLayout;
    facts->addRow(lblChannel, cboChannel);
    for (QLabel *label : {lblChannelInUse, lblPath, lblVersion, lblDate, lblLastCheck, lblRuntime})
        facts->addRow(label);
    m_buttons = new QHBoxLayout;
    for (QPushButton *b : {cmdCheck, cmdUpdate, cmdRollBack, cmdFetchRuntime, cmdCancel})
        m_buttons->addWidget(b);
    m_buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(facts);
    layout->addWidget(chkKeepCurrent);
    layout->addWidget(prgFetch);
    layout->addWidget(lblStatus);
    layout->addStretch();
    layout->addLayout(m_buttons);

    connect(cboChannel, &QComboBox::activated, this, [this](int index) {
        m_keeper->chooseChannel(ExtractorChannel::FromKey(cboChannel->itemData(index).toString()));
    });
    connect(chkKeepCurrent, &QCheckBox::toggled, this, [](bool on) { Settings::SetKeepExtractorCurrent(on); });
    connect(cmdCheck, &QPushButton::clicked, m_keeper, &ExtractorKeeper::checkNow);
    connect(cmdUpdate, &QPushButton::clicked, m_keeper, &ExtractorKeeper::update);
    connect(cmdRollBack, &QPushButton::clicked, m_keeper, &ExtractorKeeper::rollBack);
    connect(cmdCancel, &QPushButton::clicked, m_keeper, &ExtractorKeeper::cancel);
    connect(cmdFetchRuntime, &QPushButton::clicked, m_keeper, &ExtractorKeeper::fetchRuntime);
}

void ExtractorPanel::refresh()
{
    const auto copy = m_keeper->copy();
    const auto channel = m_keeper->channel();
    const QLocale locale;
    cboChannel->setCurrentIndex(cboChannel->findData(ExtractorChannel::Key(channel)));
    const bool fallsBack = channel != ExtractorChannel::Channel::System && copy.path != ExtractorChannel::CopyPath(channel);
    lblChannelInUse->setText(QStringLiteral("In use: %1%2").arg(ExtractorChannel::Label(channel),
                             fallsBack ? QStringLiteral(" (none fetched yet: the system's copy runs)") : QString()));
    lblPath->setText(QStringLiteral("Path: %1").arg(copy.exists ? copy.path : QStringLiteral("no extractor found")));
    lblVersion->setText(QStringLiteral("Version: %1").arg(copy.version.isEmpty() ? QStringLiteral("unknown") : copy.version));
    lblDate->setText(QStringLiteral("Date: %1").arg(copy.fetched.isValid() ? locale.toString(copy.fetched, QLocale::ShortFormat)
                                                                            : QStringLiteral("unknown")));
    const QDateTime checked = m_keeper->lastCheck();
    lblLastCheck->setText(QStringLiteral("Last check: %1")
                              .arg(checked.isValid() ? locale.toString(checked.toLocalTime(), QLocale::ShortFormat)
                                                     : QStringLiteral("never")));
    QString runtime = QStringLiteral("JavaScript runtime: %1").arg(m_keeper->runtime().shown());
    if (m_keeper->needsRuntime())
        runtime += QStringLiteral(". This extractor needs one for some sites: fetch deno, or install node 20 or newer, or QuickJS.");
    lblRuntime->setText(runtime);
    for (QLabel *label : {lblChannelInUse, lblPath, lblVersion, lblDate, lblLastCheck, lblRuntime})
        label->setAccessibleName(label->text());

    const bool busy = m_keeper->busy();
    cboChannel->setEnabled(!busy);
    cmdCheck->setEnabled(!busy);
    cmdUpdate->setEnabled(!busy);
    cmdRollBack->setEnabled(!busy && channel != ExtractorChannel::Channel::System
                            && QFileInfo::exists(ExtractorChannel::PreviousPath(channel)));
    cmdCancel->setEnabled(busy);
    cmdFetchRuntime->setVisible(m_keeper->needsRuntime());
    cmdFetchRuntime->setEnabled(!busy);
    prgFetch->setVisible(busy);
    if (!busy) {
        QString status = m_keeper->status();
        if (m_keeper->newerAvailable() && !status.isEmpty())
            status += QStringLiteral(" Choose Update to install it.");
        lblStatus->setText(status);
        lblStatus->setAccessibleName(status.isEmpty() ? QStringLiteral("Status") : status);
    }
}

void ExtractorPanel::onProgress(const QString &what, qint64 done, qint64 total)
{
    prgFetch->setVisible(true);
    prgFetch->setRange(0, total > 0 ? 1000 : 0);
    if (total > 0)
        prgFetch->setValue(int(done * 1000 / total));
    lblStatus->setText(what + QStringLiteral("..."));
    lblStatus->setAccessibleName(lblStatus->text());
}
