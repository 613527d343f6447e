#pragma once

#include <QString>

// `clipvault --update-extractor [stable|nightly]`: fetches, proves and installs the channel's
// newest extractor without a window, printing progress on standard output. Exit code 0 when the
// copy is installed or already current (the channel is then the one in use), 1 with the step that
// failed on standard error, or when interrupted (SIGINT, SIGTERM, SIGHUP: what was fetched goes).
namespace UpdateCommand {

int Run(int argc, char **argv, const QString &channel);

} // namespace UpdateCommand
