// Vorlax.exe's settings sheet as a user meets it, driven from outside under
// Wine: opened from the menu command, pages switched, controls read and
// set, OK or Cancel pressed, the option key read back. Every test starts the
// program on a registry it prepares.
//
// Vorlax.exe, editor_stub.exe and settings_menu_probe.dll are taken from the
// test program's own folder. When VORLAX_SCREENSHOTS names a folder, the
// seven pages are also saved there as settings-page1.bmp ..
// settings-page7.bmp.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "resources/settings_ids.h"
#include "tests/win/gui_driver.h"

namespace vorlax::wintest {
namespace {

constexpr char kWork[] = "C:\\vorlaxtest";

// ---- the option key

// HKCU\Software\Zel\Vorlax\option as name -> "dword:N", "sz:text" or
// "expand_sz:text".
using OptionDump = std::map<std::string, std::string>;
constexpr char kOptionSubkey[] = "option";

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

// Replaces the settings with exactly these option values.
void WriteOptions(const OptionDump& values) {
    ClearSettings();
    for (const auto& [name, entry] : values) {
        const std::size_t colon = entry.find(':');
        const std::string kind = entry.substr(0, colon), text = entry.substr(colon + 1);
        if (kind == "dword") SetSetting(kOptionSubkey, name.c_str(), REG_DWORD, DwordBytes(static_cast<DWORD>(std::stol(text))));
        else SetSetting(kOptionSubkey, name.c_str(), kind == "sz" ? REG_SZ : REG_EXPAND_SZ, SzBytes(text));
    }
}

// The values a first start writes.
OptionDump Defaults() {
    return {
        {"SWspcut", DwordEntry(1)},   {"SWtitle", DwordEntry(1)},     {"SWspcut2", DwordEntry(1)},
        {"SWeofcut", DwordEntry(1)},  {"SWendcr", DwordEntry(1)},     {"SWlink", DwordEntry(0)},
        {"SWlink_n", DwordEntry(0)},  {"SWlink_e", DwordEntry(1)},    {"Column", DwordEntry(79)},
        {"SWqk", DwordEntry(0)},      {"SWimage", DwordEntry(0)},     {"SWimageStr", DwordEntry(1)},
        {"AltString", StringEntry("[画像(%s)]")}, {"SWtableLeft", DwordEntry(0)}, {"SWdiv", DwordEntry(0)},
        {"SWsfn", DwordEntry(0)},     {"SWfolda", DwordEntry(1)},     {"SaveFolda", StringEntry("")},
        {"SWmcode_s", DwordEntry(1)}, {"SWmcode", DwordEntry(0)},     {"SWedit", DwordEntry(0)},
        {"Editor", StringEntry("notepad")}, {"SW_AOT", DwordEntry(0)},
    };
}

// The same values in a form the program loads unchanged but would write
// differently: numbers with a bit above the low 16, strings typed
// REG_EXPAND_SZ. A value the sheet stores loses its mark.
std::string Mark(const std::string& entry) {
    if (entry.rfind("dword:", 0) == 0) return DwordEntry(std::stol(entry.substr(6)) + 0x10000);
    return "expand_sz:" + entry.substr(3);
}

OptionDump Marked(OptionDump values) {
    for (auto& [name, entry] : values) entry = Mark(entry);
    return values;
}

OptionDump With(OptionDump values, const OptionDump& changes) {
    for (const auto& [name, entry] : changes) values[name] = entry;
    return values;
}

std::string DumpText(const OptionDump& dump) {
    std::string text;
    for (const auto& [name, entry] : dump) text += name + "=" + entry + "; ";
    return text;
}

void ExpectOptions(const OptionDump& expected, const char* what) {
    EXPECT_EQ(DumpText(DumpOptions()), DumpText(expected)) << what;
}

// What the first page stores.
const char* const kFirstPageOptions[] = {"SWspcut", "SWtitle", "SWspcut2", "SWeofcut", "SWendcr",
                                         "SWlink",  "SWlink_n", "SWlink_e", "Column",   "SWqk"};

// ---- the sheet's pages

bool CheckedAt(HWND page, int id) { return Checked(GetDlgItem(page, id)); }
bool EnabledAt(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }
void ClickAt(HWND page, int id) { Click(GetDlgItem(page, id)); }

// Which of the ids are enabled, as "1065+ 1067-".
std::string EnabledStates(HWND page, std::initializer_list<int> ids) {
    std::string states;
    for (int id : ids) states += std::to_string(id) + (EnabledAt(page, id) ? "+ " : "- ");
    return states;
}
std::string AllStates(std::initializer_list<int> ids, bool enabled) {
    std::string states;
    for (int id : ids) states += std::to_string(id) + (enabled ? "+ " : "- ");
    return states;
}
// Which of the ids are checked, as "1011 1013" (the checked ones only).
std::string CheckedOnes(HWND page, std::initializer_list<int> ids) {
    std::string checked;
    for (int id : ids)
        if (CheckedAt(page, id)) {
            if (!checked.empty()) checked += ' ';
            checked += std::to_string(id);
        }
    return checked;
}

// Whether a child window of `parent` shows exactly this text.
bool HasChildWithText(HWND parent, const std::string& text) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (WindowText(c) == text) return true;
    return false;
}


// The page templates as the user sees them, with the first-start values.
struct ControlRow {
    int id;            // -1: the page's one control without an id
    const char* cls;   // window class
    int kind;          // button kind (BS_...), -1 for others
    const char* text;  // nullptr: not compared
    int x, y, w, h;    // dialog units
    bool enabled;
    int checked;       // 1 checked, 0 not, -1 not a button that checks
    LONG styles;       // style bits that must be set
};

constexpr int kCheck = BS_AUTOCHECKBOX, kRadio = BS_AUTORADIOBUTTON, kGroup = BS_GROUPBOX, kPush = BS_PUSHBUTTON;

const std::vector<std::vector<ControlRow>> kPages = {
    {
        {1008, "Button", kCheck, "連続する空白を１つにまとめる(&Z)", 7, 7, 119, 10, true, 1, 0},
        {1006, "Button", kCheck, "<HTML>～</HTML>外は変換しない(&M)", 7, 17, 142, 10, false, 0, 0},
        {1005, "Button", kCheck, "<TITLE>～</TITLE>間を変換する(&T)", 7, 27, 133, 10, true, 1, 0},
        {1009, "Button", kCheck, "行頭行末の空白を削除する(&L)", 7, 37, 112, 10, true, 1, 0},
        {1040, "Button", kCheck, "EOFコードを除去する(&E)", 7, 47, 92, 10, true, 1, 0},
        {1041, "Button", kCheck, "文末が改行コードでないときは改行コードを付加する(&K)", 7, 57, 190, 10, true, 1, 0},
        {1066, "Button", kCheck, "リンク先のパスを挿入する(&P)", 7, 67, 108, 10, true, 0, 0},
        {1065, "Button", kCheck, "前後で改行する(&N)", 13, 77, 77, 10, false, 0, 0},
        {1067, "Button", kCheck, "外部リンクのみ(&X)", 13, 87, 74, 10, false, 1, 0},
        {1061, "Button", kCheck, "指定桁で強制改行(&Q)", 7, 97, 86, 10, true, 0, 0},
        {1060, "Static", -1, "一行桁数(&P)", 7, 112, 41, 8, true, -1, 0},
        // With the up-down control 1100 beside it, the pair fills the box's rectangle.
        {1018, "Edit", -1, "79", 51, 110, 28, 14, true, -1, WS_BORDER},
    },
    {
        {1043, "Button", kCheck, "<IMG>タグを指定の文字列に置換する(&V)", 7, 7, 145, 10, true, 0, 0},
        {1058, "Button", kGroup, "<IMG>タグで置換する文字列(&I)", 7, 25, 209, 99, false, -1, 0},
        {1055, "Button", kRadio, "[Image]", 13, 38, 40, 10, false, 0, WS_GROUP},
        {1056, "Button", kRadio, "[(src=)]", 55, 38, 36, 10, false, 1, 0},
        {1057, "Button", kRadio, "[(alt=)]", 94, 38, 35, 10, false, 0, 0},
        {1063, "Button", kRadio, "USER定義", 130, 38, 49, 10, false, 0, 0},
        {1018, "Edit", -1, "[画像(%s)]", 14, 53, 194, 14, false, -1, WS_BORDER | ES_AUTOHSCROLL},
        {1068, "Button", kGroup, "置換文字列", 13, 72, 197, 46, false, -1, 0},
        {1069, "Static", -1, "%S = SRC属性で指定されたイメージパス\n%s = ALT属性で指定された代替テキスト\n%% = %", 18, 85,
         173, 25, false, -1, 0},
    },
    {
        {1062, "Button", kCheck, "テーブルを常に左寄せする(&T)", 7, 7, 109, 10, true, 0, 0},
        {1059, "Button", kGroup, "セル-セル間の区切り文字(&D)", 7, 25, 209, 28, true, -1, 0},
        {1044, "Button", kRadio, "半角スペース", 13, 37, 59, 10, true, 1, WS_GROUP},
        {1045, "Button", kRadio, "カンマ", 71, 37, 36, 10, true, 0, 0},
        {1046, "Button", kRadio, "タブコード", 109, 37, 46, 10, true, 0, 0},
    },
    {
        {1062, "Button", kCheck, "8.3形式のﾌｧｲﾙは大文字で保存する(&N)", 7, 7, 151, 10, true, 0, 0},
        {-1, "Static", -1,
         "出力ファイル名が8.3形式の場合、全て大文字で出力します。極力xxxx~1.txtのようなエイリアスを作成したくないときに使用します。",
         13, 19, 197, 27, true, -1, 0},
        {1004, "Button", kCheck, "変換元ファイルと同じフォルダに保存(&D)", 7, 46, 140, 10, true, 1, 0},
        {1042, "Static", -1, "保存先フォルダ(&S)", 7, 64, 59, 8, false, -1, 0},
        {1018, "Edit", -1, "", 7, 74, 209, 14, false, -1, WS_BORDER | ES_AUTOHSCROLL},
        {1000, "Button", kPush, "参照(&B)", 95, 90, 30, 14, false, -1, 0},
    },
    {
        {1003, "Button", kCheck, "漢字コード変換(&C)", 7, 7, 75, 10, true, 1, 0},
        {1027, "Button", kGroup, "入力ファイルの漢字コード(&I)", 7, 25, 209, 40, true, -1, 0},
        {1011, "Button", kRadio, "Shift-JIS", 13, 37, 46, 10, true, 0, WS_GROUP},
        {1012, "Button", kRadio, "JIS", 61, 37, 27, 10, true, 0, 0},
        {1013, "Button", kRadio, "EUC", 97, 37, 30, 10, true, 0, 0},
        {1016, "Button", kRadio, "自動認識", 132, 37, 46, 10, true, 1, 0},
        {1014, "Button", kRadio, "Unicode", 13, 50, 46, 10, true, 0, 0},
        {1015, "Button", kRadio, "UTF-8", 61, 50, 38, 10, true, 0, 0},
        {1026, "Button", kGroup, "出力ファイルの漢字コード(&O)", 7, 71, 209, 40, true, -1, 0},
        {1018, "Button", kRadio, "Shift-JIS", 13, 83, 46, 10, true, 1, WS_GROUP},
        {1019, "Button", kRadio, "JIS", 61, 83, 27, 10, false, 0, 0},
        {1017, "Button", kRadio, "EUC", 97, 83, 30, 10, false, 0, 0},
        {1020, "Button", kRadio, "Unicode", 13, 96, 46, 10, false, 0, 0},
        {1021, "Button", kRadio, "UTF-8", 61, 96, 38, 10, false, 0, 0},
    },
    {
        {1047, "Button", kCheck, "変換後のファイルをエディターで開く(&O)", 7, 7, 138, 10, true, 0, 0},
        {1048, "Static", -1, "エディターの指定(&E)", 7, 25, 64, 8, false, -1, 0},
        {1049, "Edit", -1, "notepad", 7, 35, 209, 14, false, -1, WS_BORDER | ES_AUTOHSCROLL},
        {1050, "Button", kPush, "参照(&B)", 95, 51, 30, 14, false, -1, 0},
    },
    {
        {-1, "Button", kGroup, "コンテキスト（右クリック）メニュー拡張", 7, 7, 209, 58, true, -1, 0},
        {1062, "Button", kCheck,
         "「HTML→テキスト 変換」を追加\n* 選択されたhtmlファイルとフォルダ内のhtmlファイルを一括変換します。\n* "
         "Shiftキーを押しながらコンテキストメニューを表示すると\n「HTML→テキスト 変換(サブフォルダを含む)」を表示します。",
         13, 20, 194, 42, true, 0, BS_MULTILINE | BS_TOP},
    },
};

const char* const kTitles[] = {"テキスト整形", "IMGタグ", "テーブル(表)", "保存先フォルダ/ファイル名名",
                               "漢字コードﾞ変換", "エディター", "シェル拡張"};

// A control's rectangle in the page's client pixels.
RECT ClientRect(HWND page, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT Pixels(int x, int y, int w, int h, int bx, int by) {
    // As the dialog manager places a control: position and size each mapped.
    const int left = MulDiv(x, bx, 4), top = MulDiv(y, by, 8);
    return {left, top, left + MulDiv(w, bx, 4), top + MulDiv(h, by, 8)};
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

HWND ControlOf(HWND page, int id) {
    return GetDlgItem(page, id >= 0 ? id : 0xFFFF);
}

// Compares one page with its table: kind, text, state and rectangle of every
// control, no other controls, and the page's own size.
void CheckPage(int index, HWND page) {
    const auto& rows = kPages[static_cast<std::size_t>(index)];
    const std::string where = std::string("page ") + std::to_string(index + 1) + " ";
    // Rectangles as drawn, including the up-down control beside box 1018.
    std::vector<RECT> drawn;
    for (const ControlRow& row : rows) {
        HWND c = ControlOf(page, row.id);
        if (!c) {
            ADD_FAILURE() << (where + "control " + std::to_string(row.id) + " is missing");
            drawn.push_back({});
            continue;
        }
        const std::string what = where + "control " + std::to_string(row.id);
        EXPECT_EQ(ClassOf(c), std::string(row.cls)) << what + " class";
        const LONG style = GetWindowLongA(c, GWL_STYLE);
        if (row.kind >= 0) {
            EXPECT_EQ(static_cast<int>(style & BS_TYPEMASK), row.kind) << what + " kind";
        }
        // The dialog manager turns an edit box's border into a sunken edge.
        LONG have = style;
        if (GetWindowLongA(c, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) have |= WS_BORDER;
        EXPECT_EQ(static_cast<int>(have & row.styles), static_cast<int>(row.styles)) << what + " styles";
        if (row.text) {
            EXPECT_EQ(WindowText(c), std::string(row.text)) << what + " text";
        }
        EXPECT_EQ(IsWindowEnabled(c) != FALSE, row.enabled) << what + " enabled";
        if (row.checked >= 0) {
            EXPECT_EQ(Checked(c), row.checked == 1) << what + " checked";
        }
        RECT r = ClientRect(page, c);
        if (index == 0 && row.id == 1018) {
            HWND arrows = GetDlgItem(page, 1100);
            if (!arrows) {
                ADD_FAILURE() << "the up-down control 1100 is missing";
            } else {
                EXPECT_EQ(ClassOf(arrows), std::string(UPDOWN_CLASSA)) << "class of 1100";
                EXPECT_EQ(IsWindowVisible(arrows) != FALSE, true) << "1100 visible";
                const RECT a = ClientRect(page, arrows);
                // It overlaps the box's border.
                EXPECT_EQ(a.left >= r.right - 2 && a.left <= r.right, true) << "the up-down control begins at the box's right edge";
                r.right = a.right;
            }
        }
        drawn.push_back(r);
    }
    int children = 0;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(children, static_cast<int>(rows.size()) + (index == 0 ? 1 : 0)) << where + "number of controls";
    // The dialog base units that map every rectangle exactly.
    int best = -1, best_bx = 0, best_by = 0;
    for (int bx = 4; bx <= 40; ++bx)
        for (int by = 8; by <= 60; ++by) {
            int matches = 0;
            for (std::size_t i = 0; i < rows.size(); ++i)
                matches += SameRect(drawn[i], Pixels(rows[i].x, rows[i].y, rows[i].w, rows[i].h, bx, by));
            if (matches > best) best = matches, best_bx = bx, best_by = by;
        }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const RECT want = Pixels(rows[i].x, rows[i].y, rows[i].w, rows[i].h, best_bx, best_by);
        // The box with the up-down control fills its rectangle give or take
        // the border the two share.
        RECT got = drawn[i];
        if (index == 0 && rows[i].id == 1018 && got.right < want.right && got.right + 2 >= want.right)
            got.right = want.right;
        if (!SameRect(got, want))
            ADD_FAILURE() << (where + "control " + std::to_string(rows[i].id) + " at " + RectText(drawn[i]) + ", expected " +
                 RectText(want));
    }
    RECT client;
    GetClientRect(page, &client);
    const RECT size = Pixels(0, 0, 223, 131, best_bx, best_by);
    if (client.right < size.right || client.bottom < size.bottom)
        ADD_FAILURE() << (where + "is " + RectText(client) + ", smaller than 223 x 131 units " + RectText(size));
    std::printf("    %s: base units %d x %d, client %s\n", where.c_str(), best_bx, best_by, RectText(client).c_str());
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override { MakeFolders(kWork); }
};

// The tab titles, read through a buffer in the program.
std::vector<std::string> TabTitles(const VorlaxProgram& program, HWND sheet) {
    std::vector<std::string> titles;
    HWND tab = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    const int count = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RemoteBuffer buffer(program.handle(), sizeof(TCITEMA) + 256);
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = buffer.address() + sizeof item;
        item.cchTextMax = 256;
        buffer.Write(0, &item, sizeof item);
        SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.address()));
        const std::vector<char> back = buffer.Read();
        titles.emplace_back(back.data() + sizeof item);
    }
    return titles;
}

