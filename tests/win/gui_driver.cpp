// The Windows GUI tests' driver: everything goes through the real Win32
// API, the programs under test are real processes.
#include "tests/win/gui_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "resources/resource.h"

namespace vorlax::wintest {

std::string ProgramFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder.resize(folder.find_last_of('\\') + 1);
    return folder;
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (static_cast<int>(GetTickCount() - start) >= ms) return false;
        Sleep(20);
    }
}

Process::Process(Process&& other) noexcept : handle_(other.handle_), id_(other.id_) {
    other.handle_ = nullptr;
    other.id_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Kill();
        handle_ = other.handle_;
        id_ = other.id_;
        other.handle_ = nullptr;
        other.id_ = 0;
    }
    return *this;
}

Process::~Process() { Kill(); }

bool Process::Running() const {
    DWORD code = 0;
    return handle_ && GetExitCodeProcess(handle_, &code) && code == STILL_ACTIVE;
}

DWORD Process::Wait(int ms) {
    if (!handle_) return STILL_ACTIVE;
    if (WaitForSingleObject(handle_, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(handle_, &code);
    return code;
}

void Process::Kill() {
    if (!handle_) return;
    if (Running()) {
        TerminateProcess(handle_, 99);
        WaitForSingleObject(handle_, 5000);
    }
    CloseHandle(handle_);
    handle_ = nullptr;
}

Process Start(const std::string& command_line, const std::string& folder) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string line = command_line;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", command_line.c_str(), GetLastError());
        return {};
    }
    CloseHandle(pi.hThread);
    return Process(pi.hProcess, pi.dwProcessId);
}

DWORD RunCapturing(const std::string& command_line, std::string& output, int ms) {
    output.clear();
    char folder[MAX_PATH] = "", file[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "out", 0, file);
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    const HANDLE out = CreateFileA(file, GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    const HANDLE in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING,
                                  0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::string line = command_line;
    const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(in);
    CloseHandle(out);
    DWORD code = STILL_ACTIVE;
    if (started) {
        CloseHandle(pi.hThread);
        Process process(pi.hProcess, pi.dwProcessId);
        code = process.Wait(ms);
    } else {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", command_line.c_str(), GetLastError());
    }
    output = ReadBytes(file).value_or("");
    DeleteFileA(file);
    return code;
}

std::string VorlaxCommand(const std::string& arguments) {
    std::string line = "\"" + ProgramFolder() + "Vorlax.exe\"";
    if (!arguments.empty()) line += " " + arguments;
    return line;
}

namespace {

struct Search {
    DWORD pid;
    const char* window_class;
    const char* title;  // null: any
    HWND besides;       // a window passed over
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND window, LPARAM lparam) {
    Search& s = *reinterpret_cast<Search*>(lparam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != s.pid || window == s.besides || !IsWindowVisible(window)) return TRUE;
    if (lstrcmpiA(ClassOf(window).c_str(), s.window_class) != 0) return TRUE;
    if (s.title && WindowText(window) != s.title) return TRUE;
    s.found = window;
    return FALSE;
}

HWND FindTop(const Search& search) {
    Search s = search;
    EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

struct Count {
    DWORD pid;
    int n;
};

BOOL CALLBACK CountTopWindow(HWND window, LPARAM lparam) {
    Count& c = *reinterpret_cast<Count*>(lparam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == c.pid && IsWindowVisible(window)) ++c.n;
    return TRUE;
}

}  // namespace

int VisibleTopWindows(DWORD pid) {
    Count c{pid, 0};
    EnumWindows(CountTopWindow, reinterpret_cast<LPARAM>(&c));
    return c.n;
}

HWND FindTopWindow(DWORD pid, const char* window_class, const char* title) {
    return FindTop({pid, window_class, title, nullptr, nullptr});
}

HWND WaitForTopWindow(DWORD pid, const char* window_class, const char* title, int ms) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(pid, window_class, title)) != nullptr; }, ms);
    return found;
}

HWND WaitForMainWindow(const Process& process, int ms) {
    return WaitForTopWindow(process.id(), "VorlaxClass", "Vorlax", ms);
}

