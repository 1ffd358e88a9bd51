// Stopping a run early: SIGINT, SIGTERM and SIGHUP, or a broken -v stream.
// A stop raises the abort request of every conversion under way and wakes
// the run's threads out of whatever call they wait in (an open, a read, a
// write to a full pipe), so the run ends within a fraction of a second.
#pragma once

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace vorlax::cli {

// Whether the run has been told to stop. Set once, never cleared.
bool StopRequested();

// An abort request that a stop raises; a conversion borrows one for its time.
class AbortRequest {
public:
    AbortRequest();
    ~AbortRequest();
    AbortRequest(const AbortRequest&) = delete;
    AbortRequest& operator=(const AbortRequest&) = delete;

    std::atomic<bool>& flag();

private:
    std::size_t slot_ = 0;
};

// The most abort requests that can be borrowed at once.
inline constexpr std::size_t kMaxAbortRequests = 2048 + 8;

// The stop signals of one run, from construction to destruction. A signal
// that was ignored when the program started stays ignored. The signals are
// blocked in the constructing thread and so in every thread it starts
// afterwards; a thread of its own takes them, and so does every thread that
// calls TakeHere: there a handler raises the stop before a call the signal
// interrupts returns, so a read that the signal came before never hands its
// data to a conversion that has not been told.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // A thread to wake once the run stops (the constructing thread is one);
    // it must stay joinable until WakeNone.
    void Wake(pthread_t thread);
    // The calling thread takes the stop signals itself (a conversion's).
    void TakeHere();
    // No thread is woken any more (before they are joined).
    void WakeNone();
    // Stops the run without a signal.
    void Stop();
    // The signal that stopped the run; 0 when none did.
    int Signal() const;

private:
    void Watch();
    void WakeThreads();

    sigset_t stop_set_;
    std::atomic<bool> finished_{false};
    std::mutex mutex_;
    std::vector<pthread_t> threads_;  // guarded by mutex_
    std::thread watcher_;
};

// Ends the process as `signal` ends it by default, so that the shell sees
// 128 + the signal number and a calling script stops as it would for any
// program interrupted so. Only once no other thread runs.
[[noreturn]] void EndBySignal(int signal);

}  // namespace vorlax::cli
