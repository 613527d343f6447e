#include "transfer/ResumeDecision.h"

#include "transfer/ContentRange.h"

TransferResult::Refused refusalOf(qint64 offset, const ResumeAnswer &answer)
{
    using Refused = TransferResult::Refused;
    if (answer.status < 200 || answer.status > 299)
        return Refused::None;
    if (answer.status == 206 && offset <= 0)
        return Refused::PartUnasked;
    const QByteArray encoding = answer.contentEncoding.trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return Refused::Encoded;
    const ContentRange range = ContentRange::parse(answer.contentRange);
    if (answer.contentLength > TransferValidators::MaxLength || range.total > TransferValidators::MaxLength)
        return Refused::AbsurdLength;
    return Refused::None;
}

ResumeAction decideResume(qint64 offset, const TransferValidators &kept, const ResumeAnswer &answer)
{
    const int status = answer.status;
    if (refusalOf(offset, answer) != TransferResult::Refused::None)
        return ResumeAction::Discard;
    if (offset <= 0)
        return status >= 200 && status <= 299 ? ResumeAction::WriteFromZero : ResumeAction::Refuse;

    if (status == 200)
        return ResumeAction::WriteFromZero; // range ignored, or the file changed
    if (status == 206) {
        const ContentRange range = ContentRange::parse(answer.contentRange);
        const bool sameFile = range.valid && !range.unsatisfied && range.first == offset
                              && range.total == kept.total && kept.sameFileAs(answer.validators);
        return sameFile ? ResumeAction::Append : ResumeAction::AskFromZero;
    }
    if (status == 416) {
        // "Nothing from here on": complete only when the whole file is exactly what we hold. An
        // answer that names its version must name ours.
        const ContentRange range = ContentRange::parse(answer.contentRange);
        const bool whole = range.valid && range.unsatisfied && range.total == offset && range.total == kept.total;
        const bool contradicts = (!answer.validators.etag.isEmpty() && kept.hasStrongEtag()
                                  && answer.validators.etag != kept.etag)
                                 || (!kept.hasStrongEtag() && !answer.validators.lastModified.isEmpty()
                                     && answer.validators.lastModified != kept.lastModified);
        return whole && !contradicts ? ResumeAction::AlreadyWhole : ResumeAction::AskFromZero;
    }
    if (status >= 200 && status <= 299)
        return ResumeAction::AskFromZero;
    return ResumeAction::Refuse;
}