TEST_F(Settings, SheetAndPageTemplates) {
    ClearSettings();
    VorlaxProgram program;
    ExpectOptions(Defaults(), "options after the first start");
    SettingsSheet sheet(program);
    ASSERT_TRUE(sheet.open());
    HWND w = sheet.window();
    EXPECT_EQ(GetWindow(w, GW_OWNER) == program.main(), true) << "the sheet is owned by the main window";
    EXPECT_EQ(TabTitles(program, w).size(), std::size_t(7)) << "number of pages";
    std::vector<std::string> titles = TabTitles(program, w);
    for (std::size_t i = 0; i < titles.size() && i < 7; ++i) EXPECT_EQ(titles[i], std::string(kTitles[i])) << "page title";
    HWND tab = reinterpret_cast<HWND>(SendMessageA(w, PSM_GETTABCONTROL, 0, 0));
    EXPECT_EQ(static_cast<int>(SendMessageA(tab, TCM_GETCURSEL, 0, 0)), 0) << "the sheet starts at the first page";
    // OK and Cancel, no Apply and no Help.
    auto shown = [&](int id) { HWND b = GetDlgItem(w, id); return b && IsWindowVisible(b); };
    EXPECT_EQ(shown(IDOK), true) << "OK shown";
    EXPECT_EQ(shown(IDCANCEL), true) << "Cancel shown";
    EXPECT_EQ(shown(0x3021), false) << "Apply shown";
    EXPECT_EQ(shown(IDHELP), false) << "Help shown";
    EXPECT_EQ(WindowText(GetDlgItem(w, IDOK)), std::string("OK")) << "OK text";
    for (int i = 0; i < 7; ++i) {
        HWND page = sheet.Page(i);
        CheckPage(i, page);
        if (i == 0) {
            HWND arrows = GetDlgItem(page, 1100);
            const LRESULT range = SendMessageA(arrows, UDM_GETRANGE, 0, 0);
            EXPECT_EQ(static_cast<int>(LOWORD(range)), 255) << "up-down upper end";
            EXPECT_EQ(static_cast<int>(HIWORD(range)), 1) << "up-down lower end";
            EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(arrows, UDM_GETBUDDY, 0, 0)) == GetDlgItem(page, 1018), true) << "the up-down control's buddy is 1018";
        }
        if (const std::string shots = ScreenshotFolder(); !shots.empty()) {
            Sleep(300);
            const std::string path = shots + "settings-page" + std::to_string(i + 1) + ".bmp";
            if (!SaveScreenshot(w, path)) ADD_FAILURE() << "cannot write " << path;
        }
    }
    sheet.Cancel();
    ExpectOptions(Defaults(), "options after Cancel");
}

