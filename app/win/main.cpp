// Vorlax.exe's entry: hands over to a running instance, installs, or opens
// the main window and runs the message loop.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/args.h"
#include "app/registry.h"
#include "app/win/program.h"
#include "app/win/win_registry.h"
#include "codes/paths.h"
#include "common/names.h"
#include "install/win_platform.h"
#include "resources/resource.h"

namespace vorlax::app {

Program& TheProgram() {
    static Program program;
    return program;
}

namespace {

// The directory entries that match a wildcard, as the file system finds them.
class FileSystemLister final : public DirectoryLister {
public:
    std::vector<std::string> Matches(const std::string& pattern) override {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do names.emplace_back(found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
    }
};

bool IsInstallSwitch(const std::string& arg) { return lstrcmpiA(arg.c_str(), "/install") == 0; }

// "/install": the install folder recorded, the uninstaller written into the
// Windows folder and registered, the help file opened; no window.
int RunInstallation(HINSTANCE instance) {
    install::WinInstallPlatform platform(instance, nullptr);
    return install::RunInstall(platform, ProgramRegistry());
}

int StartFailed(const char* text) {
    MessageBoxA(nullptr, text, common::kProgramName, MB_ICONHAND);
    return 0;
}

}  // namespace

int Run(HINSTANCE instance, int show) {
    Program& p = TheProgram();
    p.instance = instance;
    FileSystemLister lister;
    p.argv = ExpandArguments(SplitCommandLine(GetCommandLineA()), lister);

    if (p.argv.size() == 1) {
        if (HWND running = FindWindowA(common::kWindowClass, common::kProgramName)) {
            ShowWindow(running, SW_RESTORE);
            SetForegroundWindow(running);
            return 0;
        }
    }
    if (p.argv.size() == 2 && IsInstallSwitch(p.argv[1])) return RunInstallation(instance);

    // The help file lies beside the program.
    char module[MAX_PATH] = "";
    GetModuleFileNameA(instance, module, MAX_PATH);
    std::string help = module;
    CutToFolder(help, kWindowsPaths);
    help += common::kHelpFile;
    if (help.size() < MAX_PATH) lstrcpyA(p.help_path, help.c_str());

    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWindowProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VORLAX));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN);
    wc.lpszClassName = common::kWindowClass;
    if (!RegisterClassA(&wc)) return StartFailed("ウインドウクラスを登録できませんでした");
    InitCommonControls();
    LoadOptions(ProgramRegistry(), p.options);

    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                     reinterpret_cast<DLGPROC>(MainWindowProc), 0);
    if (!window) return StartFailed("メインウインドウを作成できませんでした");

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kNameBufferSize);
    p.names = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
    if (!p.names) {
        if (block) GlobalFree(block);
        return StartFailed("ファイル名バッファメモリが確保できませんでした");
    }

    PlaceMainWindow(window);
    SetWindowTextA(window, common::kProgramName);
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    GlobalUnlock(block);
    GlobalFree(block);
    p.names = nullptr;
    return static_cast<int>(message.wParam);
}

}  // namespace vorlax::app

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) { return vorlax::app::Run(instance, show); }
