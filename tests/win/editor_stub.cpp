// Stands in for the user's editor in the GUI tests: appends its command
// line, as one CP932 line, to the file named by VORLAX_STUB_LOG and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char log[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("VORLAX_STUB_LOG", log, MAX_PATH)) return 1;
    const std::string line = std::string(GetCommandLineA()) + "\r\n";
    // Several stubs may run at once: retry while another holds the file.
    for (int attempt = 0; attempt < 500; ++attempt) {
        const HANDLE file = CreateFileA(log, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return 0;
        }
        Sleep(10);
    }
    return 2;
}
