// drop_target: a window that takes dropped files, for checking drags made
// from the X side (tools/xdnd_drop) under Wine.
//
//   drop_target.exe LOG [COUNT]
//
// Opens a window titled "DropTarget" that accepts the first COUNT drops
// (default 1; 0 accepts none) and then stops accepting. For every
// WM_DROPFILES it appends to LOG, in the ANSI code page:
//   "drop N" CR LF, then each of the N paths (DragQueryFileA) CR LF.
// Acceptance is switched off before the log is written, so a reader that
// sees the COUNT-th drop in the log knows the window now refuses.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* g_log = nullptr;
long g_left = 1;  // drops still to accept

void AppendDrop(HDROP drop) {
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::string text = "drop " + std::to_string(count) + "\r\n";
    for (UINT i = 0; i < count; ++i) {
        char path[MAX_PATH * 2];
        const UINT length = DragQueryFileA(drop, i, path, sizeof path);
        text.append(path, length);
        text += "\r\n";
    }
    // One write for the whole drop: a reader sees all of it or none.
    HANDLE file = CreateFileA(g_log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DROPFILES: {
        HDROP drop = reinterpret_cast<HDROP>(wparam);
        if (--g_left <= 0) DragAcceptFiles(window, FALSE);
        AppendDrop(drop);
        DragFinish(drop);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: drop_target.exe LOG [COUNT]\n");
        return 2;
    }
    g_log = argv[1];
    if (argc == 3) g_left = std::strtol(argv[2], nullptr, 10);

    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = WindowProc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = "DropTargetClass";
    RegisterClassA(&window_class);
    HWND window = CreateWindowExA(0, "DropTargetClass", "DropTarget", WS_OVERLAPPEDWINDOW,
                                  100, 100, 300, 200, nullptr, nullptr,
                                  window_class.hInstance, nullptr);
    if (!window) {
        std::fprintf(stderr, "drop_target: CreateWindowEx failed, error %lu\n",
                     GetLastError());
        return 1;
    }
    // Accepting before the window shows: once it is mapped it takes drops.
    if (g_left > 0) DragAcceptFiles(window, TRUE);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
