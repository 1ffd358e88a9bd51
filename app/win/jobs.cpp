// The three conversion jobs on the worker thread, the pause-and-ask of
// ConfirmAbort, and the conversion's reports as message boxes.
#include "app/win/jobs.h"

#include <commctrl.h>
#include <process.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/job_steps.h"
#include "app/shared_options.h"
#include "app/win/message_text.h"
#include "app/win/program.h"
#include "common/names.h"
#include "engine/driver.h"

namespace vorlax::app {

namespace {

// The progress line's lock: a critical section, which every Windows has.
class LineLock {
public:
    LineLock() { InitializeCriticalSection(&section_); }
    ~LineLock() { DeleteCriticalSection(&section_); }
    LineLock(const LineLock&) = delete;
    LineLock& operator=(const LineLock&) = delete;

    // Holds the lock for the life of the object.
    class Hold {
    public:
        explicit Hold(LineLock& lock) : section_(&lock.section_) { EnterCriticalSection(section_); }
        ~Hold() { LeaveCriticalSection(section_); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        CRITICAL_SECTION* section_;
    };

private:
    CRITICAL_SECTION section_;
};

// The worker and what the two threads share about it.
struct Worker {
    HANDLE thread = nullptr;
    unsigned id = 0;
    // Raised by a confirmed abort or a stream error, cleared by every job.
    std::atomic<bool> abort{false};
    // The main thread wants the worker to hold still while it asks.
    std::atomic<bool> pause{false};
    HANDLE paused = nullptr;   // set by the worker when it holds still
    HANDLE resume = nullptr;   // set by the main thread to let it go on
    // ConfirmAbort is running (its question box pumps messages).
    bool confirming = false;
    // The job is being stopped without asking: the worker shows no more
    // boxes.
    std::atomic<bool> stopping{false};
    // The job state of the editor launch.
    EditorLaunch editor;
    // An interactive job's end is shown by the main window itself: the
    // abort question stopped it and waited for it to end.
    bool interactive = false;
    std::atomic<bool> end_shown_by_window{false};
    // The newest progress line, under its lock, and whether the main
    // window was told.
    LineLock line_lock;
    std::string line;
    std::atomic<bool> line_posted{false};
    // The worker's side: a line not yet told (it came within the quiet
    // time), and when the window was last told.
    bool line_waits = false;
    DWORD told_at = 0;
};

Worker& TheWorker() {
    static Worker worker;
    return worker;
}

void TellWaitingLine();

// Called by the worker between two blocks of input and before its own
// message boxes: tells a progress line that waits, and holds still while the
// main thread asks about an abort.
void PollPause() {
    TellWaitingLine();
    Worker& w = TheWorker();
    if (!w.pause.load()) return;
    SetEvent(w.paused);
    WaitForSingleObject(w.resume, INFINITE);
}

// Waits for one of the handles while handling the messages other threads
// send to this one (a message box the worker shows, owned by the main
// window, sends some); posted messages stay queued. The index of the handle,
// or `count` when `timeout` milliseconds passed first.
DWORD WaitHandlingSentMessages(DWORD count, const HANDLE* handles, DWORD timeout = INFINITE) {
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjects(count, handles, FALSE, timeout, QS_SENDMESSAGE);
        if (r < WAIT_OBJECT_0 + count) return r - WAIT_OBJECT_0;
        if (r == WAIT_TIMEOUT) return count;
        // Every peek handles the sent messages first; PM_NOREMOVE leaves
        // the posted ones. (Filtering the peek to sent messages takes
        // Windows 98 or 2000: Windows 95 and NT 4.0 don't know the flag.)
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    }
}

// The progress line costs the main window a repaint, which costs more than
// the conversion of a small page; so the window is told at most once in a
// quiet time, and then of the newest line. A file that takes longer than
// the quiet time shows its own line, told at the worker's next poll; a line
// still waiting when the job ends is never shown ("完了" comes instead).
constexpr DWORD kProgressQuietTime = 100;  // milliseconds

// Tells the main window of the waiting line once the quiet time is over;
// on the worker's thread. The window reads the newest line when it gets to
// it, so a message already on its way does for this line too.
void TellWaitingLine() {
    Worker& w = TheWorker();
    if (!w.line_waits || GetTickCount() - w.told_at < kProgressQuietTime) return;
    w.line_waits = false;
    w.told_at = GetTickCount();
    if (!w.line_posted.exchange(true)) PostMessageA(TheProgram().main_window, WM_PROGRESSLINE, 0, 0);
}

void PostProgress(const std::string& text) {
    Worker& w = TheWorker();
    {
        LineLock::Hold hold(w.line_lock);
        w.line = text;
    }
    w.line_waits = true;
    TellWaitingLine();
}

// The conversion's reports: message boxes owned by the main window, the
// editor launch with its five-file question.
class WindowReport final : public ConversionReport {
public:
    void OpenFailed(const char* path) override { Show(kOpenFailureFormat, path); }
    void AccessFailed(const char* path) override { Show(kAccessFailureFormat, path); }
    void PathTooLong(const char* input) override { Show(kPathTooLongFormat, input); }
    void BeforeBlock() override { PollPause(); }

