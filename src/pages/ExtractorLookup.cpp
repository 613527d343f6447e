#include "pages/ExtractorLookup.h"

#include "extractor/ExtractorChannel.h"
#include "pages/WatchAddress.h"
#include "base/Settings.h"
#include "extractor/ExtractorInfoRequest.h"
#include "extractor/ExtractorProcess.h"
#include "videoinfo/VideoText.h"

#include <QTimer>

ExtractorLookup::ExtractorLookup(QObject *parent)
    : QObject(parent)
    , m_settle(new QTimer(this))
{
    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMs);
    connect(m_settle, &QTimer::timeout, this, &ExtractorLookup::startRequest);
}

ExtractorLookup::~ExtractorLookup() = default; // a running request ends with its process

void ExtractorLookup::addressChanged(const QString &text, bool enterPressed)
{
    cancel();
    const QString address = text.trimmed();
    if (!VideoText::IsWebAddress(address) || WatchAddress::IsWatchAddress(text))
        return;
    m_address = address;
    if (enterPressed)
        startRequest();
    else
        m_settle->start();
}

void ExtractorLookup::ask(const QString &address)
{
    cancel();
    m_address = address.trimmed();
    startRequest();
}

void ExtractorLookup::cancel()
{
    m_settle->stop();
    if (m_request) {
        // It goes once its process has ended (terminate, then kill after a grace); with this
        // object at the latest, which kills it at once.
        ExtractorInfoRequest *request = m_request;
        m_request = nullptr;
        request->disconnect(this);
        connect(request, &ExtractorInfoRequest::stopped, request, &QObject::deleteLater);
        request->cancel();
    }
}

void ExtractorLookup::startRequest()
{
    auto *request = new ExtractorInfoRequest(ExtractorChannel::ConfiguredProgram(), m_address, this);
    request->setTimeout(Settings::ExtractorTimeoutMs());
    m_request = request;
    connect(request, &ExtractorInfoRequest::finished, this, [this, request](const VideoInfo &info) {
        if (answered(request))
            Q_EMIT found(info);
    });
    connect(request, &ExtractorInfoRequest::listed, this, [this, request](const VideoList &list) {
        if (answered(request))
            Q_EMIT listFound(list);
    });
    connect(request, &ExtractorInfoRequest::failed, this, [this, request](const ExtractorFailure &failure) {
        if (answered(request))
            Q_EMIT failed(failure);
    });
    request->start();
    Q_EMIT started(m_address);
}

bool ExtractorLookup::answered(ExtractorInfoRequest *request)
{
    if (request != m_request)
        return false; // an answer to a question no longer asked
    m_request = nullptr;
    request->deleteLater();
    return true;
}