TEST_F(Settings, OkWithOnlyTheFirstPageShown) {
    WriteOptions(Marked(Defaults()));
    VorlaxProgram program;
    {
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(0);
        for (int id : {1008, 1005, 1009, 1040, 1041, 1066, 1065, 1067, 1061}) ClickAt(page, id);
        SetText(GetDlgItem(page, 1018), "120");
        sheet.Ok();
    }
    const OptionDump expected = With(Marked(Defaults()),
                                     {{"SWspcut", DwordEntry(0)}, {"SWtitle", DwordEntry(0)}, {"SWspcut2", DwordEntry(0)},
                                      {"SWeofcut", DwordEntry(0)}, {"SWendcr", DwordEntry(0)}, {"SWlink", DwordEntry(1)},
                                      {"SWlink_n", DwordEntry(1)}, {"SWlink_e", DwordEntry(0)}, {"Column", DwordEntry(120)},
                                      {"SWqk", DwordEntry(1)}});
    ExpectOptions(expected, "OK with only the first page shown");
    // A second opening shows what was stored.
    SettingsSheet again(program);
    ASSERT_TRUE(again.open());
    HWND page = again.Page(0);
    EXPECT_EQ(CheckedOnes(page, {1008, 1006, 1005, 1009, 1040, 1041, 1066, 1065, 1067, 1061}), std::string("1066 1065 1061")) << "checked on the second opening";
    EXPECT_EQ(WindowText(GetDlgItem(page, 1018)), std::string("120")) << "line width on the second opening";
    EXPECT_EQ(EnabledStates(page, {1065, 1067, 1006}), std::string("1065+ 1067+ 1006- ")) << "enabled on the second opening";
    again.Cancel();
    ExpectOptions(expected, "Cancel on the second opening");
}

