#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

// Modal dialogs of the program's own and the main window that owns them belong to the widget
// layer: see dialogs/DesktopSeam.h.

// The one place through which the program asks the user something or hands something to the
// desktop: message boxes, modal dialogs, folder and file dialogs, opening addresses, the clipboard.
// Tests install a responder that answers and records every call instead of showing real dialogs.
namespace UiSeam {

// Message box styles, combined by addition as the program's messages state them (48 = OK with the
// exclamation icon, 36 = Yes and No with the question icon).
enum Style : int {
    OkOnly = 0,
    YesNo = 4,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
};

// Message box answers.
enum Answer : int {
    Ok = 1,
    Cancel = 2,
    Yes = 6,
    No = 7,
};

enum class Kind { MessageBox, Modal, BrowseFolder, SaveFile, ShellOpen, OpenFolder, Clipboard, Integer };

struct Call
{
    Kind kind = Kind::MessageBox;
    QString text;      // message text, address or folder's file: URL opened, clipboard text, dialog name
    QString title;     // message or dialog title
    int style = 0;     // message box style
    QString folder;    // initial folder of a file dialog
    QString filter;    // file dialog filter
    QString suffix;    // default extension of a save dialog
    int number = 0;    // the number a question for a whole number offers, and its bounds
    int minimum = 0;
    int maximum = 0;
    QDialog *dialog = nullptr; // the modal dialog being shown, for a responder that works its controls
};

// Answers one call: an int for message boxes and modal dialogs, a string (empty = cancelled) for
// file and folder dialogs, an int (invalid = cancelled) for a whole number; ignored for shell
// opens and the clipboard.
using Responder = std::function<QVariant(const Call &)>;

void setResponder(Responder responder); // an empty responder restores the real dialogs
bool hasResponder();

// What shows real dialogs when no responder answers: installed at start-up by the layer that
// owns the widgets (dialogs/DesktopSeam.h). Without one, a message box is written to the log and
// answered with its default (OK, or Yes), and the file dialogs are cancelled.
struct Presenter
{
    std::function<int(const QString &text, int style, const QString &title, QWidget *owner)> messageBox;
    std::function<QString(const QString &title, QWidget *owner)> browseForFolder;
    std::function<QString(const QString &title, const QString &initialFolder, const QString &filter,
                          const QString &defaultSuffix, QWidget *owner)>
        saveFileName;
    std::function<std::optional<int>(const QString &title, const QString &label, int value, int minimum,
                                     int maximum, QWidget *owner)>
        askInteger;
};
void setPresenter(Presenter presenter);
// Asks the responder, when there is one (invalid otherwise).
QVariant answer(const Call &call);

QString applicationTitle(); // "Clipvault"

int messageBox(const QString &text, int style, const QString &title = applicationTitle(),
               QWidget *owner = nullptr);
QString browseForFolder(const QString &title, QWidget *owner = nullptr);
QString saveFileName(const QString &title, const QString &initialFolder, const QString &filter,
                     const QString &defaultSuffix, QWidget *owner = nullptr);
// Asks for a whole number from minimum to maximum, offering value: the number (within the bounds),
// or nothing when the user cancels (or nobody can be asked).
std::optional<int> askInteger(const QString &title, const QString &label, int value, int minimum, int maximum,
                              QWidget *owner = nullptr);
// Opens a web page (http or https) or a mail address (mailto) with the desktop; any other text is
// never handed to the desktop's opener.
void shellOpen(const QString &address);
// Opens a local folder in the file manager, as a file: URL; a relative folder lies in the
// program's folder.
void openFolder(const QString &folder);
void setClipboardText(const QString &text);
// The text the program last put on the clipboard itself (empty when none).
QString ownClipboardText();

} // namespace UiSeam
