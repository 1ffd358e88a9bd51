#include "sheet_driver.h"

#include <cstdio>
#include <cstring>

namespace settings_test {

namespace {

int failures = 0;
constexpr char kOptionSubkey[] = "option";

}  // namespace

void Fail(const std::string& what) {
    ++failures;
    std::printf("    FAILED: %s\n", what.c_str());
    std::fflush(stdout);
}

int FailureCount() { return failures; }

std::string Show(const std::string& s) { return '"' + s + '"'; }
std::string Show(bool b) { return b ? "true" : "false"; }
std::string Show(const std::vector<std::string>& lines) {
    std::string text = "{";
    for (const std::string& line : lines) text += (text.size() > 1 ? ", " : "") + Show(line);
    return text + "}";
}

std::string DwordEntry(long value) { return "dword:" + std::to_string(value); }
std::string StringEntry(const std::string& text) { return "sz:" + text; }

OptionDump DumpOptions() {
    OptionDump dump;
    for (const auto& [name, value] : SettingValues(kOptionSubkey)) {
        const std::string& bytes = value.bytes;
        const bool terminated = !bytes.empty() && bytes.back() == '\0';
        if (value.type == REG_DWORD && bytes.size() == 4) {
            long number;
            std::memcpy(&number, bytes.data(), 4);
            dump[name] = DwordEntry(number);
        } else if (value.type == REG_SZ && terminated) {
            dump[name] = StringEntry(bytes.substr(0, bytes.size() - 1));
        } else if (value.type == REG_EXPAND_SZ && terminated) {
            dump[name] = "expand_sz:" + bytes.substr(0, bytes.size() - 1);
        } else {
            dump[name] = "type " + std::to_string(value.type) + ", " + std::to_string(bytes.size()) + " bytes";
        }
    }
    return dump;
}

void WriteOptions(const OptionDump& values) {
    ClearSettings();
    for (const auto& [name, entry] : values) {
        const std::size_t colon = entry.find(':');
        const std::string kind = entry.substr(0, colon), text = entry.substr(colon + 1);
        if (kind == "dword") SetSetting(kOptionSubkey, name.c_str(), REG_DWORD, DwordBytes(static_cast<DWORD>(std::stol(text))));
        else SetSetting(kOptionSubkey, name.c_str(), kind == "sz" ? REG_SZ : REG_EXPAND_SZ, SzBytes(text));
    }
}

bool KeyExists(HKEY root, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

Vorlax::Vorlax() : process_(Start(VorlaxCommand())) {
    handle_ = OpenProcess(PROCESS_ALL_ACCESS, FALSE, process_.id());
    main_ = WaitForMainWindow(process_, 15000);
    if (!main_) Fail("the main window did not appear");
}

Vorlax::~Vorlax() {
    if (process_.Running()) Exit();
    if (handle_) CloseHandle(handle_);
}

void Vorlax::Exit() {
    if (main_) PostCommand(main_, 2);
    if (process_.Wait(10000) == STILL_ACTIVE) Fail("Vorlax did not end");
    main_ = nullptr;
}

namespace {

struct Search {
    DWORD process;
    HWND besides;
    HWND found;
};

BOOL CALLBACK MatchOtherDialog(HWND w, LPARAM l) {
    Search& s = *reinterpret_cast<Search*>(l);
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process != s.process || !IsWindowVisible(w) || w == s.besides || ClassOf(w) != "#32770") return TRUE;
    s.found = w;
    return FALSE;
}

}  // namespace

HWND Vorlax::FindDialogBesides(HWND known) const {
    Search search = {id(), known, nullptr};
    EnumWindows(MatchOtherDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
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

}  // namespace settings_test
