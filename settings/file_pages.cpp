// Pages 4 to 6: where outputs go, the input's kanji code, the editor.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstring>

#include "app/registry.h"
#include "resources/resource.h"
#include "resources/settings_ids.h"
#include "settings/page_controls.h"

namespace vorlax::settings {

namespace {

void CreateSavePage(HWND page) {
    Options& o = Record();
    ShowSwitch(page, IDC_SAVE_UPPER, o.SWsfn);
    ShowSwitch(page, IDC_SAVE_SAME_FOLDER, o.SWfolda);
    ApplyStates(page, SaveFolderControls(CheckedFor(o.SWfolda)));
    SetDlgItemTextA(page, IDC_SAVE_FOLDER, o.SaveFolda);
}

// The shell's folder browser; a chosen file-system folder replaces the box's
// text. The returned item and the allocator are released on every way out.
void BrowseSaveFolder(HWND page) {
    IMalloc* allocator = nullptr;
    if (SHGetMalloc(&allocator) != NOERROR || !allocator) return;
    char name[MAX_PATH] = "";
    BROWSEINFOA info = {};
    info.hwndOwner = page;
    info.pidlRoot = nullptr;
    info.pszDisplayName = name;
    info.lpszTitle = "保存先フォルダを選択してください";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    if (LPITEMIDLIST item = SHBrowseForFolderA(&info)) {
        char path[MAX_PATH] = "";
        if (SHGetPathFromIDListA(item, path)) SetDlgItemTextA(page, IDC_SAVE_FOLDER, path);
        allocator->Free(item);
    }
    allocator->Release();
}

void ClickSavePage(HWND page, int id) {
    if (id == IDC_SAVE_SAME_FOLDER) ApplyStates(page, SaveFolderControls(IsChecked(page, IDC_SAVE_SAME_FOLDER)));
    else if (id == IDC_SAVE_BROWSE) BrowseSaveFolder(page);
}

void ApplySavePage(HWND page) {
    Options& o = Record();
    StoreSwitch(page, IDC_SAVE_UPPER, &Options::SWsfn);
    StoreSwitch(page, IDC_SAVE_SAME_FOLDER, &Options::SWfolda);
    StoreText(page, IDC_SAVE_FOLDER, o.SaveFolda);
}

void CreateKanjiPage(HWND page) {
    Options& o = Record();
    // The output is always Shift-JIS.
    CheckDlgButton(page, IDC_KANJI_OUT_SJIS, BST_CHECKED);
    ShowChoice(page, kInputCodeChoices, o.SWmcode);
    ShowSwitch(page, IDC_KANJI_CONVERT, o.SWmcode_s);
    ApplyStates(page, KanjiControls(CheckedFor(o.SWmcode_s)));
}

void ClickKanjiPage(HWND page, int id) {
    if (id == IDC_KANJI_CONVERT) ApplyStates(page, KanjiControls(IsChecked(page, IDC_KANJI_CONVERT)));
}

void ApplyKanjiPage(HWND page) {
    StoreSwitch(page, IDC_KANJI_CONVERT, &Options::SWmcode_s);
    StoreChoice(page, kInputCodeChoices, &Options::SWmcode);
}

void CreateEditorPage(HWND page) {
    Options& o = Record();
    ShowSwitch(page, IDC_EDITOR_OPEN, o.SWedit);
    ApplyStates(page, EditorControls(CheckedFor(o.SWedit)));
    SetDlgItemTextA(page, IDC_EDITOR_COMMAND, o.Editor);
}

// The open-file dialog for the editor, starting in the program files folder.
// A confirmed choice goes into the record at once (a cancelled sheet keeps
// it for this run); the dialog writes into a copy, so a choice that does not
// fit leaves the option as it was.
void BrowseEditor(HWND page) {
    Options& o = Record();
    char folder[256] = "";
    const bool have_folder = app::ReadProgramFilesDir(*OpenSheet().registry, folder) != 0;
    char file[sizeof o.Editor];
    std::memcpy(file, o.Editor, sizeof file);
    file[sizeof file - 1] = '\0';
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = page;
    ofn.lpstrFilter = "実行ﾌｧｲﾙ (*.exe)\0*.exe\0すべてのﾌｧｲﾙ (*.*)\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = have_folder ? folder : nullptr;
    ofn.lpstrTitle = "エディターの指定";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn)) return;
    std::memcpy(o.Editor, file, sizeof file);
    InvalidateRect(page, nullptr, TRUE);
    SetDlgItemTextA(page, IDC_EDITOR_COMMAND, o.Editor);
}

void ClickEditorPage(HWND page, int id) {
    if (id == IDC_EDITOR_OPEN) ApplyStates(page, EditorControls(IsChecked(page, IDC_EDITOR_OPEN)));
    else if (id == IDC_EDITOR_BROWSE) BrowseEditor(page);
}

void ApplyEditorPage(HWND page) {
    Options& o = Record();
    const bool open = IsChecked(page, IDC_EDITOR_OPEN);
    // The main menu's "open in the editor" shows the same state.
    CheckMenuItem(GetMenu(OpenSheet().owner), IDM_OPEN_IN_EDITOR,
                  MF_BYCOMMAND | (open ? MF_CHECKED : MF_UNCHECKED));
    StoreNumber(&Options::SWedit, OptionFor(open));
    StoreText(page, IDC_EDITOR_COMMAND, o.Editor);
}

}  // namespace

const PageActions kSavePage{CreateSavePage, ClickSavePage, ApplySavePage};
const PageActions kKanjiPage{CreateKanjiPage, ClickKanjiPage, ApplyKanjiPage};
const PageActions kEditorPage{CreateEditorPage, ClickEditorPage, ApplyEditorPage};

}  // namespace vorlax::settings
