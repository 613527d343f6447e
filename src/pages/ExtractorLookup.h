#pragma once

#include "extractor/ExtractorFailure.h"
#include "extractor/ExtractorInfoRequest.h"
#include "videoinfo/VideoInfo.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QTimer;

// When and how the video tab asks the installed extractor about a page (or a list of videos): an address that is no
// watch address of the site once it has stood still for half a second (at once on Enter), or a
// watch page without format map. Only the latest question is ever answered: a new one, or
// cancel(), ends the running extractor and its late answer is dropped.
class ExtractorLookup final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExtractorLookup)

public:
    static constexpr int SettleMs = 500;

    explicit ExtractorLookup(QObject *parent = nullptr);
    ~ExtractorLookup() override;

    // The address box changed (or Enter was pressed): cancels what runs, and asks about the text
    // when it is an http or https address that is no watch address.
    void addressChanged(const QString &text, bool enterPressed);
    // Asks about this address now (a watch page without format map).
    void ask(const QString &address);
    void cancel();

    bool isAsking() const { return m_request != nullptr; }
    QString askedAddress() const { return m_address; }
    qint64 processId() const { return m_request ? m_request->processId() : 0; } // 0 when none runs

Q_SIGNALS:
    void started(const QString &address);
    void found(const VideoInfo &info);
    void listFound(const VideoList &list); // the address holds several videos
    void failed(const ExtractorFailure &failure);

private:
    void startRequest();
    bool answered(ExtractorInfoRequest *request); // true for the latest request, which is done now

    QTimer *m_settle;
    QPointer<ExtractorInfoRequest> m_request;
    QString m_address;
};
