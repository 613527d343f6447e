#pragma once

#include "base/RuntimeError.h"

#include <QString>
#include <exception>
#include <functional>

class QWidget;

// The program-wide error trap: a handler runs its body under it; a run-time error shows
// "Error N (description) on line L in procedure P of Form F" in an OK-only message box
// titled "Clipvault" and leaves the handler; the program goes on.
namespace ErrorTrap {

// The message text, e.g. message(13, "Type mismatch", 12, "GetURLs", "Module modFunctions").
QString message(int number, const QString &description, int line, const QString &procedure,
                const QString &owner);

// Shows the message for an error caught in `procedure` of `owner` (e.g. "Form frmMain").
void report(const RuntimeError &error, const QString &procedure, const QString &owner);
void report(const std::exception &error, const QString &procedure, const QString &owner);

// Runs body; returns false when it raised an error (which has then been reported).
bool run(const QString &procedure, const QString &owner, const std::function<void()> &body);

} // namespace ErrorTrap
