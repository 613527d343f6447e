#pragma once

#include <QString>
#include <QStringList>

// The JavaScript runtime that newer extractors run for some sites: deno, else node 20 or newer,
// else QuickJS (qjs), looked up on the PATH and then in the extractor's runtime folder
// (<data>/extractor/runtime/).
struct ExtractorRuntime
{
    QString name; // as --js-runtimes names it: "deno", "node" or "quickjs"; empty when none is found
    QString path; // the executable file

    bool found() const { return !name.isEmpty(); }
    QString shown() const; // "deno (/usr/bin/deno)", or "none found"

    static QString Folder(); // <data>/extractor/runtime
    // Looks again (node's version is asked once per path and run of the program).
    static ExtractorRuntime Find();
    // The options that hand the runtime to an extractor of this version; none for a version
    // older than the option, or when no runtime is found.
    static QStringList Arguments(const QString &extractorVersion, const ExtractorRuntime &runtime);
};