TEST_F(Settings, OkAfterEveryPageStoresEveryPage) {
    WriteOptions(Marked(Defaults()));
    VorlaxProgram program;
    {
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        for (int i = 6; i >= 0; --i) sheet.Page(i);
        sheet.Ok();
    }
    OptionDump expected = Defaults();
    expected["SW_AOT"] = Mark(expected["SW_AOT"]);
    ExpectOptions(expected, "OK after every page was shown");
    EXPECT_EQ(KeyExists(HKEY_CLASSES_ROOT, "Directory\\shellex\\ContextMenuHandlers\\shVorlax"), false) << "the shell-extension page registered something";
}

TEST_F(Settings, CancelAndTheCloseBoxStoreNothing) {
    WriteOptions(Marked(Defaults()));
    VorlaxProgram program;
    for (int close_box = 0; close_box < 2; ++close_box) {
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        ClickAt(sheet.Page(0), 1008);
        SetText(GetDlgItem(sheet.Page(0), 1018), "5");
        ClickAt(sheet.Page(1), 1043);
        ClickAt(sheet.Page(2), 1046);
        ClickAt(sheet.Page(3), 1004);
        SetText(GetDlgItem(sheet.Page(3), 1018), "C:\\elsewhere");
        ClickAt(sheet.Page(4), 1003);
        ClickAt(sheet.Page(5), 1047);
        ClickAt(sheet.Page(6), 1062);
        if (close_box) sheet.CloseBox();
        else sheet.Cancel();
        ExpectOptions(Marked(Defaults()), close_box ? "closing the sheet" : "Cancel");
    }
}

