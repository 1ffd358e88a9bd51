// What the Windows GUI tests use to drive the real programs under Wine:
// processes, their windows and message boxes, files, the registry, and
// screenshots.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorlax::wintest {

// The folder of the running test program, with its trailing "\".
std::string ProgramFolder();

// Polls `done` every 20 ms for at most `ms` milliseconds.
bool WaitUntil(const std::function<bool()>& done, int ms = 10000);

// A started program; ended (killed) when it goes, if it still runs.
class Process {
public:
    Process() = default;
    Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    ~Process();

    DWORD id() const { return id_; }
    bool Running() const;
    // The exit code, or STILL_ACTIVE when it has not ended within `ms`.
    DWORD Wait(int ms = 20000);
    void Kill();

private:
    HANDLE handle_ = nullptr;
    DWORD id_ = 0;
};

// Starts a command line in `folder` (the test's own when empty).
Process Start(const std::string& command_line, const std::string& folder = "");

// Runs a command line to its end (at most `ms`), its standard output into
// `output` (its errors go to the test's own); the exit code, or STILL_ACTIVE
// when it had to be ended.
DWORD RunCapturing(const std::string& command_line, std::string& output, int ms = 120000);

// Vorlax.exe beside the test program, quoted, followed by `arguments`.
std::string VorlaxCommand(const std::string& arguments = "");

// A visible top-level window of the process with this class and title.
HWND FindTopWindow(DWORD pid, const char* window_class, const char* title);
HWND WaitForTopWindow(DWORD pid, const char* window_class, const char* title, int ms = 10000);
// How many visible top-level windows the process has.
int VisibleTopWindows(DWORD pid);
// The main window of a Vorlax.exe process.
HWND WaitForMainWindow(const Process& process, int ms = 10000);

// A message box of the process: its window and its text.
struct MessageBoxSeen {
    HWND window = nullptr;
    std::string text;
};
std::optional<MessageBoxSeen> WaitForMessageBox(DWORD pid, int ms = 10000, const char* title = "Vorlax");
// Whether the process shows a message box right now.
bool ShowsMessageBox(DWORD pid, const char* title = "Vorlax");
// Presses a button (IDOK, IDYES, IDNO, ...) of a dialog or message box.
void Press(HWND dialog, int button_id);

std::string WindowText(HWND window);
// Part 0 of the main window's status bar.
std::string StatusText(HWND main_window);
void PostCommand(HWND window, int id);

// Controls of another process.
void SetText(HWND window, const std::string& text);
bool Checked(HWND button);
void Click(HWND button);      // sent: returns when the click is handled
void PostClick(HWND button);  // posted: for a click that opens a modal dialog
std::string ClassOf(HWND window);

// A buffer in another process's memory, for messages that pass pointers.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, SIZE_T size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    char* address() const { return static_cast<char*>(remote_); }
    void Write(SIZE_T offset, const void* data, SIZE_T size);
    std::vector<char> Read() const;

private:
    HANDLE process_;
    SIZE_T size_;
    void* remote_;
};

// A running Vorlax.exe (the one beside the test program unless another is
// named) with its main window; ended through its exit command when it goes.
class VorlaxProgram {
public:
    explicit VorlaxProgram(const std::string& program = ProgramFolder() + "Vorlax.exe");
    ~VorlaxProgram();
    VorlaxProgram(const VorlaxProgram&) = delete;
    VorlaxProgram& operator=(const VorlaxProgram&) = delete;
    HWND main() const { return main_; }
    DWORD id() const { return process_.id(); }
    // The process with every right, for memory and threads in it.
    HANDLE handle() const { return handle_; }
    Process& process() { return process_; }
    HWND WaitDialog(const char* title, int ms = 15000) const { return WaitForTopWindow(id(), "#32770", title, ms); }
    // A visible dialog of the program other than `known`, or null.
    HWND FindDialogBesides(HWND known) const;
    // Ends the program through its exit command; its exit code, or
    // STILL_ACTIVE when it has not ended within `ms`.
    DWORD Exit(int ms = 20000);

private:
    Process process_;
    HANDLE handle_ = nullptr;
    HWND main_ = nullptr;
};

