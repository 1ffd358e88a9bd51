#include "cli/stop.h"

#include <time.h>

#include <cerrno>
#include <cstdlib>

namespace vorlax::cli {

namespace {

// Whether the run must stop, and the abort requests of the conversions
// under way. The requests live here for the whole run, so a stop never
// touches one that has gone; a conversion borrows one and hands it back.
std::atomic<bool> stop_requested{false};
std::atomic<bool> abort_pool[kMaxAbortRequests];
std::atomic<bool> slot_taken[kMaxAbortRequests];
// The signal that stopped the run, and the thread that takes the signals.
std::atomic<int> stop_signal{0};
pthread_t watcher_thread;
std::atomic<bool> watching{false};

void RaiseStop() {
    stop_requested.store(true);
    for (auto& request : abort_pool) request.store(true);
}

// Wakes a thread out of a blocking call: its handler does nothing and is
// installed without SA_RESTART, so the call fails with EINTR and the thread
// sees its abort request. A program that owns no socket is sent SIGURG by
// nobody else.
constexpr int kWakeSignal = SIGURG;
extern "C" void OnWake(int) {}

void Stopped(int sig) {
    int none = 0;
    stop_signal.compare_exchange_strong(none, sig);
    RaiseStop();
}

// A stop signal taken by a thread that does not block it: the same as the
// watcher does, then the watcher is woken to wake the others. Atomic stores
// and pthread_kill only, which a handler may use.
extern "C" void OnStop(int sig) {
    const int saved = errno;
    Stopped(sig);
    if (watching.load()) pthread_kill(watcher_thread, kWakeSignal);
    errno = saved;
}

}  // namespace

bool StopRequested() { return stop_requested.load(); }

AbortRequest::AbortRequest() {
    for (std::size_t i = 0; i < kMaxAbortRequests; ++i) {
        bool free = false;
        if (slot_taken[i].compare_exchange_strong(free, true)) {
            slot_ = i;
            break;
        }
    }
    flag().store(false);
    // Checked after the request is cleared, so a stop cannot slip between.
    if (stop_requested.load()) flag().store(true);
}

AbortRequest::~AbortRequest() { slot_taken[slot_].store(false); }

std::atomic<bool>& AbortRequest::flag() { return abort_pool[slot_]; }

StopSignals::StopSignals() {
    sigemptyset(&stop_set_);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        // Ignored when the program started (nohup, trap '' INT): stays so.
        struct sigaction current = {};
        if (sigaction(sig, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
            current.sa_handler == SIG_IGN)
            continue;
        sigaddset(&stop_set_, sig);
    }
    struct sigaction wake = {};
    wake.sa_handler = OnWake;
    sigemptyset(&wake.sa_mask);
    sigaction(kWakeSignal, &wake, nullptr);
    // Without SA_RESTART: the call the signal interrupts fails with EINTR.
    struct sigaction stop = {};
    stop.sa_handler = OnStop;
    stop.sa_mask = stop_set_;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        if (sigismember(&stop_set_, sig)) sigaction(sig, &stop, nullptr);

    // The watcher takes the stop signals and the wake signal; every other
    // thread keeps the stop signals blocked and takes the wake signal.
    sigset_t blocked = stop_set_;
    sigaddset(&blocked, kWakeSignal);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
    try {
        watcher_ = std::thread([this] { Watch(); });
        watcher_thread = watcher_.native_handle();
        watching.store(true);
    } catch (...) {
        // No thread to take them: the signals end the program as usual.
        pthread_sigmask(SIG_UNBLOCK, &blocked, nullptr);
        return;
    }
    sigset_t wake_only;
    sigemptyset(&wake_only);
    sigaddset(&wake_only, kWakeSignal);
    pthread_sigmask(SIG_UNBLOCK, &wake_only, nullptr);
    Wake(pthread_self());
}

StopSignals::~StopSignals() {
    WakeNone();
    if (!watcher_.joinable()) return;
    watching.store(false);
    finished_.store(true);
    pthread_kill(watcher_.native_handle(), kWakeSignal);
    watcher_.join();
    // The stop signals stay blocked: one that comes now finds the work done.
}

void StopSignals::Wake(pthread_t thread) {
    std::lock_guard<std::mutex> lock(mutex_);
    threads_.push_back(thread);
}

void StopSignals::TakeHere() {
    if (watcher_.joinable()) pthread_sigmask(SIG_UNBLOCK, &stop_set_, nullptr);
}

int StopSignals::Signal() const { return stop_signal.load(); }

void StopSignals::WakeNone() {
    std::lock_guard<std::mutex> lock(mutex_);
    threads_.clear();
}

void StopSignals::Stop() {
    RaiseStop();
    if (watcher_.joinable()) pthread_kill(watcher_.native_handle(), kWakeSignal);
}

void StopSignals::WakeThreads() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (pthread_t thread : threads_) pthread_kill(thread, kWakeSignal);
}

void StopSignals::Watch() {
    sigset_t waited = stop_set_;
    sigaddset(&waited, kWakeSignal);
    while (!finished_.load()) {
        int sig = 0;
        if (!stop_requested.load()) {
            if (sigwait(&waited, &sig) != 0) continue;
        } else {
            // A thread may have looked at its abort request just before the
            // last wake and then started to wait: wake them all again, until
            // the run is over.
            WakeThreads();
            const timespec pause = {0, 20 * 1000 * 1000};
            sig = sigtimedwait(&waited, nullptr, &pause);
        }
        if (sig > 0 && sig != kWakeSignal) Stopped(sig);
    }
}

void EndBySignal(int signal) {
    struct sigaction by_default = {};
    by_default.sa_handler = SIG_DFL;
    sigemptyset(&by_default.sa_mask);
    sigaction(signal, &by_default, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    std::_Exit(128 + signal);
}

}  // namespace vorlax::cli
