#pragma once

#include <QString>
#include <QUrl>

class QMimeData;

// Web addresses as the program takes them from outside: from a drop, the clipboard, the desktop.
namespace WebAddress {

// The text, blanks around it ignored, as an http or https address with a host; invalid otherwise.
QUrl fromText(const QString &text);

// The first web address that dragged data carries: a link (text/uri-list) or plain text that is
// one; empty when it carries none.
QString fromMimeData(const QMimeData *data);

} // namespace WebAddress
