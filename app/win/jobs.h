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

// The newest progress line, for the main window to show. The worker tells
// the window of a line at most once in a short quiet time (a line costs the
// window a repaint, more than a small page's conversion costs).
void ShowPendingProgress(HWND status_bar);

}  // namespace vorlax::app
