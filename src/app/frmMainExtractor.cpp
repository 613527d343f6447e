// The main window and the extractor in use: the keeper and its stored values, the "Extractor..."
// window, the video panel's line about an old copy or a failure it explains, and the daily check.

#include "app/frmMain.h"

#include "pages/ExtractorLookup.h"
#include "analysis/VideoPanel.h"
#include "base/Settings.h"
#include "dialogs/frmExtractor.h"
#include "extractor/ExtractorAdvice.h"
#include "extractor/ExtractorFailure.h"
#include "updater/ExtractorKeeper.h"

#include <QTimer>

#include <memory>
#include <utility>

void frmMain::setUpExtractor()
{
    m_extractor = new ExtractorKeeper(this);
    m_extractor->setChannel(ExtractorChannel::FromKey(Settings::ExtractorChannelKey()));
    m_extractor->setConfiguredPath(Settings::ExtractorPath());
    m_extractor->setLastCheck(Settings::ExtractorLastCheck());
    connect(m_extractor, &ExtractorKeeper::channelInUse, this,
            [](ExtractorChannel::Channel channel) { Settings::SetExtractorChannelKey(ExtractorChannel::Key(channel)); });
    connect(m_extractor, &ExtractorKeeper::checked, this, [](const QDateTime &when) { Settings::SetExtractorLastCheck(when); });

    // The panel's "Update" link: what becomes of it is said on the same line.
    auto fromPanel = std::make_shared<bool>(false);
    connect(m_video, &VideoPanel::extractorUpdateRequested, m_extractor, [this, fromPanel] {
        *fromPanel = !m_extractor->busy();
        m_video->setExtractorNotice(QStringLiteral("Updating the extractor..."), false);
        m_extractor->updateChannel(ExtractorChannel::Channel::Stable);
    });
    connect(m_video->extractorLookup(), &ExtractorLookup::started, this, &frmMain::onExtractorRunStarted);
    connect(m_video->extractorLookup(), &ExtractorLookup::failed, this, [this](const ExtractorFailure &failure) {
        const QString hint = ExtractorAdvice::FailureHint(failure.detail);
        if (!hint.isEmpty())
            m_video->setExtractorNotice(hint, m_extractor->newerAvailable());
    });
    connect(m_extractor, &ExtractorKeeper::finished, this, [this, fromPanel](const ExtractorUpdate::Outcome &outcome) {
        if (std::exchange(*fromPanel, false))
            m_video->setExtractorNotice(outcome.sentence, false);
        else if (outcome.installed)
            m_video->setExtractorNotice(QString(), false); // the old copy it spoke of is gone
    });

    // The daily check looks every hour whether a day has passed since the last one.
    m_extractorCheck = new QTimer(this);
    m_extractorCheck->setInterval(60 * 60 * 1000);
    connect(m_extractorCheck, &QTimer::timeout, this, [this] {
        if (Settings::KeepExtractorCurrent())
            m_extractor->checkIfDue(QDateTime::currentDateTimeUtc());
    });
    m_extractorCheck->start();
    QTimer::singleShot(5000, m_extractorCheck, [this] {
        if (Settings::KeepExtractorCurrent())
            m_extractor->checkIfDue(QDateTime::currentDateTimeUtc());
    });
    m_extractor->learnVersion(); // for the About box, the window and the age line
}

void frmMain::onExtractorRunStarted()
{
    m_extractor->learnVersion();
    m_video->setExtractorNotice(ExtractorAdvice::AgeNotice(m_extractor->version(), QDate::currentDate()), true);
}

void frmMain::mnuExtractor_Click()
{
    frmExtractor::showFor(this, m_extractor);
}
