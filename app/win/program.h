// What the whole Windows program shares: the instance, the main window, the
// options record, the name buffer of the open dialog, the running job.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/job_control.h"
#include "engine/options.h"

namespace vorlax::app {

// Posted by the worker to the main window.
inline constexpr UINT WM_JOBSTATE = WM_USER + 1;     // lParam 0 started, 1 finished
inline constexpr UINT WM_CMDLINEDONE = WM_USER + 2;  // the command-line job ended
inline constexpr UINT WM_PROGRESSLINE = WM_USER + 3; // a new progress line is waiting

inline constexpr DWORD kNameBufferSize = 65535;

struct Program {
    HINSTANCE instance = nullptr;
    HWND main_window = nullptr;
    HWND status_bar = nullptr;
    char help_path[MAX_PATH] = "";
    // The open dialog's selection, allocated at start-up.
    char* names = nullptr;
    Options options;
    // The arguments after wildcard expansion; [0] is the program.
    std::vector<std::string> argv;
    // Whether a job may start and what the ways out do; the main window's
    // thread only.
    JobControl control;
};

// The one program-wide instance.
Program& TheProgram();

// The main window's procedure, its placement and position memory.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Makes the main window take drops exactly when the job control says so.
void SyncDrops();
void PlaceMainWindow(HWND window);
void SaveWindowPosition();

// The about box.
INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Shows a message box of the program: the program's name as its caption, and
// the given style.
int ShowMessage(HWND owner, const char* text, UINT style);

}  // namespace vorlax::app
