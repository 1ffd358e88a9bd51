// The main window: a small dialog-based window with a menu, a status bar
// along the top and the drop hint; menu commands, drops and the worker's
// messages become actions here.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstddef>
#include <optional>

#include "app/placement.h"
#include "app/registry.h"
#include "app/shared_options.h"
#include "app/win/jobs.h"
#include "app/win/program.h"
#include "app/win/win_registry.h"
#include "common/names.h"
#include "resources/resource.h"
#include "settings/settings.h"

namespace vorlax::app {

#ifndef _WIN64
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76);
#endif

namespace {

void CheckItem(HWND window, UINT id, bool on) {
    CheckMenuItem(GetMenu(window), id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

using Request = JobControl::Request;
using Decision = JobControl::Decision;

// What the job control decides about a request, after ConfirmAbort when it
// asks for one: kGo, kRefuse (the user kept the job, or not now) or kStop.
// It decides again after the question, since the question's box lets other
// messages through.
Decision Settle(Request request) {
    Decision d;
    while ((d = TheProgram().control.Decide(request)) == Decision::kAsk)
        if (!ConfirmAbort()) return Decision::kRefuse;
    return d;
}

// Runs a modal dialog of the program: no drop is taken while it is open.
template <typename Dialog>
auto Modal(Dialog dialog) {
    JobControl& control = TheProgram().control;
    control.ModalOpened();
    SyncDrops();
    const auto result = dialog();
    control.ModalClosed();
    SyncDrops();
    return result;
}

void OnInitDialog(HWND window) {
    Program& p = TheProgram();
    p.main_window = window;
    p.status_bar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | CCS_TOP, "", window, IDC_STATUS_BAR);
    // Along the top edge, also where the control itself would not go there.
    RECT client, bar;
    GetClientRect(window, &client);
    GetWindowRect(p.status_bar, &bar);
    SetWindowPos(p.status_bar, nullptr, 0, 0, client.right, bar.bottom - bar.top, SWP_NOZORDER);
    if (p.argv.size() > 1) {
        HMENU menu = GetMenu(window);
        for (UINT id : {IDM_OPEN_IN_EDITOR, IDM_ALWAYS_ON_TOP, IDM_OPEN_CONVERT, IDM_SETTINGS})
            EnableMenuItem(menu, id, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
        p.control.CommandLineRun();
        StartCommandLineJob(window);
        return;
    }
    SyncDrops();
    if (p.options.SWedit == 1) CheckItem(window, IDM_OPEN_IN_EDITOR, true);
    if (p.options.SW_AOT == 1) {
        CheckItem(window, IDM_ALWAYS_ON_TOP, true);
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
}

void OpenAndConvert(HWND window) {
    if (Settle(Request::kOpenCommand) != Decision::kGo) return;
    Program& p = TheProgram();
    OPENFILENAMEA ofn = {};
    // The structure as every Windows version takes it: 76 bytes on 32-bit
    // systems, the same fields with 64-bit pointers on 64-bit ones.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = window;
    ofn.lpstrFilter = "HTML ﾌｧｲﾙ (*.html;*.htm)\0*.htm;*.html\0すべてのﾌｧｲﾙ (*.*)\0*.*\0";
    ofn.lpstrFile = p.names;
    ofn.nMaxFile = kNameBufferSize - 1;
    ofn.lpstrTitle = "開いて変換";
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY;
    if (Modal([&] { return GetOpenFileNameA(&ofn); })) {
        InvalidateRect(window, nullptr, TRUE);
        // A job may have come to be held while the dialog was open.
        if (Settle(Request::kOpenDialogChosen) == Decision::kGo) StartOpenDialogJob();
        SyncDrops();
        return;
    }
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
        Modal([&] { return ShowMessage(window, "パス名とファイル名のサイズの合計が64Kバイトを超えました", MB_ICONHAND); });
}

// Flips a menu switch and stores it at once.
void Toggle(HWND window, UINT id, std::int16_t Options::*option) {
    std::int16_t& value = TheProgram().options.*option;
    const bool on = LoadShared(value) == 0;
    if (id == IDM_ALWAYS_ON_TOP)
        SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    CheckItem(window, id, on);
    StoreShared(value, on ? 1 : 0);
    SaveNumberOption(ProgramRegistry(), EntryOf(option), on ? 1 : 0);
}

void OnCommand(HWND window, WPARAM wparam, LPARAM lparam) {
    Program& p = TheProgram();
    switch (LOWORD(wparam)) {
        case IDM_OPEN_CONVERT:
            OpenAndConvert(window);
            break;
        case IDM_EXIT:
            if (Settle(Request::kExitCommand) != Decision::kGo) break;
            SaveWindowPosition();
            p.control.Closing();
            SyncDrops();
            DestroyWindow(window);
            break;
        case IDM_OPEN_IN_EDITOR:
            Toggle(window, IDM_OPEN_IN_EDITOR, &Options::SWedit);
            break;
        case IDM_ALWAYS_ON_TOP:
            Toggle(window, IDM_ALWAYS_ON_TOP, &Options::SW_AOT);
            break;
        case IDM_SETTINGS:
            if (Settle(Request::kSettingsCommand) != Decision::kGo) break;
            Modal([&] {
                settings::ShowSettings(window, p.instance, p.options, ProgramRegistry());
                return 0;
            });
            break;
        case IDM_HELP_CONTENTS:
            ShellExecuteA(nullptr, "open", p.help_path, nullptr, nullptr, SW_SHOWNORMAL);
            break;
        case IDM_ABOUT:
            if (Settle(Request::kAboutCommand) != Decision::kGo) break;
            Modal([&] { return DialogBoxParamA(p.instance, MAKEINTRESOURCEA(IDD_ABOUT), window, AboutBoxProc, 0); });
            break;
        default:
            DefWindowProcA(window, WM_COMMAND, wparam, lparam);
            break;
    }
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Program& p = TheProgram();
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(window);
            return 0;
        case WM_CLOSE:
            PostMessageA(window, WM_COMMAND, IDM_EXIT, 0);
            return 0;
        case WM_DESTROY:
            // Nobody is left to ask: a job still held is stopped.
            if (Settle(Request::kWindowDestroyed) == Decision::kStop) StopWorker();
            PostQuitMessage(0);
            return 0;
        case WM_QUERYENDSESSION:
            // The session may end once no job runs; the user may keep it.
            return Settle(Request::kQueryEndSession) == Decision::kGo;
        case WM_ENDSESSION:
            if (wparam) {
                // The program ends with the session, now: a job still held is
                // stopped, and its output under way removed, before this returns.
                if (Settle(Request::kEndSession) == Decision::kStop) StopWorker();
                p.control.Closing();
                SyncDrops();
            }
            return 0;
        case WM_DROPFILES:
            // Whatever delivers it: taken only when the job control says so.
            if (Settle(Request::kDrop) == Decision::kGo) StartDropJob(reinterpret_cast<HDROP>(wparam));
            else DragFinish(reinterpret_cast<HDROP>(wparam));
            SyncDrops();
            return 0;
        case WM_COMMAND:
            OnCommand(window, wparam, lparam);
            return 0;
        case WM_JOBSTATE:
            if (lparam == 0) {
                EnableWindow(GetDlgItem(window, IDC_DROP_HINT), FALSE);
            } else if (lparam == 1) {
                // Only the newest job's end shows: a stopped job's comes
                // after the next one started.
                if (p.control.JobFinished()) {
                    SendMessageA(p.status_bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("完了"));
                    EnableWindow(GetDlgItem(window, IDC_DROP_HINT), TRUE);
                }
                SyncDrops();
            }
            return 0;
        case WM_PROGRESSLINE:
            ShowPendingProgress(p.status_bar);
            return 0;
        case WM_CMDLINEDONE:
            p.control.JobFinished();
            WaitForWorker();
            p.control.Closing();
            DestroyWindow(window);
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

void SyncDrops() {
    Program& p = TheProgram();
    if (p.main_window) DragAcceptFiles(p.main_window, p.control.AcceptsDrops() ? TRUE : FALSE);
}

void PlaceMainWindow(HWND window) {
    RECT work, frame;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(window, &frame);
    const long width = frame.right - frame.left;
    long height = frame.bottom - frame.top;
    // A menu bar that wraps onto a second line takes its room from the
    // client area; the window grows by as much, so nothing is hidden.
    RECT wanted = {0, 0, MAIN_WIDTH, MAIN_HEIGHT}, client;
    MapDialogRect(window, &wanted);
    GetClientRect(window, &client);
    if (client.bottom < wanted.bottom) height += wanted.bottom - client.bottom;
    std::uint32_t top = 0, left = 0;
    std::optional<Point> saved;
    Registry& reg = ProgramRegistry();
    const bool have_top = ReadDwordValue(reg, nullptr, "WindowPos_top", &top);
    const bool have_left = ReadDwordValue(reg, nullptr, "WindowPos_left", &left);
    if (have_top && have_left)
        saved = Point{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top)};
    const Point at = PlaceWindow(work.right, work.bottom, width, height, saved);
    MoveWindow(window, at.x, at.y, width, height, FALSE);
}

void SaveWindowPosition() {
    RECT frame;
    GetWindowRect(TheProgram().main_window, &frame);
    Registry& reg = ProgramRegistry();
    SaveDwordOption(reg, nullptr, "WindowPos_top", static_cast<std::uint32_t>(frame.top));
    SaveDwordOption(reg, nullptr, "WindowPos_left", static_cast<std::uint32_t>(frame.left));
}

int ShowMessage(HWND owner, const char* text, UINT style) { return MessageBoxA(owner, text, common::kProgramName, style); }

}  // namespace vorlax::app