TEST_F(Settings, LineWidthClampAndArrows) {
    ClearSettings();
    VorlaxProgram program;
    const struct {
        const char* typed;
        int stored;
    } cases[] = {{"0", 1}, {"300", 255}, {"", 1}, {"abc", 1}, {"255", 255}, {"1", 1}, {"42", 42}, {"99999999999", 255}};
    std::string shown = "79";
    for (const auto& c : cases) {
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(0);
        EXPECT_EQ(WindowText(GetDlgItem(page, 1018)), shown) << "the line width shown";
        SetText(GetDlgItem(page, 1018), c.typed);
        sheet.Ok();
        EXPECT_EQ(DumpOptions()["Column"], DwordEntry(c.stored)) << std::string("Column for \"") + c.typed + "\"";
        shown = std::to_string(c.stored);
    }
    // The arrows stop at 1 and 255.
    const struct {
        const char* start;
        WPARAM key;
        const char* after_one;
        const char* after_two;
    } arrows[] = {{"254", VK_UP, "255", "255"}, {"2", VK_DOWN, "1", "1"}, {"100", VK_UP, "101", "102"}};
    for (const auto& a : arrows) {
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        HWND box = GetDlgItem(sheet.Page(0), 1018);
        SetText(box, a.start);
        for (const char* expected : {a.after_one, a.after_two}) {
            SendMessageA(box, WM_KEYDOWN, a.key, 1);
            SendMessageA(box, WM_KEYUP, a.key, 0xC0000001);
            EXPECT_EQ(WindowText(box), std::string(expected)) << std::string("arrow from ") + a.start;
        }
        sheet.Cancel();
    }
}

TEST_F(Settings, LineWidthOutsideTheRangeInTheRegistry) {
    // A width outside 1..255 from the registry: the arrows' position, and
    // so the box, is held to the range; OK stores what the box shows.
    for (const auto& [stored, shown_then] : {std::pair{1000L, "255"}, std::pair{0L, "1"}, std::pair{-7L, "1"}}) {
        WriteOptions(With(Defaults(), {{"Column", DwordEntry(stored)}}));
        VorlaxProgram outside;
        SettingsSheet sheet(outside);
        ASSERT_TRUE(sheet.open());
        EXPECT_EQ(WindowText(GetDlgItem(sheet.Page(0), 1018)), std::string(shown_then)) << "Column " + std::to_string(stored) + " shown";
        sheet.Ok();
        EXPECT_EQ(DumpOptions()["Column"], DwordEntry(std::stol(shown_then))) << "Column " + std::to_string(stored) + " stored";
    }
}

TEST_F(Settings, LinkSubOptionsDisabledButStored) {
    const OptionDump start = With(Defaults(), {{"SWlink", DwordEntry(0)}, {"SWlink_n", DwordEntry(1)}, {"SWlink_e", DwordEntry(0)}});
    WriteOptions(Marked(start));
    VorlaxProgram program;
    SettingsSheet sheet(program);
    ASSERT_TRUE(sheet.open());
    HWND page = sheet.Page(0);
    EXPECT_EQ(EnabledStates(page, {1065, 1067}), std::string("1065- 1067- ")) << "link off";
    EXPECT_EQ(CheckedOnes(page, {1066, 1065, 1067}), std::string("1065")) << "link sub-options held";
    ClickAt(page, 1066);
    EXPECT_EQ(EnabledStates(page, {1065, 1067}), std::string("1065+ 1067+ ")) << "link on";
    ClickAt(page, 1066);
    EXPECT_EQ(EnabledStates(page, {1065, 1067}), std::string("1065- 1067- ")) << "link off again";
    EXPECT_EQ(CheckedOnes(page, {1066, 1065, 1067}), std::string("1065")) << "link sub-options still held";
    sheet.Ok();
    OptionDump expected = Marked(start);
    for (const char* name : kFirstPageOptions) expected[name] = start.at(name);
    ExpectOptions(expected, "disabled link sub-options stored");
}

constexpr std::initializer_list<int> kImageGroup = {1058, 1055, 1056, 1057, 1063, 1068, 1069};
constexpr std::initializer_list<int> kImageAll = {1058, 1055, 1056, 1057, 1063, 1018, 1068, 1069};

TEST_F(Settings, ImagePageEnablingAndValues) {
    // Replacement off, the user's string chosen: only the text box is enabled.
    WriteOptions(With(Defaults(), {{"SWimage", DwordEntry(0)}, {"SWimageStr", DwordEntry(3)}, {"AltString", StringEntry("<%S|%s>")}}));
    {
        VorlaxProgram program;
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(1);
        EXPECT_EQ(EnabledStates(page, kImageAll), AllStates(kImageGroup, false).substr(0, 30) + "1018+ 1068- 1069- ") << "IMG page opened with SWimage 0, SWimageStr 3";
        EXPECT_EQ(CheckedOnes(page, {1043, 1055, 1056, 1057, 1063}), std::string("1063")) << "user string selected";
        EXPECT_EQ(WindowText(GetDlgItem(page, 1018)), std::string("<%S|%s>")) << "AltString shown";
        ClickAt(page, 1043);
        EXPECT_EQ(EnabledStates(page, kImageAll), AllStates(kImageAll, true)) << "1043 checked";
        ClickAt(page, 1043);
        EXPECT_EQ(EnabledStates(page, kImageAll), AllStates(kImageAll, false)) << "1043 unchecked again";
        SetText(GetDlgItem(page, 1018), "[%S:%%]");
        sheet.Ok();
        const OptionDump dump = DumpOptions();
        EXPECT_EQ(dump.at("SWimage") + " " + dump.at("SWimageStr") + " " + dump.at("AltString"), std::string("dword:0 dword:3 sz:[%S:%%]")) << "disabled text box stored";
    }
    // Replacement on: the radio buttons switch the text box.
    WriteOptions(With(Defaults(), {{"SWimage", DwordEntry(1)}, {"SWimageStr", DwordEntry(1)}}));
    {
        VorlaxProgram second;
        SettingsSheet sheet(second);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(1);
        EXPECT_EQ(EnabledStates(page, kImageAll), "1058+ 1055+ 1056+ 1057+ 1063+ 1018- 1068+ 1069+ ") << "SWimage 1, SWimageStr 1";
        ClickAt(page, 1063);
        EXPECT_EQ(EnabledAt(page, 1018), true) << "USER定義 enables the text box";
        ClickAt(page, 1057);
        EXPECT_EQ(EnabledAt(page, 1018), false) << "[(alt=)] disables the text box";
        ClickAt(page, 1063);
        ClickAt(page, 1055);
        EXPECT_EQ(EnabledAt(page, 1018), false) << "[Image] disables the text box";
        ClickAt(page, 1056);
        EXPECT_EQ(EnabledAt(page, 1018), false) << "[(src=)] disables the text box";
        ClickAt(page, 1057);
        // 300 bytes typed: 255 are kept; a double-byte character across the
        // limit is not cut in two.
        SetText(GetDlgItem(page, 1018), std::string(254, 'a') + "画像" + std::string(44, 'b'));
        sheet.Ok();
        const OptionDump dump = DumpOptions();
        EXPECT_EQ(dump.at("SWimage") + " " + dump.at("SWimageStr"), std::string("dword:1 dword:2")) << "IMG choice stored";
        EXPECT_EQ(dump.at("AltString"), StringEntry(std::string(254, 'a'))) << "a long user string";
    }
    // Values outside the group select nothing and stay.
    for (int value : {4, -1}) {
        WriteOptions(With(Defaults(), {{"SWimageStr", DwordEntry(value)}}));
        VorlaxProgram program3;
        SettingsSheet sheet(program3);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(1);
        EXPECT_EQ(CheckedOnes(page, {1055, 1056, 1057, 1063}), std::string()) << "no IMG string selected";
        sheet.Ok();
        EXPECT_EQ(DumpOptions().at("SWimageStr"), DwordEntry(value)) << "SWimageStr outside the group";
    }
}

