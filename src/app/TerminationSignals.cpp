#include "app/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pair[2] = {-1, -1};
TerminationSignals *g_installed = nullptr;
const int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

void onSignal(int number)
{
    // The interrupted code may be about to read errno: a failed write here (a full pair) must not
    // change it.
    const int savedErrno = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const auto written = ::write(g_pair[1], &byte, 1);
    errno = savedErrno;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals)
        sigaction(number, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (g_pair[0] >= 0)
        return; // another instance has them
    // Non-blocking: a handler must never wait on a full pair.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pair) != 0) {
        g_pair[0] = g_pair[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pair[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(g_pair[0], &byte, 1) == 1)
            Q_EMIT received(byte);
    });
    setHandler(onSignal);
    g_installed = this;
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    setHandler(SIG_DFL);
    g_installed = nullptr;
    delete m_notifier;
    ::close(g_pair[0]);
    ::close(g_pair[1]);
    g_pair[0] = g_pair[1] = -1;
}

TerminationSignals *TerminationSignals::installed()
{
    return g_installed;
}

int TerminationSignals::readEnd() const
{
    return m_notifier ? g_pair[0] : -1;
}

int TerminationSignals::writeEnd() const
{
    return m_notifier ? g_pair[1] : -1;
}