    bool OpenInEditor(const char* output) override {
        Program& p = TheProgram();
        EditorLaunch& launch = TheWorker().editor;
        std::string command;
        EditorLaunch::Step step = launch.Next(LoadShared(p.options.SWedit), p.options.Editor, output, command);
        if (step == EditorLaunch::Step::kTooLong) return false;
        if (step == EditorLaunch::Step::kAsk) {
            PollPause();
            const int answer = TheWorker().stopping.load()
                                   ? IDNO
                                   : MessageBoxA(p.main_window,
                                                 "5個のﾌｧｲﾙをｴﾃﾞｨﾀｰで開きました\nこれ以降のﾌｧｲﾙも開きますか?",
                                                 common::kProgramName, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
            step = launch.Answer(answer == IDYES);
        }
        if (step == EditorLaunch::Step::kLaunch) {
            WinExec(command.c_str(), SW_SHOWNORMAL);
            launch.Launched();
        }
        return true;
    }

private:
    static void Show(const char* format, const char* path) {
        PollPause();
        if (TheWorker().stopping.load()) return;
        const std::string text = ComposeMessage(format, PathForMessageBox(path));
        ShowMessage(TheProgram().main_window, text.c_str(), MB_ICONHAND);
    }
};

// The file name the file system reports for a path, or "".
std::string FindLongName(const std::string& path) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    FindClose(search);
    const std::string name = found.cFileName;
    return name.size() < MAX_PATH ? name : std::string();
}

// The program side of a job.
class WorkerHost final : public JobHost {
public:
    void Progress(const std::string& line) override { PostProgress(line); }
    int Convert(const std::string& path) override {
        const Options options = SnapshotOptions(TheProgram().options);
        return FileConversion(options, TheWorker().abort, report_).ConvertFile(path.c_str());
    }
    void Refuse(const std::string& path) override { report_.OpenFailed(path.c_str()); }
    std::string LongName(const std::string& path) override { return FindLongName(path); }
    void OpenLaterOutputsInEditor() override { StoreShared(TheProgram().options.SWedit, 1); }

private:
    WindowReport report_;
};

// The end of an interactive job, told to the main window unless it shows
// the end itself.
void TellJobEnd(HWND window) {
    if (!TheWorker().end_shown_by_window.load()) PostMessageA(window, WM_JOBSTATE, 0, 1);
}

// The start of every job.
void BeginJob(HWND window) {
    Worker& w = TheWorker();
    w.editor.Reset();
    w.stopping.store(false);
    w.abort.store(false);
    // The job's first line is shown at once.
    w.line_waits = false;
    w.told_at = GetTickCount() - kProgressQuietTime;
    PostMessageA(window, WM_JOBSTATE, 0, 0);
}

unsigned __stdcall OpenDialogJob(void*) {
    HWND window = TheProgram().main_window;
    BeginJob(window);
    const std::vector<std::string> strings = SelectionStrings(TheProgram().names, kNameBufferSize);
    if (!strings.empty()) {
        // A folder first means a folder and names; a root folder cannot be
        // looked up, and is told by the names that follow it.
        bool folder;
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA(strings[0].c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        } else {
            folder = SelectionLooksLikeFolder(strings);
        }
        WorkerHost host;
        RunSelection(strings, folder, host);
    }
    TellJobEnd(window);
    return 1;
}

unsigned __stdcall DropJob(void* argument) {
    HDROP drop = static_cast<HDROP>(argument);
    HWND window = TheProgram().main_window;
    BeginJob(window);
    // Every path whole, however long: one the platform cannot take is
    // refused, never cut to a name the user did not choose.
    std::vector<std::string> paths;
    const UINT total = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < total; ++i) {
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        std::string path(length + 1, '\0');
        DragQueryFileA(drop, i, path.data(), length + 1);
        path.resize(std::strlen(path.c_str()));
        paths.push_back(path);
    }
    WorkerHost host;
    RunDroppedPaths(paths, host);
    DragFinish(drop);
    TellJobEnd(window);
    return 1;
}

unsigned __stdcall CommandLineJob(void* argument) {
    HWND window = static_cast<HWND>(argument);
    BeginJob(window);
    const std::vector<std::string>& argv = TheProgram().argv;
    WorkerHost host;
    if (IsListForm(argv)) {
        if (std::FILE* list = std::fopen(argv[2].c_str(), "r")) {
            RunListFile(list, host);
            std::fclose(list);
            DeleteFileA(argv[2].c_str());
        }
    } else {
        RunPathArguments(std::vector<std::string>(argv.begin() + 1, argv.end()), host);
    }
    PostMessageA(window, WM_CMDLINEDONE, 0, 0);
    return 1;
}

// Starts the worker; false when it could not be started.
bool Start(unsigned(__stdcall* job)(void*), void* argument, bool interactive) {
    Worker& w = TheWorker();
    if (w.thread) return false;  // one worker at a time, whatever asks
    w.interactive = interactive;
    w.end_shown_by_window.store(false);
    if (!w.paused) w.paused = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!w.resume) w.resume = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const uintptr_t thread = _beginthreadex(nullptr, 0, job, argument, 0, &w.id);
    if (!thread) return false;
    w.thread = reinterpret_cast<HANDLE>(thread);
    TheProgram().control.JobStarted();
    return true;
}