TEST_F(Settings, TableDelimiterValues) {
    const struct {
        long stored;
        const char* selected;
        int click;  // 0: none
        long after;
    } cases[] = {
        {7, "", 0, 7}, {-1, "", 0, -1}, {3, "", 0, 3}, {0, "1044", 0, 0}, {1, "1045", 1046, 2}, {2, "1046", 1044, 0},
        {7, "", 1045, 1},
    };
    for (const auto& c : cases) {
        WriteOptions(With(Defaults(), {{"SWdiv", DwordEntry(c.stored)}, {"SWtableLeft", DwordEntry(c.stored == 1)}}));
        VorlaxProgram program;
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(2);
        const std::string what = "SWdiv " + std::to_string(c.stored);
        EXPECT_EQ(CheckedOnes(page, {1044, 1045, 1046}), std::string(c.selected)) << what + " selects";
        EXPECT_EQ(CheckedAt(page, 1062), c.stored == 1) << what + " left-aligned tables";
        EXPECT_EQ(EnabledStates(page, {1062, 1059, 1044, 1045, 1046}), AllStates({1062, 1059, 1044, 1045, 1046}, true)) << what;
        if (c.click) ClickAt(page, c.click);
        sheet.Ok();
        const OptionDump dump = DumpOptions();
        EXPECT_EQ(dump.at("SWdiv") + " " + dump.at("SWtableLeft"), DwordEntry(c.after) + " " + DwordEntry(c.stored == 1)) << what + " stored";
    }
}

constexpr std::initializer_list<int> kSaveControls = {1042, 1000, 1018};

TEST_F(Settings, SaveFolderDisabledButStoredBrowserCancelled) {
    WriteOptions(Marked(With(Defaults(), {{"SWfolda", DwordEntry(1)}, {"SaveFolda", StringEntry("C:\\out")}, {"SWsfn", DwordEntry(1)}})));
    VorlaxProgram program;
    {
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(3);
        EXPECT_EQ(CheckedOnes(page, {1062, 1004}), std::string("1062 1004")) << "save page checks";
        EXPECT_EQ(EnabledStates(page, kSaveControls), AllStates(kSaveControls, false)) << "beside the input";
        EXPECT_EQ(WindowText(GetDlgItem(page, 1018)), std::string("C:\\out")) << "save folder shown";
        SetText(GetDlgItem(page, 1018), "D:\\出力\\表ソ");
        sheet.Ok();
        const OptionDump dump = DumpOptions();
        EXPECT_EQ(dump.at("SWsfn") + " " + dump.at("SWfolda") + " " + dump.at("SaveFolda"), std::string("dword:1 dword:1 sz:D:\\出力\\表ソ")) << "disabled save folder stored";
        EXPECT_EQ(dump.at("SWmcode"), Mark(DwordEntry(0))) << "the kanji page was not shown";
    }
    {
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(3);
        EXPECT_EQ(WindowText(GetDlgItem(page, 1018)), std::string("D:\\出力\\表ソ")) << "stored folder on the second opening";
        ClickAt(page, 1004);
        EXPECT_EQ(EnabledStates(page, kSaveControls), AllStates(kSaveControls, true)) << "own save folder";
        ClickAt(page, 1062);
        // The folder browser, cancelled, leaves the box alone.
        PostClick(GetDlgItem(page, 1000));
        HWND browser = nullptr;
        WaitUntil([&] { return (browser = program.FindDialogBesides(sheet.window())) != nullptr; });
        if (!browser) {
            ADD_FAILURE() << "the folder browser did not open";
        } else {
            EXPECT_EQ(HasChildWithText(browser, "保存先フォルダを選択してください"), true) << "the folder browser's title";
            PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
            if (!WaitUntil([&] { return !IsWindow(browser); })) ADD_FAILURE() << "the folder browser did not close";
        }
        EXPECT_EQ(WindowText(GetDlgItem(page, 1018)), std::string("D:\\出力\\表ソ")) << "folder kept after a cancelled browse";
        // A folder picked in the browser replaces the box's text.
        PostClick(GetDlgItem(page, 1000));
        browser = nullptr;
        WaitUntil([&] { return (browser = program.FindDialogBesides(sheet.window())) != nullptr; });
        if (!browser) {
            ADD_FAILURE() << "the folder browser did not open again";
        } else {
            RemoteBuffer path(program.handle(), sizeof kWork);
            path.Write(0, kWork, sizeof kWork);
            SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.address()));
            PostMessageA(browser, WM_COMMAND, IDOK, 0);
            if (!WaitUntil([&] { return !IsWindow(browser); })) ADD_FAILURE() << "the folder browser did not close";
        }
        EXPECT_EQ(WindowText(GetDlgItem(page, 1018)), std::string(kWork)) << "folder picked in the browser";
        SetText(GetDlgItem(page, 1018), "D:\\出力\\表ソ");
        sheet.Ok();
        const OptionDump dump = DumpOptions();
        EXPECT_EQ(dump.at("SWsfn") + " " + dump.at("SWfolda") + " " + dump.at("SaveFolda"), std::string("dword:0 dword:0 sz:D:\\出力\\表ソ")) << "own save folder stored";
    }
}

