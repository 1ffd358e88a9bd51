// Loaded into Vorlax.exe by the settings driver: writes whether the main
// menu's "open in the editor" (1047) is checked to C:\vorlaxtest\menu.txt,
// then refuses to stay loaded, so the next load probes again.
#include <windows.h>

#include <cstdio>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    HWND main = FindWindowA("VorlaxClass", "Vorlax");
    const UINT state = GetMenuState(GetMenu(main), 1047, MF_BYCOMMAND);
    if (FILE* out = std::fopen("C:\\vorlaxtest\\menu.txt", "wb")) {
        std::fputs(state == static_cast<UINT>(-1) ? "?" : (state & MF_CHECKED) ? "1" : "0", out);
        std::fclose(out);
    }
    return FALSE;
}
