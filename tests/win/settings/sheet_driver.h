// A small driver for Vorlax.exe's settings sheet under Wine: starting the
// program, finding its windows, reading and setting controls of another
// process, the option key in the registry, screenshots.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace settings_test {

// Failures are collected, not thrown: a scenario goes on and reports them all.
void Fail(const std::string& what);
int FailureCount();

#define EXPECT_SAME(got, expected, what)                                        \
    do {                                                                        \
        const auto& got_ = (got);                                               \
        const auto& expected_ = (expected);                                     \
        if (!(got_ == expected_))                                               \
            ::settings_test::Fail(std::string(what) + ": got " + ::settings_test::Show(got_) + \
                                  ", expected " + ::settings_test::Show(expected_));            \
    } while (0)

std::string Show(const std::string& s);
std::string Show(bool b);
inline std::string Show(const char* s) { return Show(std::string(s)); }
template <class Number>
std::string Show(Number n) {
    return std::to_string(n);
}

// Waits up to `ms` for `ready`, checking every 20 ms.
template <class Ready>
bool WaitFor(Ready ready, DWORD ms = 15000) {
    for (DWORD waited = 0;; waited += 20) {
        if (ready()) return true;
        if (waited >= ms) return false;
        Sleep(20);
    }
}

// The option key HKCU\Software\Zel\Vorlax\option as name -> "type:value".
using OptionDump = std::map<std::string, std::string>;
OptionDump DumpOptions();
std::string DwordEntry(long value);
std::string StringEntry(const std::string& text, DWORD type = REG_SZ);
// Deletes the whole settings key.
void ClearSettings();
void SetOption(const std::string& name, DWORD type, const void* data, DWORD size);
void SetDword(const std::string& name, DWORD value);
void SetString(const std::string& name, const std::string& text, DWORD type = REG_SZ);
bool KeyExists(HKEY root, const char* path);

// A running Vorlax.exe.
class Vorlax {
public:
    explicit Vorlax(const std::string& program);
    ~Vorlax();
    bool started() const { return main_ != nullptr; }
    HWND main() const { return main_; }
    HANDLE process() const { return info_.hProcess; }
    DWORD id() const { return info_.dwProcessId; }
    // A visible top-level window of the program with this title, or null.
    HWND FindTopLevel(const std::string& title) const;
    HWND WaitTopLevel(const std::string& title, DWORD ms = 15000) const;
    // A visible dialog of the program other than `known` and the main window.
    HWND FindDialogBesides(HWND known) const;
    // Ends the program through its exit command.
    void Exit();

private:
    PROCESS_INFORMATION info_ = {};
    HWND main_ = nullptr;
};

// Controls of another process.
std::string Text(HWND window);
void SetText(HWND window, const std::string& text);
bool Checked(HWND button);
void Click(HWND button);       // sent: returns when the click is handled
void PostClick(HWND button);   // posted: for a click that opens a modal dialog
std::string ClassOf(HWND window);
// The child with this id of `parent` (any depth is not searched), or null.
HWND Child(HWND parent, int id);

// A buffer in another process's memory, for messages that pass pointers.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, SIZE_T size);
    ~RemoteBuffer();
    char* address() const { return static_cast<char*>(remote_); }
    void Write(SIZE_T offset, const void* data, SIZE_T size);
    std::vector<char> Read() const;

private:
    HANDLE process_;
    SIZE_T size_;
    void* remote_;
};

// Writes the window's screen image as a 24-bit BMP.
bool SaveScreenshot(HWND window, const std::string& path);

}  // namespace settings_test