constexpr std::initializer_list<int> kKanjiControls = {1027, 1011, 1012, 1013, 1014, 1015, 1016, 1026, 1018};
constexpr std::initializer_list<int> kInputButtons = {1011, 1012, 1013, 1016, 1014, 1015};

TEST_F(Settings, KanjiConversionOffAndInputCodes) {
    WriteOptions(With(Defaults(), {{"SWmcode_s", DwordEntry(1)}, {"SWmcode", DwordEntry(3)}}));
    {
        VorlaxProgram program;
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(4);
        EXPECT_EQ(CheckedOnes(page, kInputButtons), std::string("1013")) << "EUC selected";
        EXPECT_EQ(EnabledStates(page, kKanjiControls), AllStates(kKanjiControls, true)) << "conversion on";
        ClickAt(page, 1003);
        EXPECT_EQ(EnabledStates(page, kKanjiControls), AllStates(kKanjiControls, false)) << "conversion off";
        EXPECT_EQ(EnabledStates(page, {1019, 1017, 1020, 1021}), AllStates({1019, 1017, 1020, 1021}, false)) << "fixed output buttons";
        EXPECT_EQ(CheckedOnes(page, {1011, 1012, 1013, 1016, 1014, 1015, 1018, 1019, 1017, 1020, 1021}), std::string("1013 1018")) << "selection kept while greyed";
        sheet.Ok();
        const OptionDump dump = DumpOptions();
        EXPECT_EQ(dump.at("SWmcode_s") + " " + dump.at("SWmcode"), std::string("dword:0 dword:3")) << "greyed code stored";
        // Switched off, the page opens with both groups greyed.
        SettingsSheet again(program);
        ASSERT_TRUE(again.open());
        page = again.Page(4);
        EXPECT_EQ(EnabledStates(page, kKanjiControls), AllStates(kKanjiControls, false)) << "opened with conversion off";
        again.Cancel();
    }
    for (long value : {6L, 9L, -1L}) {
        WriteOptions(With(Defaults(), {{"SWmcode", DwordEntry(value)}}));
        VorlaxProgram program;
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        EXPECT_EQ(CheckedOnes(sheet.Page(4), kInputButtons), std::string()) << "SWmcode " + std::to_string(value);
        sheet.Ok();
        EXPECT_EQ(DumpOptions().at("SWmcode"), DwordEntry(value)) << "SWmcode kept";
    }
    // Every input button's value.
    WriteOptions(Defaults());
    VorlaxProgram program;
    const struct {
        int button;
        long value;
    } buttons[] = {{1011, 2}, {1012, 1}, {1013, 3}, {1014, 4}, {1015, 5}, {1016, 0}};
    for (const auto& b : buttons) {
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        ClickAt(sheet.Page(4), b.button);
        sheet.Ok();
        EXPECT_EQ(DumpOptions().at("SWmcode"), DwordEntry(b.value)) << "button " + std::to_string(b.button);
    }
}

// The main menu's check mark of "open in the editor", read inside the
// program by a probe library it loads (and unloads at once).
int MenuCheck(const VorlaxProgram& program) {
    const std::string result = std::string(kWork) + "\\menu.txt";
    DeleteFileA(result.c_str());
    const std::string probe = ProgramFolder() + "settings_menu_probe.dll";
    RemoteBuffer name(program.handle(), probe.size() + 1);
    name.Write(0, probe.c_str(), probe.size() + 1);
    auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
    HANDLE thread = CreateRemoteThread(program.handle(), nullptr, 0, load, name.address(), 0, nullptr);
    if (!thread) {
        ADD_FAILURE() << "cannot start the menu probe";
        return -1;
    }
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    const std::string text = ReadBytes(result).value_or("");
    return text == "1" ? 1 : text == "0" ? 0 : -1;
}

constexpr std::initializer_list<int> kEditorControls = {1048, 1050, 1049};

TEST_F(Settings, EditorPageAndTheMenuCheckMark) {
    WriteOptions(Marked(With(Defaults(), {{"SWedit", DwordEntry(1)}, {"Editor", StringEntry("C:\\Tools\\ed.exe -n")}})));
    VorlaxProgram program;
    EXPECT_EQ(MenuCheck(program), 1) << "menu check mark at the start";
    {
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(5);
        EXPECT_EQ(CheckedAt(page, 1047), true) << "SWedit 1 shown";
        EXPECT_EQ(EnabledStates(page, kEditorControls), AllStates(kEditorControls, true)) << "editor on";
        EXPECT_EQ(WindowText(GetDlgItem(page, 1049)), std::string("C:\\Tools\\ed.exe -n")) << "editor shown";
        ClickAt(page, 1047);
        EXPECT_EQ(EnabledStates(page, kEditorControls), AllStates(kEditorControls, false)) << "editor off";
        SetText(GetDlgItem(page, 1049), "C:\\エディタ\\表示.exe");
        sheet.Ok();
    }
    EXPECT_EQ(MenuCheck(program), 0) << "menu check mark after OK with 1047 unchecked";
    // The first page is shown on every opening, so it stores too.
    OptionDump expected = With(Marked(Defaults()), {{"SWedit", DwordEntry(0)}, {"Editor", StringEntry("C:\\エディタ\\表示.exe")}});
    for (const char* name : kFirstPageOptions) expected[name] = Defaults().at(name);
    ExpectOptions(expected, "editor page stored");
    {
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(5);
        ClickAt(page, 1047);
        sheet.Ok();
    }
    EXPECT_EQ(MenuCheck(program), 1) << "menu check mark after OK with 1047 checked";
    EXPECT_EQ(DumpOptions().at("SWedit"), DwordEntry(1)) << "SWedit on again";
}

