#pragma once

#include "transfer/TransferResult.h"
#include "transfer/TransferValidators.h"

#include <QByteArray>

// What to do with the answer to a transfer that writes a file, decided from its headers alone.
enum class ResumeAction {
    Append,        // the rest of the same file: append it to the bytes kept
    WriteFromZero, // the whole file: write it from the first byte (over anything kept)
    AskFromZero,   // a part that does not prove to be of the same file: drop the kept bytes
                   // and ask again for the whole file
    AlreadyWhole,  // nothing is missing: the file on disk is complete
    Refuse,        // an error answer: its body is not part of the file, nothing is written
    Discard,       // a success answer whose body is no file as asked for (see refusalOf): nothing
                   // is written and the kept bytes stay
};

struct ResumeAnswer
{
    int status = 0;
    QByteArray contentRange;
    TransferValidators validators; // ETag and Last-Modified of the answer (total unused)
    QByteArray contentEncoding;    // as sent; the request asked for the file as it is (identity)
    qint64 contentLength = -1;     // as announced, -1 when none
};

// Why a success answer's body cannot be kept, whatever the bytes kept: a 206 where no Range was
// sent (offset 0), a body in an encoding other than identity, a length past
// TransferValidators::MaxLength. Refused::None for anything else.
TransferResult::Refused refusalOf(qint64 offset, const ResumeAnswer &answer);

// `offset` is the number of bytes kept and asked to be continued (0 when the request carried
// no Range); `kept` the validators those bytes were written under.
ResumeAction decideResume(qint64 offset, const TransferValidators &kept, const ResumeAnswer &answer);