std::optional<MessageBoxSeen> WaitForMessageBox(DWORD pid, int ms, const char* title) {
    HWND box = WaitForTopWindow(pid, "#32770", title, ms);
    if (!box) return std::nullopt;
    // The text is set when the box is created; wait until it is there.
    MessageBoxSeen seen{box, {}};
    WaitUntil([&] { return !(seen.text = WindowText(GetDlgItem(box, 0xFFFF))).empty(); }, 2000);
    return seen;
}

bool ShowsMessageBox(DWORD pid, const char* title) { return FindTopWindow(pid, "#32770", title) != nullptr; }

void Press(HWND dialog, int button_id) {
    HWND button = GetDlgItem(dialog, button_id);
    DWORD_PTR ignored;
    SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}

std::string WindowText(HWND window) {
    char text[4096] = "";
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        &length);
    return text;
}

std::string StatusText(HWND main_window) { return WindowText(GetDlgItem(main_window, 1030)); }

void PostCommand(HWND window, int id) { PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void SetText(HWND window, const std::string& text) {
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                        &ignored);
}

bool Checked(HWND button) {
    DWORD_PTR state = 0;
    SendMessageTimeoutA(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return state == BST_CHECKED;
}

void Click(HWND button) {
    DWORD_PTR ignored;
    SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}

void PostClick(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

std::string ClassOf(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

RemoteBuffer::RemoteBuffer(HANDLE process, SIZE_T size)
    : process_(process),
      size_(size),
      remote_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
    if (!remote_) ADD_FAILURE() << "cannot allocate memory in the program";
}

RemoteBuffer::~RemoteBuffer() {
    if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
}

void RemoteBuffer::Write(SIZE_T offset, const void* data, SIZE_T size) {
    WriteProcessMemory(process_, address() + offset, data, size, nullptr);
}

std::vector<char> RemoteBuffer::Read() const {
    std::vector<char> out(size_);
    ReadProcessMemory(process_, remote_, out.data(), size_, nullptr);
    return out;
}

VorlaxProgram::VorlaxProgram(const std::string& program) : process_(Start("\"" + program + "\"")) {
    handle_ = OpenProcess(PROCESS_ALL_ACCESS, FALSE, process_.id());
    main_ = WaitForMainWindow(process_, 15000);
    if (!main_) ADD_FAILURE() << "the main window did not appear";
}

VorlaxProgram::~VorlaxProgram() {
    if (process_.Running() && Exit() == STILL_ACTIVE) ADD_FAILURE() << "Vorlax did not end";
    if (handle_) CloseHandle(handle_);
}

DWORD VorlaxProgram::Exit(int ms) {
    if (main_) PostCommand(main_, IDM_EXIT);
    main_ = nullptr;
    return process_.Wait(ms);
}

HWND VorlaxProgram::FindDialogBesides(HWND known) const { return FindTop({id(), "#32770", nullptr, known, nullptr}); }

SettingsSheet::SettingsSheet(const VorlaxProgram& program) {
    if (!program.main()) return;
    PostCommand(program.main(), IDM_SETTINGS);
    window_ = program.WaitDialog("Vorlax - 設定");
    if (!window_) ADD_FAILURE() << "the settings sheet did not open";
}

SettingsSheet::~SettingsSheet() {
    if (window_ && IsWindow(window_)) Cancel();
}

HWND SettingsSheet::Page(int index) {
    DWORD_PTR page = 0;
    SendMessageTimeoutA(window_, PSM_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG, 5000, &page);
    SendMessageTimeoutA(window_, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 5000, &page);
    return reinterpret_cast<HWND>(page);
}

void SettingsSheet::Press(int button) {
    PostMessageA(window_, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    PostMessageA(window_, WM_NULL, 0, 0);
}

bool SettingsSheet::WaitClosed(int ms) {
    // The sheet's loop looks at its end only after a message of its own
    // queue; a button pressed from outside brings none.
    const bool closed = WaitUntil(
        [&] {
            PostMessageA(window_, WM_NULL, 0, 0);
            return !IsWindow(window_);
        },
        ms);
    if (!closed) ADD_FAILURE() << "the settings sheet did not close";
    window_ = nullptr;
    return closed;
}

bool SettingsSheet::PressAndWait(int button) {
    Press(button);
    return WaitClosed();
}

bool SettingsSheet::CloseBox() {
    PostMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    return WaitClosed();
}

bool ChooseInFileDialog(HWND dialog, const std::vector<std::string>& entries) {
    HWND name_box = GetDlgItem(dialog, 0x47C);  // the file name combo box
    if (!name_box) name_box = GetDlgItem(dialog, 0x480);
    if (!name_box) {
        ADD_FAILURE() << "no file name box";
        return false;
    }
    for (const std::string& text : entries) {
        SetText(name_box, text);
        Press(dialog, IDOK);
        Sleep(100);
    }
    const bool closed = WaitUntil([&] { return !IsWindow(dialog); });
    if (!closed) SaveScreenshot(nullptr, "C:\\vt\\file-dialog-failed.bmp");
    return closed;
}

SentMessage::SentMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
    : window_(window), message_(message), wparam_(wparam), lparam_(lparam) {
    thread_ = CreateThread(nullptr, 0, Send, this, 0, nullptr);
}

SentMessage::~SentMessage() {
    if (!thread_) return;
    // The send gives up after a minute; the thread must be done before
    // this object goes.
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
}

DWORD WINAPI SentMessage::Send(void* self) {
    SentMessage& s = *static_cast<SentMessage*>(self);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(s.window_, s.message_, s.wparam_, s.lparam_, SMTO_NORMAL, 60000, &result);
    s.result_ = static_cast<LRESULT>(result);
    return 0;
}

bool SentMessage::Wait(int ms) { return thread_ && WaitForSingleObject(thread_, ms) == WAIT_OBJECT_0; }

bool IsTopmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

RECT WindowRect(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

namespace {

// A folder name of 248 bytes or more (MAX_PATH less room for an 8.3 name) is
// out of the ANSI functions' reach.
bool TooLongForAnsi(const std::string& path) { return path.size() >= MAX_PATH - 12; }

// The wide form of a CP932 path; one that starts with a drive ("C:\\") gets
// the prefix that lifts the length limit.
std::wstring LongPath(const std::string& path) {
    const int n = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), n);
    const bool drive = wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\';
    return drive ? L"\\\\?\\" + wide : wide;
}

void RemoveTreeW(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTreeW(child);
            else DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path.c_str());
}

}  // namespace

void MakeFolders(const std::string& path) {
    for (std::size_t i = 3; i <= path.size(); ++i) {
        if (i != path.size() && path[i] != '\\') continue;
        const std::string folder = path.substr(0, i);
        if (TooLongForAnsi(folder)) CreateDirectoryW(LongPath(folder).c_str(), nullptr);
        else CreateDirectoryA(folder.c_str(), nullptr);
    }
}

// Wide all the way down: a tree may hold paths the ANSI functions cannot reach.
void RemoveTree(const std::string& path) { RemoveTreeW(LongPath(path)); }

void WriteBytes(const std::string& path, const std::string& bytes) {
    const HANDLE file =
        path.size() >= MAX_PATH
            ? CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)
            : CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::optional<std::string> ReadBytes(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char block[65536];
    DWORD got = 0;
    while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) bytes.append(block, got);
    CloseHandle(file);
    return bytes;
}

