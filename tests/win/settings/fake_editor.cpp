// Stands in for the editor: writes its command line to editor.log beside
// itself and ends.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string log = module;
    log.resize(log.find_last_of('\\') + 1);
    log += "editor.log";
    const std::string temporary = log + ".new";
    if (FILE* out = std::fopen(temporary.c_str(), "wb")) {
        std::fputs(GetCommandLineA(), out);
        std::fclose(out);
        MoveFileExA(temporary.c_str(), log.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    return 0;
}
