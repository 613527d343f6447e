#include "transfer/TransferValidators.h"

#include <QDateTime>
#include <QNetworkRequest>

QDateTime TransferValidators::httpDate(const QByteArray &text)
{
    // Qt reads all three HTTP date forms for its cooked Last-Modified header.
    QNetworkRequest carrier;
    carrier.setRawHeader("Last-Modified", text);
    return carrier.header(QNetworkRequest::LastModifiedHeader).toDateTime();
}

QByteArray TransferValidators::ifRange() const
{
    if (hasStrongEtag())
        return etag;
    return lastModifiedStrong ? lastModified : QByteArray();
}

bool TransferValidators::sameFileAs(const TransferValidators &answer) const
{
    if (hasStrongEtag())
        return answer.etag == etag;
    return !lastModified.isEmpty() && answer.lastModified == lastModified;
}

bool TransferValidators::isStrongDate(const QByteArray &lastModified, const QByteArray &date, const QByteArray &etag)
{
    if (!etag.isEmpty() || lastModified.isEmpty())
        return false;
    const QDateTime modified = httpDate(lastModified);
    const QDateTime answered = httpDate(date);
    return modified.isValid() && answered.isValid() && modified.secsTo(answered) >= 1;
}
