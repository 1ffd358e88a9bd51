// Conversion jobs on the worker thread, and the main window's way of ending
// one. At most one job runs at a time.
#pragma once

#include <windows.h>

namespace vorlax::app {

// Start a job; the main window calls these only when the job control says
// so (no worker is held). A job that cannot start ends as if it had run:
// the drop is released, a command-line run closes.
void StartOpenDialogJob();
void StartDropJob(HDROP drop);
void StartCommandLineJob(HWND main_window);

// 1 when no job runs any more: none was running, or the user chose to stop
// it and it has ended. 0 when the user let it run.
int ConfirmAbort();

// Stops the job without asking (the session ends, the window is gone): the
// abort request, then the wait for the worker's end, its boxes answered for
// the user meanwhile. The conversion under way removes its output.
void StopWorker();

// Waits for the worker to end (after the command-line job said it is done)
// and forgets it.
void WaitForWorker();

// The progress line in the status bar. A line costs the window a repaint,
// which costs more than the conversion of a small page: after a line is
// shown, the lines that follow wait for the end of a short quiet time, and
// then the newest of them is shown. So a long batch of small files shows
// about ten lines a second, and a file that takes longer than the quiet time
// always shows its own.
inline constexpr UINT_PTR kProgressTimer = 1;
inline constexpr UINT kProgressQuietTime = 100;  // milliseconds

// The worker posted a line (WM_PROGRESSLINE): shown now, or at the end of
// the quiet time under way.
void ShowPendingProgress(HWND window, HWND status_bar);
// The quiet time is over (WM_TIMER with kProgressTimer).
void ProgressQuietTimeOver(HWND window, HWND status_bar);
// The job has ended: a line still waiting is not shown.
void EndProgress(HWND window);

}  // namespace vorlax::app
