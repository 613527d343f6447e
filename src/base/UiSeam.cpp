#include "base/UiSeam.h"

#include "base/AppState.h"
#include "base/WebAddress.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QUrl>

#include <algorithm>

namespace UiSeam {

namespace {

Responder &responder()
{
    static Responder r;
    return r;
}

Presenter &presenter()
{
    static Presenter p;
    return p;
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

QVariant answer(const Call &call)
{
    return responder() ? responder()(call) : QVariant();
}

void setPresenter(Presenter p)
{
    presenter() = std::move(p);
}

void setResponder(Responder r)
{
    responder() = std::move(r);
}

bool hasResponder()
{
    return static_cast<bool>(responder());
}

QString applicationTitle()
{
    return QStringLiteral("Clipvault");
}

int messageBox(const QString &text, int style, const QString &title, QWidget *owner)
{
    const int byDefault = (style & 0x7) == YesNo ? Yes : Ok;
    if (hasResponder()) {
        Call call;
        call.kind = Kind::MessageBox;
        call.text = text;
        call.title = title;
        call.style = style;
        const QVariant a = answer(call);
        return a.isValid() ? a.toInt() : byDefault;
    }
    if (presenter().messageBox)
        return presenter().messageBox(text, style, title, owner);
    qWarning("%s: %s", qPrintable(title), qPrintable(text));
    return byDefault;
}

QString browseForFolder(const QString &title, QWidget *owner)
{
    if (hasResponder()) {
        Call call;
        call.kind = Kind::BrowseFolder;
        call.title = title;
        return answer(call).toString();
    }
    return presenter().browseForFolder ? presenter().browseForFolder(title, owner) : QString();
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
    return presenter().saveFileName ? presenter().saveFileName(title, initialFolder, filter, defaultSuffix, owner)
                                    : QString();
}

std::optional<int> askInteger(const QString &title, const QString &label, int value, int minimum, int maximum,
                              QWidget *owner)
{
    std::optional<int> number;
    if (hasResponder()) {
        Call call;
        call.kind = Kind::Integer;
        call.title = title;
        call.text = label;
        call.number = value;
        call.minimum = minimum;
        call.maximum = maximum;
        const QVariant a = answer(call);
        if (a.isValid())
            number = a.toInt();
    } else if (presenter().askInteger) {
        number = presenter().askInteger(title, label, value, minimum, maximum, owner);
    }
    if (number)
        number = std::clamp(*number, minimum, maximum);
    return number;
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
