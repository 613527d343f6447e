#include "controls/SubClass.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTreeView>

namespace {

// The table of hooked windows: each window is held at most once, by the control that hooked it last.
QHash<QWidget *, SubClass *> &hookTable()
{
    static QHash<QWidget *, SubClass *> table;
    return table;
}

QHeaderView *headerOf(QWidget *window)
{
    if (auto *tree = qobject_cast<QTreeView *>(window))
        return tree->header();
    if (auto *table = qobject_cast<QTableView *>(window))
        return table->horizontalHeader();
    return nullptr;
}

} // namespace

SubClass::SubClass(QObject *parent)
    : QObject(parent)
{
}

SubClass::~SubClass()
{
    unhook();
}

void SubClass::setMessages(long nMessage, bool bSubclass)
{
    if (bSubclass) {
        if (!m_messages.contains(nMessage))
            m_messages.append(nMessage);
    } else {
        m_messages.removeOne(nMessage);
    }
}

bool SubClass::Messages(long nMessage) const
{
    return m_messages.contains(nMessage);
}

void SubClass::sethWnd(QWidget *hWndNew)
{
    if (hWndNew == m_hWnd.data())
        return;
    unhook();
    if (hWndNew)
        hook(hWndNew);
}

void SubClass::hook(QWidget *window)
{
    // A second control on the same window replaces the first.
    if (SubClass *previous = hookTable().value(window))
        previous->unhook();
    hookTable().insert(window, this);
    m_hWnd = window;
    window->installEventFilter(this);

    if (auto *area = qobject_cast<QAbstractScrollArea *>(window)) {
        m_connections << connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this,
                                 [this](int value) { dispatch(WM_VSCROLL, value, 0, nullptr); });
        m_connections << connect(area->horizontalScrollBar(), &QScrollBar::valueChanged, this,
                                 [this](int value) { dispatch(WM_HSCROLL, value, 0, nullptr); });
    }
    if (QHeaderView *header = headerOf(window)) {
        m_connections << connect(header, &QHeaderView::sectionResized, this, [this](int section, int, int) {
            dispatch(WM_NOTIFY, section, HDN_ITEMCHANGEDA, nullptr);
        });
    }
    m_connections << connect(window, &QObject::destroyed, this, [this](QObject *) {
        dispatch(WM_NCDESTROY, 0, 0, nullptr);
        unhook();
    });
}

void SubClass::unhook()
{
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    QWidget *window = m_hWnd.data();
    for (auto it = hookTable().begin(); it != hookTable().end();) {
        if (it.value() == this)
            it = hookTable().erase(it);
        else
            ++it;
    }
    if (window)
        window->removeEventFilter(this);
    m_hWnd.clear();
}

long SubClass::virtualKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default:
        break;
    }
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey; // the same codes
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    return 0;
}

bool SubClass::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_hWnd.data() || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    if (!Messages(WM_KEYDOWN))
        return false; // the window handles it unchanged
    const auto *key = static_cast<QKeyEvent *>(event);
    dispatch(WM_KEYDOWN, virtualKey(key->key()), static_cast<long>(key->modifiers()), event);
    return true; // the window saw the event only if the handler called CallWndProc
}

long SubClass::dispatch(long msg, long wParam, long lParam, QEvent *event)
{
    if (!Messages(msg))
        return 0;
    Dispatch current;
    current.event = event;
    current.msg = msg;
    m_dispatching.append(&current);
    long Msg = msg, w = wParam, l = lParam, Result = 0;
    Q_EMIT WndProc(Msg, w, l, Result);
    m_dispatching.removeOne(&current);
    return Result;
}

long SubClass::CallWndProc(long &Msg, long &wParam, long &lParam)
{
    Q_UNUSED(wParam);
    Q_UNUSED(lParam);
    QWidget *window = m_hWnd.data();
    if (!window || m_dispatching.isEmpty())
        return 0;
    Dispatch *current = m_dispatching.last();
    if (!current->event || current->msg != Msg)
        return 0;
    if (!current->delivered) {
        current->delivered = true;
        // The widget's own handling, past the hook (its event() is public through QObject).
        QObject *target = window;
        target->event(current->event);
        current->result = current->event->isAccepted() ? 1 : 0;
    }
    return current->result;
}
