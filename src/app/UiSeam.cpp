#include "app/UiSeam.h"

#include "app/AppState.h"
#include "app/WebAddress.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>

namespace UiSeam {

namespace {

Responder &responder()
{
    static Responder r;
    return r;
}

QPointer<QWidget> &mainWindowRef()
{
    static QPointer<QWidget> w;
    return w;
}

QWidget *ownerOr(QWidget *owner)
{
    return owner ? owner : mainWindowRef().data();
}

QVariant answer(const Call &call)
{
    return responder() ? responder()(call) : QVariant();
}

// The address as something the desktop may open: a web page with a host or a mail address.
QUrl openableAddress(const QString &text)
{
    const QUrl web = WebAddress::fromText(text);
    if (web.isValid())
        return web;
    const QUrl url(text.trimmed());
    if (url.isValid() && url.scheme() == QLatin1String("mailto") && !url.path().isEmpty())
        return url;
    return QUrl();
}

QString &ownClipboardTextRef()
{
    static QString text;
    return text;
}

void hand(Kind kind, const QUrl &url)
{
    if (hasResponder()) {
        Call call;
        call.kind = kind;
        call.text = url.toString();
        answer(call);
        return;
    }
    QDesktopServices::openUrl(url);
}

} // namespace

void setResponder(Responder r)
{
    responder() = std::move(r);
}

bool hasResponder()
{
    return static_cast<bool>(responder());
}

void setMainWindow(QWidget *window)
{
    mainWindowRef() = window;
}

QWidget *mainWindow()
{
    return mainWindowRef().data();
}

QString applicationTitle()
{
    return QStringLiteral("Clipvault");
}

int messageBox(const QString &text, int style, const QString &title, QWidget *owner)
{
    if (hasResponder()) {
        Call call;
        call.kind = Kind::MessageBox;
        call.text = text;
        call.title = title;
        call.style = style;
        const QVariant a = answer(call);
        if (a.isValid())
            return a.toInt();
        return (style & 0x7) == YesNo ? Yes : Ok;
    }

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

QString browseForFolder(const QString &title, QWidget *owner)
{
    if (hasResponder()) {
        Call call;
        call.kind = Kind::BrowseFolder;
        call.title = title;
        return answer(call).toString();
    }
    return QFileDialog::getExistingDirectory(ownerOr(owner), title, QString(),
                                             QFileDialog::ShowDirsOnly);
}

QString saveFileName(const QString &title, const QString &initialFolder, const QString &filter,
                     const QString &defaultSuffix, QWidget *owner)
{
    if (hasResponder()) {
        Call call;
        call.kind = Kind::SaveFile;
        call.title = title;
        call.folder = initialFolder;
        call.filter = filter;
        call.suffix = defaultSuffix;
        return answer(call).toString();
    }
    QFileDialog dialog(ownerOr(owner), title, initialFolder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void shellOpen(const QString &address)
{
    const QUrl url = openableAddress(address);
    if (url.isValid())
        hand(Kind::ShellOpen, url);
}

void openFolder(const QString &folder)
{
    const QString absolute = QDir(AppState::AppPath()).absoluteFilePath(folder);
    QString clean = QDir::cleanPath(absolute);
    if (folder.endsWith(QLatin1Char('/')) && !clean.endsWith(QLatin1Char('/')))
        clean += QLatin1Char('/');
    hand(Kind::OpenFolder, QUrl::fromLocalFile(clean));
}

void setClipboardText(const QString &text)
{
    ownClipboardTextRef() = text;
    // The clipboard is written for real in tests too; the responder only records it.
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(text);
    }
    if (hasResponder()) {
        Call call;
        call.kind = Kind::Clipboard;
        call.text = text;
        answer(call);
    }
}

QString ownClipboardText()
{
    return ownClipboardTextRef();
}

} // namespace UiSeam
