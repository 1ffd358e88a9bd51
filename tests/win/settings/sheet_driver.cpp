#include "sheet_driver.h"

#include <cstdio>
#include <cstring>

namespace settings_test {

namespace {

int failures = 0;
constexpr char kOptionKey[] = "Software\\Zel\\Vorlax\\option";

}  // namespace

void Fail(const std::string& what) {
    ++failures;
    std::printf("    FAILED: %s\n", what.c_str());
    std::fflush(stdout);
}

int FailureCount() { return failures; }

std::string Show(const std::string& s) { return '"' + s + '"'; }
std::string Show(bool b) { return b ? "true" : "false"; }

OptionDump DumpOptions() {
    OptionDump dump;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptionKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return dump;
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[1024];
        DWORD name_size = sizeof name, data_size = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &name_size, nullptr, &type, data, &data_size) != ERROR_SUCCESS) break;
        if (type == REG_DWORD && data_size == 4) {
            long value;
            std::memcpy(&value, data, 4);
            dump[name] = DwordEntry(value);
        } else if ((type == REG_SZ || type == REG_EXPAND_SZ) && data_size > 0 && data[data_size - 1] == 0) {
            dump[name] = StringEntry(std::string(reinterpret_cast<char*>(data), data_size - 1), type);
        } else {
            dump[name] = "type " + std::to_string(type) + ", " + std::to_string(data_size) + " bytes";
        }
    }
    RegCloseKey(key);
    return dump;
}

std::string DwordEntry(long value) { return "dword:" + std::to_string(value); }
std::string StringEntry(const std::string& text, DWORD type) {
    return (type == REG_SZ ? "sz:" : type == REG_EXPAND_SZ ? "expand_sz:" : "type" + std::to_string(type) + ":") + text;
}

void ClearSettings() {
    for (const char* key : {kOptionKey, "Software\\Zel\\Vorlax"}) RegDeleteKeyA(HKEY_CURRENT_USER, key);
}

void SetOption(const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kOptionKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        Fail("cannot create the option key");
        return;
    }
    RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetDword(const std::string& name, DWORD value) { SetOption(name, REG_DWORD, &value, 4); }
void SetString(const std::string& name, const std::string& text, DWORD type) {
    SetOption(name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool KeyExists(HKEY root, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

Vorlax::Vorlax(const std::string& program) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string command = '"' + program + '"';
    if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info_)) {
        Fail("cannot start " + program);
        return;
    }
    WaitFor([&] {
        HWND w = FindTopLevel("Vorlax");
        if (w && ClassOf(w) != "#32770") main_ = w;
        return main_ != nullptr;
    });
    if (!main_) Fail("the main window did not appear");
}

Vorlax::~Vorlax() {
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) Exit();
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

void Vorlax::Exit() {
    if (main_) PostMessageA(main_, WM_COMMAND, 2, 0);
    if (WaitForSingleObject(info_.hProcess, 10000) != WAIT_OBJECT_0) {
        Fail("Vorlax did not end");
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    main_ = nullptr;
}

namespace {

// A visible top-level window of the process: with the title when one is
// given, otherwise a dialog other than the one to pass over.
struct Search {
    DWORD process;
    const std::string* title;
    HWND besides;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND w, LPARAM l) {
    Search& s = *reinterpret_cast<Search*>(l);
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process != s.process || !IsWindowVisible(w)) return TRUE;
    char text[512] = "";
    GetWindowTextA(w, text, sizeof text);
    const bool match = s.title ? *s.title == text : w != s.besides && ClassOf(w) == "#32770";
    if (!match) return TRUE;
    s.found = w;
    return FALSE;
}

}  // namespace

HWND Vorlax::FindTopLevel(const std::string& title) const {
    Search search = {info_.dwProcessId, &title, nullptr, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Vorlax::FindDialogBesides(HWND known) const {
    Search search = {info_.dwProcessId, nullptr, known, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Vorlax::WaitTopLevel(const std::string& title, DWORD ms) const {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindTopLevel(title)) != nullptr; }, ms);
    return found;
}

std::string Text(HWND window) {
    char text[2048] = "";
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

void SetText(HWND window, const std::string& text) {
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool Checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Click(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }
void PostClick(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

std::string ClassOf(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND Child(HWND parent, int id) { return GetDlgItem(parent, id); }

RemoteBuffer::RemoteBuffer(HANDLE process, SIZE_T size)
    : process_(process),
      size_(size),
      remote_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
    if (!remote_) Fail("cannot allocate memory in the program");
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

bool SaveScreenshot(HWND window, const std::string& path) {
    RECT r;
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD image = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + image;
    bool ok = false;
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
             std::fwrite(bits, 1, image, out) == image;
        ok = std::fclose(out) == 0 && ok;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace settings_test
