// What the settings driver adds to the shared GUI driver: failures collected
// per scenario, the option key as comparable text, controls and memory of
// another process.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "tests/win/gui_driver.h"

namespace settings_test {

using namespace vorlax::wintest;

// Failures are collected, not thrown: a scenario goes on and reports them all.
void Fail(const std::string& what);
int FailureCount();

#define EXPECT_SAME(got, expected, what)                                                        \
    do {                                                                                        \
        const auto& got_ = (got);                                                               \
        const auto& expected_ = (expected);                                                     \
        if (!(got_ == expected_))                                                               \
            ::settings_test::Fail(std::string(what) + ": got " + ::settings_test::Show(got_) + \
                                  ", expected " + ::settings_test::Show(expected_));            \
    } while (0)

std::string Show(const std::string& s);
std::string Show(bool b);
inline std::string Show(const char* s) { return Show(std::string(s)); }
std::string Show(const std::vector<std::string>& lines);
template <class Number>
std::string Show(Number n) {
    return std::to_string(n);
}

// The option key HKCU\Software\Zel\Vorlax\option as name -> "dword:N",
// "sz:text" or "expand_sz:text".
using OptionDump = std::map<std::string, std::string>;
OptionDump DumpOptions();
std::string DwordEntry(long value);
std::string StringEntry(const std::string& text);
// Replaces the settings with exactly these option values.
void WriteOptions(const OptionDump& values);

// Whether a registry key can be opened.
bool KeyExists(HKEY root, const char* path);

// A running Vorlax.exe with its main window.
class Vorlax {
public:
    Vorlax();
    ~Vorlax();
    bool started() const { return main_ != nullptr; }
    HWND main() const { return main_; }
    HANDLE handle() const { return handle_; }
    DWORD id() const { return process_.id(); }
    HWND WaitDialog(const char* title, int ms = 15000) const { return WaitForTopWindow(id(), "#32770", title, ms); }
    // A visible dialog of the program other than `known`, or null.
    HWND FindDialogBesides(HWND known) const;
    // Ends the program through its exit command.
    void Exit();

private:
    Process process_;
    HANDLE handle_ = nullptr;
    HWND main_ = nullptr;
};

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
    char* address() const { return static_cast<char*>(remote_); }
    void Write(SIZE_T offset, const void* data, SIZE_T size);
    std::vector<char> Read() const;

private:
    HANDLE process_;
    SIZE_T size_;
    void* remote_;
};

}  // namespace settings_test
