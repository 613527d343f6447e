#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for: `clipvault [ADDRESS]` starts the program with the address in
// "Video URL:"; --help and --version print and end; --update-extractor [stable|nightly] fetches
// and installs the extractor without a window; anything unknown is an error. The options
// that Qt itself reads (-platform, -style, -display and the like) are let through.
struct CommandLine
{
    enum class Action { Run, Help, Version, UpdateExtractor, Error };

    Action action = Action::Run;
    QString address;  // the one address given, trimmed; empty when none
    QString output;   // what to print: help or version (standard output), an error (standard error)
    QString channel;  // UpdateExtractor: "stable" or "nightly"

    static constexpr int ErrorExitCode = 2;

    // arguments as the program received them, the program's own name first.
    static CommandLine parse(const QStringList &arguments);
};
