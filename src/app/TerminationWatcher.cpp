#include "app/TerminationWatcher.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> WatchedSignals = {SIGTERM, SIGHUP, SIGINT};

int g_pipe[2] = {-1, -1};
struct sigaction g_previous[WatchedSignals.size()];

extern "C" void onSignal(int signal)
{
    // Only async-signal-safe work here: hand the number to the event loop.
    const int savedErrno = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

const char *signalName(int signal)
{
    switch (signal) {
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGINT: return "SIGINT";
    default: return "signal";
    }
}

bool openPipe()
{
    if (::pipe(g_pipe) != 0)
        return false;
    for (const int fd : g_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC); // a child process must not hold our pipe
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

void closePipe()
{
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace

TerminationWatcher::TerminationWatcher(std::function<void()> closeStep, QObject *parent)
    : QObject(parent)
    , m_closeStep(std::move(closeStep))
{
    if (g_pipe[0] < 0 && openPipe()) {
        m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &TerminationWatcher::readSignals);
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (size_t i = 0; i < WatchedSignals.size(); ++i)
            ::sigaction(WatchedSignals[i], &action, &g_previous[i]);
    }
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        // A desktop logout asks to save first; the process may not get
        // another chance, so the close step (which saves and ends) runs now.
        connect(app, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager &) { requestClose("session end"); });
    }
}

TerminationWatcher::~TerminationWatcher()
{
    if (!m_notifier)
        return;
    for (size_t i = 0; i < WatchedSignals.size(); ++i)
        ::sigaction(WatchedSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    closePipe();
}

void TerminationWatcher::requestClose(const char *reason)
{
    if (m_closed)
        return;
    m_closed = true;
    std::fprintf(stderr, "Kovaplex: closing on %s; saving settings.\n", reason);
    if (m_closeStep)
        m_closeStep();
}

void TerminationWatcher::readSignals()
{
    char bytes[16];
    int last = 0;
    ssize_t n;
    while ((n = ::read(g_pipe[0], bytes, sizeof bytes)) > 0)
        last = bytes[n - 1];
    if (last)
        requestClose(signalName(last));
}
