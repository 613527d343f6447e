#include "dialogs/DesktopSeam.h"

#include "base/UiSeam.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>

namespace UiSeam {

namespace {

QPointer<QWidget> &mainWindowRef()
{
    static QPointer<QWidget> w;
    return w;
}

QWidget *ownerOr(QWidget *owner)
{
    return owner ? owner : mainWindowRef().data();
}

int realMessageBox(const QString &text, int style, const QString &title, QWidget *owner)
{
    QMessageBox box(ownerOr(owner));
    box.setWindowTitle(title);
    box.setText(text);
    switch (style & 0x70) {
    case Critical: box.setIcon(QMessageBox::Critical); break;
    case Question: box.setIcon(QMessageBox::Question); break;
    case Exclamation: box.setIcon(QMessageBox::Warning); break;
    case 64: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    if ((style & 0x7) == YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? Yes : No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Ok;
}

QString realSaveFileName(const QString &title, const QString &initialFolder, const QString &filter,
                         const QString &defaultSuffix, QWidget *owner)
{
    QFileDialog dialog(ownerOr(owner), title, initialFolder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

void installDesktop()
{
    Presenter presenter;
    presenter.messageBox = realMessageBox;
    presenter.browseForFolder = [](const QString &title, QWidget *owner) {
        return QFileDialog::getExistingDirectory(ownerOr(owner), title, QString(), QFileDialog::ShowDirsOnly);
    };
    presenter.saveFileName = realSaveFileName;
    presenter.askInteger = [](const QString &title, const QString &label, int value, int minimum, int maximum,
                              QWidget *owner) -> std::optional<int> {
        bool ok = false;
        const int number = QInputDialog::getInt(ownerOr(owner), title, label, value, minimum, maximum, 1, &ok);
        return ok ? std::optional<int>(number) : std::nullopt;
    };
    setPresenter(presenter);
}

void setMainWindow(QWidget *window)
{
    mainWindowRef() = window;
}

QWidget *mainWindow()
{
    return mainWindowRef().data();
}

int showModal(QDialog *dialog, const std::function<int()> &readAnswer)
{
    if (hasResponder()) {
        Call call;
        call.kind = Kind::Modal;
        call.text = dialog->objectName();
        call.title = dialog->windowTitle();
        call.dialog = dialog;
        answer(call); // the responder works the dialog's controls and closes it
        if (dialog->isVisible())
            dialog->reject();
        return readAnswer();
    }
    dialog->exec();
    return readAnswer();
}

} // namespace UiSeam
