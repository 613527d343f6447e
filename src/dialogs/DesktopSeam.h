#pragma once

#include <functional>

class QDialog;
class QWidget;

// The widget side of the seam (base/UiSeam.h): the window that owns dialogs, modal dialogs of the
// program's own, and the real message boxes and file dialogs shown when no responder answers.
namespace UiSeam {

// Makes message boxes and file dialogs real ones; called once at start-up.
void installDesktop();

// The window that owns message boxes and dialogs when the caller names none.
void setMainWindow(QWidget *window);
QWidget *mainWindow();

// Shows the dialog modally; the answer is whatever `answer` reads from it once it has closed. A
// responder, when there is one, works the dialog's controls instead of the user.
int showModal(QDialog *dialog, const std::function<int()> &answer);

} // namespace UiSeam
