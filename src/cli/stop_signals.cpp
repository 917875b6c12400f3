#include "stop_signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

std::atomic<bool> gStop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set in a signal handler");
// A pipe written by the handler, so a wait can be woken by a stop whichever
// thread took the signal.
int gPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
    int saved = errno;
    gStop.store(true);
    if (gPipe[1] >= 0) {
        char byte = 1;
        // A full pipe already holds a wake-up; nothing else can go wrong here.
        ssize_t written = ::write(gPipe[1], &byte, 1);
        (void)written;
    }
    errno = saved;
}

} // namespace

void InstallStopSignals() {
    if (gPipe[0] < 0 && ::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        gPipe[0] = gPipe[1] = -1;
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
    // A file that would grow beyond the file size limit (ulimit -f) makes
    // that write fail, which is reported like a full disk; left to its
    // default, the signal would kill the tool in the middle of a file.
    ::sigaction(SIGXFSZ, &ignore, nullptr);
    // Another program that opens a file while the run holds its write lease
    // (for the renamings) makes the kernel send SIGIO, which would end the
    // tool between the renamings; the lease is given up a moment later anyway.
    ::sigaction(SIGIO, &ignore, nullptr);
}

bool StopRequested() {
    return gStop.load();
}

bool WaitForStop(int milliseconds) {
    if (StopRequested() || gPipe[0] < 0) {
        if (!StopRequested() && milliseconds > 0) {
            ::usleep(static_cast<useconds_t>(milliseconds) * 1000);
        }
        return StopRequested();
    }
    struct pollfd watch {};
    watch.fd = gPipe[0];
    watch.events = POLLIN;
    while (::poll(&watch, 1, milliseconds) < 0 && errno == EINTR) {
        if (StopRequested()) {
            break;
        }
    }
    return StopRequested();
}

int StopSignalDescriptor() {
    return gPipe[0];
}
