#pragma once

#include "extractor/ExtractorFailure.h"
#include "videoinfo/VideoInfo.h"
#include "videoinfo/VideoList.h"

#include <QObject>
#include <QString>

class ExtractorProcess;
struct ExtractorAnswer;

// Asks the extractor for one page's details and encodings (its single JSON document) and reads
// the answer: one video, or a list of videos whose entries are not read one by one
// (--flat-playlist). Only http and https addresses are handed on, as one argument after "--".
// The answer is read off the user interface's thread (a list may hold thousands of entries).
// Reports finished, listed or failed once, on a later turn of the event loop; after cancel only
// stopped, once the extractor is gone.
class ExtractorInfoRequest final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExtractorInfoRequest)

public:
    // program: the configured extractor (empty: yt-dlp on the PATH).
    ExtractorInfoRequest(const QString &program, const QString &address, QObject *parent = nullptr);
    ~ExtractorInfoRequest() override;

    void setTimeout(int milliseconds);
    void setOutputLimit(qint64 bytes);
    void setCanMerge(bool canMerge) { m_canMerge = canMerge; } // default: ffmpeg is on the PATH

    void start();
    void cancel();

    QString address() const { return m_address; }
    qint64 processId() const;

Q_SIGNALS:
    void finished(const VideoInfo &info);
    void listed(const VideoList &list);
    void failed(const ExtractorFailure &failure);
    void stopped();

private:
    void onOutput(const QByteArray &output);
    void onRead(const ExtractorAnswer &answer);

    QString m_address;
    ExtractorProcess *m_process = nullptr; // none for an address that is refused
    bool m_canMerge;
    bool m_cancelled = false;
};
