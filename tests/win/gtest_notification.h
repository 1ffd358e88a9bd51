// Read before everything in the Windows trees' test programs. GoogleTest's
// Notification rests on std::mutex and std::condition_variable, which the
// win32 thread model (the one the shipped programs are built with) lacks;
// this one is a flag. Only GoogleTest's own thread tests ever wait on it.
#pragma once

#ifdef __cplusplus
#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { notified_.store(true); }
    void WaitForNotification() {
        while (!notified_.load()) __builtin_ia32_pause();
    }

private:
    std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
#endif