void ForgetWorker() {
    Worker& w = TheWorker();
    CloseHandle(w.thread);
    w.thread = nullptr;
    w.id = 0;
    TheProgram().control.WorkerForgotten();
}

// Answers a box of the worker as its user would to let the job go: No where
// there is No (the five-file question), otherwise OK.
BOOL CALLBACK AnswerWorkerBox(HWND window, LPARAM) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0) return TRUE;
    const int button = GetDlgItem(window, IDNO) ? IDNO : IDOK;
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
    return TRUE;
}

}  // namespace

void StartOpenDialogJob() { Start(OpenDialogJob, nullptr, true); }

void StartDropJob(HDROP drop) {
    if (!Start(DropJob, drop, true)) DragFinish(drop);
}

void StartCommandLineJob(HWND main_window) {
    if (!Start(CommandLineJob, main_window, false)) PostMessageA(main_window, WM_CMDLINEDONE, 0, 0);
}

int ConfirmAbort() {
    Worker& w = TheWorker();
    if (!w.thread) return 1;
    // Its question box pumps messages; a second request meanwhile waits.
    if (w.confirming) return 0;
    DWORD code = 0;
    if (GetExitCodeThread(w.thread, &code) && code == STILL_ACTIVE) {
        JobControl& control = TheProgram().control;
        w.confirming = true;
        control.AskOpened();
        SyncDrops();
        // The worker holds still at its next poll, outside any lock of the
        // runtime, so that the question can be asked safely.
        ResetEvent(w.paused);
        ResetEvent(w.resume);
        w.pause.store(true);
        const HANDLE handles[2] = {w.paused, w.thread};
        const DWORD which = WaitHandlingSentMessages(2, handles);
        w.pause.store(false);
        // A job that has ended, or is ending already (a stream error, or
        // stopped meanwhile), is not asked about.
        bool stop = true;
        if (which == 0 && !w.abort.load()) {
            const int answer = ShowMessage(TheProgram().main_window, "変換処理中です\n変換を中止しますか？",
                                           MB_YESNO | MB_ICONQUESTION);
            stop = answer == IDYES;
        }
        // A worker stopped while it held still has its end shown here, once
        // it has ended, not by its last message: under Wine that message,
        // posted as the thread ends while this thread waits for it, was
        // seen to go astray, leaving the window busy for good.
        const bool show_end = stop && which == 0 && w.interactive;
        if (show_end) w.end_shown_by_window.store(true);
        if (stop) w.abort.store(true);
        SetEvent(w.resume);
        if (stop) WaitHandlingSentMessages(1, &w.thread);
        w.confirming = false;
        control.AskClosed();
        SyncDrops();
        if (!stop) return 0;
        ForgetWorker();
        if (show_end) SendMessageA(TheProgram().main_window, WM_JOBSTATE, 0, 1);
        return 1;
    }
    ForgetWorker();
    return 1;
}

void StopWorker() {
    Worker& w = TheWorker();
    if (!w.thread) return;
    w.stopping.store(true);
    w.abort.store(true);
    // A worker held still for the question goes on, to its end.
    SetEvent(w.resume);
    while (WaitHandlingSentMessages(1, &w.thread, 100) != 0) EnumThreadWindows(w.id, AnswerWorkerBox, 0);
    // A question under way forgets the worker when it is answered.
    if (!w.confirming) ForgetWorker();
}

void WaitForWorker() {
    Worker& w = TheWorker();
    if (!w.thread) return;
    DWORD code = 0;
    if (GetExitCodeThread(w.thread, &code) && code == STILL_ACTIVE) WaitHandlingSentMessages(1, &w.thread);
    ForgetWorker();
}

void ShowPendingProgress(HWND status_bar) {
    Worker& w = TheWorker();
    w.line_posted.store(false);
    std::string text;
    {
        LineLock::Hold hold(w.line_lock);
        text = w.line;
    }
    SendMessageA(status_bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace vorlax::app