// What an open file dialog of the program shows: its folder and its filters.
struct FileDialogSeen {
    std::string folder;
    std::vector<std::string> filters;
};

// The filter box's lines come back as UTF-16 from another process.
std::string ComboLine(HWND combo, int index) {
    wchar_t wide[512] = L"";
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide));
    char text[1024] = "";
    WideCharToMultiByte(932, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

FileDialogSeen LookAtFileDialog(const VorlaxProgram& program, HWND dialog) {
    FileDialogSeen seen;
    RemoteBuffer folder(program.handle(), MAX_PATH);
    SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder.address()));
    seen.folder = folder.Read().data();
    HWND filters = GetDlgItem(dialog, 0x470);
    const int count = static_cast<int>(SendMessageA(filters, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) seen.filters.push_back(ComboLine(filters, i));
    return seen;
}

// Types a path into a file dialog of the program and confirms it; `seen`
// gets what the dialog showed first.
bool ChooseInProgramDialog(const VorlaxProgram& program, const char* title, const std::string& path,
                           FileDialogSeen* seen = nullptr) {
    HWND dialog = program.WaitDialog(title);
    if (!dialog) {
        ADD_FAILURE() << "the file dialog \"" << title << "\" did not open";
        return false;
    }
    if (seen) *seen = LookAtFileDialog(program, dialog);
    if (ChooseInFileDialog(dialog, {path})) return true;
    ADD_FAILURE() << "the file dialog \"" << title << "\" did not close";
    return false;
}

TEST_F(Settings, EditorChosenByBrowsingSheetCancelled) {
    const std::string editor = std::string(kWork) + "\\editor.exe";
    const std::string input = std::string(kWork) + "\\page.html";
    const std::string log = std::string(kWork) + "\\editor.log";
    CopyFileA((ProgramFolder() + "editor_stub.exe").c_str(), editor.c_str(), FALSE);
    WriteBytes(input, "<p>text</p>");
    DeleteFileA(log.c_str());
    SetEnvironmentVariableA("VORLAX_STUB_LOG", log.c_str());
    DeleteFileA((std::string(kWork) + "\\page.txt").c_str());
    WriteOptions(With(Defaults(), {{"SWedit", DwordEntry(1)}}));
    VorlaxProgram program;
    {
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(5);
        PostClick(GetDlgItem(page, 1050));
        FileDialogSeen seen;
        if (!ChooseInProgramDialog(program, "エディターの指定", editor, &seen)) return;
        // It starts in the program files folder, with the two filters.
        std::string program_files;
        if (auto value = ValueAt(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"))
            program_files = value->bytes.c_str();
        EXPECT_EQ(program_files.empty(), false) << "ProgramFilesDir";
        EXPECT_EQ(seen.folder, program_files) << "the editor dialog's first folder";
        EXPECT_EQ(seen.filters, (std::vector<std::string>{"実行ﾌｧｲﾙ (*.exe)", "すべてのﾌｧｲﾙ (*.*)"})) << "the editor dialog's filters";
        EXPECT_EQ(WindowText(GetDlgItem(page, 1049)), editor) << "the chosen editor shown";
        sheet.Cancel();
    }
    EXPECT_EQ(DumpOptions().at("Editor"), StringEntry("notepad")) << "Editor in the registry after Cancel";
    // The next conversion opens its output with the chosen editor.
    PostMessageA(program.main(), WM_COMMAND, IDM_OPEN_CONVERT, 0);
    if (!ChooseInProgramDialog(program, "開いて変換", input)) return;
    if (!WaitUntil([&] { return ReadBytes(log).has_value(); }, 15000)) ADD_FAILURE() << "the editor was not started";
    EXPECT_EQ(ReadBytes(log).value_or(""), editor + " \"" + std::string(kWork) + "\\page.txt\"\r\n") << "the editor's command line";
    // And the sheet opened again shows it.
    SettingsSheet sheet(program);
    ASSERT_TRUE(sheet.open());
    EXPECT_EQ(WindowText(GetDlgItem(sheet.Page(5), 1049)), editor) << "the chosen editor on the next opening";
    sheet.Cancel();
    EXPECT_EQ(DumpOptions().at("Editor"), StringEntry("notepad")) << "Editor in the registry at the end";
}

// The shell-extension page through the real sheet: checked and applied it
// registers the extension, unchecked and applied it unregisters it; no
// option of the record is stored either way.
TEST_F(Settings, ShellExtensionPage) {
    ClearSettings();
    const char* const kHandlerKeys[] = {"Directory\\shellex\\ContextMenuHandlers\\shVorlax",
                                        "CLSID\\{7D6E5756-62BA-4BF7-9BDE-71F512AE9BBB}\\InProcServer32"};
    // A fresh system's classes: .html with no key of its own.
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "htmlfile\\shellex\\ContextMenuHandlers\\shVorlax");
    VorlaxProgram program;
    for (bool on : {true, false}) {
        SettingsSheet sheet(program);
        ASSERT_TRUE(sheet.open());
        HWND page = sheet.Page(6);
        EXPECT_EQ(CheckedAt(page, 1062), !on) << "the box as the page opens";
        ClickAt(page, 1062);
        sheet.Ok();
        ExpectOptions(Defaults(), "the shell page stores no option");
        for (const char* key : kHandlerKeys)
            EXPECT_EQ(KeyExists(HKEY_CLASSES_ROOT, key), on) << std::string("HKCR\\") + key;
        EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zel\\Vorlax"), on) << "\"Application Path\"'s key";
        char system[MAX_PATH] = "";
        GetSystemDirectoryA(system, MAX_PATH);
        // The DLL stays once it is there.
        EXPECT_EQ(Exists(std::string(system) + "\\shVorlax.dll"), true) << "shVorlax.dll in the system folder";
    }
}

}  // namespace
}  // namespace vorlax::wintest