// The settings sheet of a running Vorlax.exe, opened by its menu command;
// cancelled when it goes, if still open.
class SettingsSheet {
public:
    explicit SettingsSheet(const VorlaxProgram& program);
    ~SettingsSheet();
    SettingsSheet(const SettingsSheet&) = delete;
    SettingsSheet& operator=(const SettingsSheet&) = delete;
    bool open() const { return window_ != nullptr; }
    HWND window() const { return window_; }
    // Shows the page (from 0) and gives its window.
    HWND Page(int index);
    // Presses a button of the sheet (PSBTN_OK, PSBTN_CANCEL) and goes on:
    // for a press that brings a message box first.
    void Press(int button);
    // Waits until the sheet has closed; false when it stayed open.
    bool WaitClosed(int ms = 10000);
    bool Ok() { return PressAndWait(PSBTN_OK); }
    bool Cancel() { return PressAndWait(PSBTN_CANCEL); }
    bool CloseBox();

private:
    bool PressAndWait(int button);
    HWND window_ = nullptr;
};

// Types each entry into a file dialog's name box and confirms it (a folder
// first takes the dialog there); whether the dialog then closed.
bool ChooseInFileDialog(HWND dialog, const std::vector<std::string>& entries);

// A message sent from a thread of its own, so that the caller can answer
// the boxes the receiver shows before it returns (as the system sends
// WM_QUERYENDSESSION and WM_ENDSESSION). The send gives up after a minute.
class SentMessage {
public:
    SentMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    ~SentMessage();
    SentMessage(const SentMessage&) = delete;
    SentMessage& operator=(const SentMessage&) = delete;
    // Whether the receiver returned within `ms` milliseconds.
    bool Wait(int ms = 20000);
    // What it returned (after Wait gave true).
    LRESULT result() const { return result_; }

private:
    static DWORD WINAPI Send(void* self);
    HWND window_;
    UINT message_;
    WPARAM wparam_;
    LPARAM lparam_;
    LRESULT result_ = 0;
    HANDLE thread_ = nullptr;
};
bool IsTopmost(HWND window);
RECT WindowRect(HWND window);

// Files, by CP932 path; a path of MAX_PATH bytes or more goes through the
// wide functions, so a test can make what the ANSI ones cannot reach.
void MakeFolders(const std::string& path);
void RemoveTree(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
std::optional<std::string> ReadBytes(const std::string& path);
bool Exists(const std::string& path);
// The names in a folder, sorted, without "." and "..".
std::vector<std::string> ListFolder(const std::string& folder);

// The settings under HKEY_CURRENT_USER\Software\Zel\Vorlax.
struct RegValue {
    DWORD type = 0;
    std::string bytes;
};
void ClearSettings();
std::map<std::string, RegValue> SettingValues(const char* subkey);
std::optional<RegValue> SettingValue(const char* subkey, const char* name);
void SetSetting(const char* subkey, const char* name, DWORD type, const std::string& bytes);
std::string DwordBytes(DWORD value);
std::string SzBytes(const std::string& text);

// Any key and value, by CP932 path.
std::optional<RegValue> ValueAt(HKEY root, const std::string& key, const char* name);
bool KeyExists(HKEY root, const std::string& key);
void SetString(HKEY root, const std::string& key, const char* name, const std::string& value);
// The key and everything below it.
void DeleteTree(HKEY root, const std::string& key);

// Drops files onto the main window from the X side (the XDND protocol, as
// a file manager does), with the tool named by VORLAX_XDND (a Unix path).
// The tool's exit status: 0 dropped, 3 refused; -1 when there is no tool.
int DropFiles(const std::vector<std::string>& paths);
bool CanDropFiles();

// Points a class's "open" verb (HKEY_CLASSES_ROOT\<key>\shell\open\command)
// at the editor stub beside the test program for the object's time.
class OpenVerbOverride {
public:
    explicit OpenVerbOverride(const std::string& key);
    ~OpenVerbOverride();
    OpenVerbOverride(const OpenVerbOverride&) = delete;
    OpenVerbOverride& operator=(const OpenVerbOverride&) = delete;

private:
    std::string Path() const { return key_ + "\\shell\\open\\command"; }
    std::optional<std::string> Read() const;
    void Write(const std::string& command) const;
    std::string key_;
    std::optional<std::string> backup_;
};

// The class of ".txt", made "txtfile" when the prefix has none.
std::string TextFileClass();

// Saves the screen area of a window (the whole screen for null) as a BMP.
bool SaveScreenshot(HWND window, const std::string& bmp_path);
// The folder named by VORLAX_SCREENSHOTS, or "" when screenshots are off.
std::string ScreenshotFolder();

}  // namespace vorlax::wintest
