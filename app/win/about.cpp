// The about box: name, version and systems, and two link labels that open
// the web page and a mail through the shell.
#include <windows.h>
#include <shellapi.h>

#include "app/win/program.h"
#include "common/names.h"
#include "common/version.h"
#include "resources/resource.h"

namespace vorlax::app {

namespace {

// What the open box keeps: the underlined font, the hand cursor and the
// static controls' own procedure.
struct AboutState {
    HFONT link_font = nullptr;
    HCURSOR hand = nullptr;
    WNDPROC static_proc = nullptr;
};

AboutState& TheAbout() {
    static AboutState state;
    return state;
}

// The link labels: blue underlined text, the hand over them.
LRESULT CALLBACK LinkLabelProc(HWND label, UINT message, WPARAM wparam, LPARAM lparam) {
    AboutState& a = TheAbout();
    switch (message) {
        case WM_PAINT: {
            char text[100] = "";
            GetWindowTextA(label, text, sizeof text);
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(label, &ps);
            HGDIOBJ old = SelectObject(dc, a.link_font);
            SetTextColor(dc, RGB(0, 0, 255));
            SetBkMode(dc, TRANSPARENT);
            TextOutA(dc, 0, 0, text, lstrlenA(text));
            SelectObject(dc, old);
            EndPaint(label, &ps);
            return 0;
        }
        case WM_SETCURSOR:
            SetCursor(a.hand);
            return TRUE;
        default:
            return CallWindowProcA(a.static_proc, label, message, wparam, lparam);
    }
}

void OnInit(HWND dialog) {
    AboutState& a = TheAbout();
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfUnderline = 1;
    a.link_font = CreateFontIndirectA(&font);
    for (int id : {IDC_MAIL_LINK, IDC_WEB_LINK})
        SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(a.link_font), FALSE);

    char text[256];
    wsprintfA(text, "HTML=>TEXT変換フィルタ\n%s Ver.%s for WIN95/98/Me/NT4.0/2000/XP\n%s", common::kProgramName,
              VORLAX_VERSION, "(C) 2026 Vorlax の開発者");
    SetDlgItemTextA(dialog, IDC_VERSION_TEXT, text);

    a.hand = LoadCursorA(TheProgram().instance, MAKEINTRESOURCEA(IDC_HAND_CURSOR));
    a.static_proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(GetDlgItem(dialog, IDC_MAIL_LINK), GWLP_WNDPROC));
    for (int id : {IDC_WEB_LINK, IDC_MAIL_LINK})
        SetWindowLongPtrA(GetDlgItem(dialog, id), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkLabelProc));
}

}  // namespace

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(dialog);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case IDOK:
                case IDCANCEL:
                    EndDialog(dialog, 1);
                    break;
                case IDC_WEB_LINK:
                case IDC_MAIL_LINK:
                    if (HIWORD(wparam) == STN_CLICKED) {
                        char text[100] = "";
                        GetDlgItemTextA(dialog, LOWORD(wparam), text, sizeof text);
                        ShellExecuteA(dialog, nullptr, text, nullptr, nullptr, SW_SHOWNORMAL);
                    }
                    break;
            }
            return TRUE;
        case WM_MOUSEMOVE:
            return TRUE;
        case WM_DESTROY:
            DeleteObject(TheAbout().link_font);
            TheAbout().link_font = nullptr;
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace vorlax::app
