#pragma once

#include <QMetaType>
#include <QString>

// Why the extractor gave no usable answer.
struct ExtractorFailure
{
    enum class Reason {
        NotInstalled,  // the program is not there or cannot be started
        Refused,       // the address is not http or https, or an answer named a file it may not
        TimedOut,      // no answer within the time allowed
        TooMuchOutput, // more output than is ever read
        Failed,        // the program ended with an error
        Unreadable,    // the answer is not the JSON document asked for
        NoVideo,       // the answer names nothing that can be fetched
    };

    Reason reason = Reason::Failed;
    QString detail; // the extractor's own last error line; for Refused, the sentence saying what
    int exitCode = 0;

    // One sentence for the user, ending in a blank, that says why.
    QString sentence() const;
};

Q_DECLARE_METATYPE(ExtractorFailure)