bool Exists(const std::string& path) {
    if (path.size() >= MAX_PATH) return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

std::string SettingsPath(const char* subkey) {
    std::string path = "Software\\Zel\\Vorlax";
    if (subkey) path += std::string("\\") + subkey;
    return path;
}

}  // namespace

void ClearSettings() { DeleteTree(HKEY_CURRENT_USER, SettingsPath(nullptr)); }

std::map<std::string, RegValue> SettingValues(const char* subkey) {
    std::map<std::string, RegValue> values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsPath(subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD name_size = sizeof name, type = 0, size = 0;
        BYTE data[2048];
        size = sizeof data;
        if (RegEnumValueA(key, i, name, &name_size, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        values[name] = RegValue{type, std::string(reinterpret_cast<char*>(data), size)};
    }
    RegCloseKey(key);
    return values;
}

std::optional<RegValue> SettingValue(const char* subkey, const char* name) {
    const auto values = SettingValues(subkey);
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

void SetSetting(const char* subkey, const char* name, DWORD type, const std::string& bytes) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsPath(subkey).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

std::optional<RegValue> ValueAt(HKEY root, const std::string& key, const char* name) {
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return std::nullopt;
    BYTE data[4096];
    DWORD type = 0, size = sizeof data;
    const LONG result = RegQueryValueExA(handle, name, nullptr, &type, data, &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS) return std::nullopt;
    return RegValue{type, std::string(reinterpret_cast<char*>(data), size)};
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

void SetString(HKEY root, const std::string& key, const char* name, const std::string& value) {
    HKEY handle;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

void DeleteTree(HKEY root, const std::string& key) {
    RegDeleteTreeA(root, key.c_str());
    RegDeleteKeyA(root, key.c_str());
}

std::string DwordBytes(DWORD value) { return std::string(reinterpret_cast<const char*>(&value), 4); }
std::string SzBytes(const std::string& text) { return text + '\0'; }

namespace {

std::string XdndTool() {
    char path[MAX_PATH] = "";
    const DWORD n = GetEnvironmentVariableA("VORLAX_XDND", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::string tool = std::string("Z:") + path;
    std::replace(tool.begin(), tool.end(), '/', '\\');
    return tool;
}

}  // namespace

bool CanDropFiles() { return !XdndTool().empty(); }

int DropFiles(const std::vector<std::string>& paths) {
    const std::string tool = XdndTool();
    if (tool.empty()) return -1;
    // A Unix program started from here gives no handle to wait on: it
    // writes its exit status into a file when it ends.
    const std::string status_unix = "/tmp/vorlax-xdnd-" + std::to_string(GetCurrentProcessId()) + ".status";
    std::string status = "Z:" + status_unix;
    std::replace(status.begin(), status.end(), '/', '\\');
    DeleteFileA(status.c_str());
    std::string line = "\"" + tool + "\" --timeout 20 --status-file " + status_unix + " --name ^Vorlax$";
    for (const std::string& path : paths) line += " \"" + path + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    std::optional<std::string> result;
    WaitUntil([&] { return (result = ReadBytes(status)).has_value(); }, 30000);
    DeleteFileA(status.c_str());
    return result ? std::atoi(result->c_str()) : -1;
}

OpenVerbOverride::OpenVerbOverride(const std::string& key) : key_(key) {
    backup_ = Read();
    Write("\"" + ProgramFolder() + "editor_stub.exe\" \"%1\"");
}

OpenVerbOverride::~OpenVerbOverride() {
    if (backup_) Write(*backup_);
}

std::optional<std::string> OpenVerbOverride::Read() const {
    char value[1024] = "";
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, Path().c_str(), value, &size) != ERROR_SUCCESS) return std::nullopt;
    return std::string(value);
}

void OpenVerbOverride::Write(const std::string& command) const {
    RegSetValueA(HKEY_CLASSES_ROOT, Path().c_str(), REG_SZ, command.c_str(), static_cast<DWORD>(command.size()));
}

std::string TextFileClass() {
    char txt_class[256] = "";
    LONG size = sizeof txt_class;
    RegQueryValueA(HKEY_CLASSES_ROOT, ".txt", txt_class, &size);
    if (!*txt_class) {
        RegSetValueA(HKEY_CLASSES_ROOT, ".txt", REG_SZ, "txtfile", 7);
        lstrcpyA(txt_class, "txtfile");
    }
    return txt_class;
}

bool SaveScreenshot(HWND window, const std::string& bmp_path) {
    RECT r;
    if (window) {
        GetWindowRect(window, &r);
    } else {
        r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((w * 3 + 3) / 4) * 4, image = stride * h;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + image;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    bytes.append(static_cast<const char*>(bits), image);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    WriteBytes(bmp_path, bytes);
    return true;
}

std::string ScreenshotFolder() {
    char folder[MAX_PATH] = "";
    const DWORD n = GetEnvironmentVariableA("VORLAX_SCREENSHOTS", folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::string path = folder;
    if (path.back() != '\\') path += '\\';
    return path;
}

}  // namespace vorlax::wintest
