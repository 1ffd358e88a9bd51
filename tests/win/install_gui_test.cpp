// The installer and the uninstaller as a user meets them, driven from
// outside under Wine: "Vorlax.exe /install", the resources Vorlax.exe
// carries, and UnInst_Vorlax.exe with its message boxes read and answered,
// the registry and the files read back afterwards.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/win/gui_driver.h"

namespace vorlax::wintest {
namespace {

constexpr char kClassId[] = "{7D6E5756-62BA-4BF7-9BDE-71F512AE9BBB}";
const std::string kClassKey = std::string("CLSID\\") + kClassId;
const std::string kServerKey = kClassKey + "\\InProcServer32";
constexpr char kAppKey[] = "SOFTWARE\\Zel\\Vorlax";
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlax";
constexpr char kFolderHandler[] = "Directory\\shellex\\ContextMenuHandlers\\shVorlax";
constexpr char kClassHandler[] = "htmlfile\\shellex\\ContextMenuHandlers\\shVorlax";
constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kConfirmation[] = "Vorlax をアンインストールします。\nよろしいですか？";
constexpr char kDone[] = "アンインストール完了\n";
constexpr char kRestart[] = "アンインストールを完了するにはWindowsを再起動する必要があります\n";

std::string WindowsFolder() {
    char path[MAX_PATH] = "";
    GetWindowsDirectoryA(path, MAX_PATH);
    return path;
}

std::string SystemFolder() {
    char path[MAX_PATH] = "";
    GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

std::string ProgramsFolder() {
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, TRUE);
    return path;
}

std::string TempFolder() {
    char path[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, path);
    return path;
}

std::string UninstallerPath() { return WindowsFolder() + "\\UnInst_Vorlax.exe"; }
std::string DllPath() { return SystemFolder() + "\\shVorlax.dll"; }
const std::string kInstallFolder = "C:\\Program Files\\Vorlax\\";
std::string StartMenuFolder() { return ProgramsFolder() + "\\HTML→TEXT変換 Vorlax"; }

std::string Built(const char* name) { return ReadBytes(ProgramFolder() + name).value_or(""); }

// ---- the registry

// A value as "type:bytes", "(missing)" when it isn't there.
std::string ValueText(HKEY root, const std::string& key, const char* name) {
    const auto value = ValueAt(root, key, name);
    return value ? std::to_string(value->type) + ":" + value->bytes : "(missing)";
}
std::string Sz(const std::string& text) { return "1:" + SzBytes(text); }

// Every key and value below a key, one line each, for before/after
// comparisons.
void Dump(HKEY root, const std::string& key, std::vector<std::string>& lines) {
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return;
    lines.push_back("[" + key + "]");
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[4096];
        DWORD name_size = sizeof name, type = 0, size = sizeof data;
        if (RegEnumValueA(handle, i, name, &name_size, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        lines.push_back(std::string(name) + "=" + std::to_string(type) + ":" +
                        std::string(reinterpret_cast<char*>(data), size));
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD name_size = sizeof name;
        if (RegEnumKeyExA(handle, i, name, &name_size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.push_back(name);
    }
    RegCloseKey(handle);
    for (const std::string& subkey : subkeys) Dump(root, key + "\\" + subkey, lines);
}

// ---- what an installation leaves on the machine

void RemoveEverything() {
    for (const std::string& key : {std::string(kClassHandler), std::string(kFolderHandler), kClassKey,
                                   std::string("MyPages\\shellex")})
        DeleteTree(HKEY_CLASSES_ROOT, key);
    DeleteTree(HKEY_LOCAL_MACHINE, kAppKey);
    DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    ClearSettings();
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\UnInst_Vorlax.exe");
    for (const std::string& file : {UninstallerPath(), DllPath(), WindowsFolder() + "\\WININIT.INI"}) {
        SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(file.c_str());
    }
    RemoveTree(WindowsFolder() + "\\UnInst_Vorlax.exe");
    RemoveTree(kInstallFolder.substr(0, kInstallFolder.size() - 1));
    RemoveTree(StartMenuFolder());
}

// The keys and files of an installation with the extension registered,
// settings stored and the Start-menu shortcuts made by hand.
void MakeInstalled() {
    RemoveEverything();
    SetString(HKEY_CLASSES_ROOT, ".htm", "", "htmlfile");
    SetString(HKEY_CLASSES_ROOT, ".html", "", "htmlfile");
    SetString(HKEY_CLASSES_ROOT, kClassHandler, "", kClassId);
    SetString(HKEY_CLASSES_ROOT, kFolderHandler, "", kClassId);
    SetString(HKEY_CLASSES_ROOT, kClassKey, "", "shVorlax");
    SetString(HKEY_CLASSES_ROOT, kServerKey, "", "shVorlax.dll");
    SetString(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel", "Apartment");
    SetString(HKEY_LOCAL_MACHINE, kAppKey, "Application Path", kInstallFolder);
    SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Vorlax");
    SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", UninstallerPath());
    SetSetting("option", "Column", REG_DWORD, DwordBytes(79));
    SetSetting(nullptr, "WindowPos_left", REG_DWORD, DwordBytes(10));
    WriteBytes(DllPath(), Built("shVorlax.dll"));
    WriteBytes(UninstallerPath(), Built("UnInst_Vorlax.exe"));
    MakeFolders(kInstallFolder.substr(0, kInstallFolder.size() - 1));
    for (const char* name : {"Vorlax.exe", "Vorlax.hlp", "Vorlax.txt", "Vorlax.gid"})
        WriteBytes(kInstallFolder + name, name);
    MakeFolders(StartMenuFolder());
    for (const char* name : {"\\Vorlax.lnk", "\\Vorlaxについて.lnk", "\\Vorlaxのヘルプ.lnk"})
        WriteBytes(StartMenuFolder() + name, "shortcut");
}

// Everything of the program's on the machine, as lines.
std::vector<std::string> Snapshot() {
    std::vector<std::string> lines;
    for (const std::string& key : {std::string(".htm"), std::string(".html"), std::string(kClassHandler),
                                   std::string(kFolderHandler), kClassKey})
        Dump(HKEY_CLASSES_ROOT, key, lines);
    Dump(HKEY_LOCAL_MACHINE, kAppKey, lines);
    Dump(HKEY_LOCAL_MACHINE, kUninstallKey, lines);
    Dump(HKEY_CURRENT_USER, "Software\\Zel\\Vorlax", lines);
    for (const std::string& file : {UninstallerPath(), DllPath()})
        lines.push_back(file + (Exists(file) ? " exists" : " missing"));
    for (const std::string& name : ListFolder(kInstallFolder.substr(0, kInstallFolder.size() - 1)))
        lines.push_back("install folder: " + name);
    for (const std::string& name : ListFolder(StartMenuFolder())) lines.push_back("start menu: " + name);
    return lines;
}

// The batch files the uninstaller leaves in the temporary folder.
std::vector<std::string> BatchFiles() {
    std::vector<std::string> found;
    for (const std::string& name : ListFolder(TempFolder().substr(0, TempFolder().size() - 1)))
        if (name.rfind("zel", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".bat")
            found.push_back(name);
    return found;
}

// The uninstaller as installed: started from the Windows folder.
Process StartUninstaller() { return Start("\"" + UninstallerPath() + "\""); }

// Waits for a box of the process and checks its text; presses `button`.
void Answer(const Process& p, const std::string& text, int button, const char* screenshot = nullptr,
            const char* title = "Vorlax") {
    auto box = WaitForMessageBox(p.id(), 10000, title);
    ASSERT_TRUE(box) << "no box for: " << text;
    EXPECT_EQ(box->text, text);
    if (screenshot && !ScreenshotFolder().empty()) {
        // The box paints itself a moment after it appears.
        RedrawWindow(box->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(500);
        SaveScreenshot(box->window, ScreenshotFolder() + screenshot);
    }
    Press(box->window, button);
}

class Uninstaller : public ::testing::Test {
protected:
    void SetUp() override {
        MakeInstalled();
        for (const char* key : {".htm", ".html"}) Dump(HKEY_CLASSES_ROOT, key, classes_);
    }
    void TearDown() override {
        // A batch still waiting would delete the next case's uninstaller.
        EXPECT_TRUE(WaitUntil([] { return BatchFiles().empty(); }, 20000));
        RemoveEverything();
    }

    // Runs the uninstaller, answers the confirmation with Yes and checks the
    // closing message; the exit code.
    DWORD UninstallWithYes(const std::string& closing) {
        Process p = StartUninstaller();
        Answer(p, kConfirmation, IDYES);
        Answer(p, closing, IDOK);
        return p.Wait();
    }

    // Nothing of the program is left, the class defaults and the uninstall
    // list's key aside; the uninstaller and its batch go after it exits.
    void ExpectAllRemoved(bool dll_scheduled = false) {
        std::vector<std::string> expected = classes_;
        expected.push_back(UninstallerPath() + " exists");
        expected.push_back(DllPath() + (dll_scheduled ? " exists" : " missing"));
        std::vector<std::string> now = Snapshot();
        if (now.size() == expected.size()) now[now.size() - 2] = expected[expected.size() - 2];  // may be gone already
        EXPECT_EQ(now, expected);
        EXPECT_FALSE(Exists(kInstallFolder));
        EXPECT_FALSE(Exists(StartMenuFolder()));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
        // The vendor's keys went too, being empty.
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zel"));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Zel"));
        EXPECT_TRUE(WaitUntil([] { return !Exists(UninstallerPath()) && BatchFiles().empty(); }, 20000))
            << "the batch did not delete the uninstaller and itself";
    }

    std::vector<std::string> classes_;  // ".htm" and ".html", which stay
};

TEST_F(Uninstaller, RefusesWhileTheMainWindowIsOpen) {
    Process vorlax = Start(VorlaxCommand());
    ASSERT_TRUE(WaitForMainWindow(vorlax));
    const std::vector<std::string> before = Snapshot();
    Process p = StartUninstaller();
    Answer(p, "アンインストールする前に、Vorlaxを終了させて下さい。", IDOK);
    EXPECT_EQ(p.Wait(), 0u);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(BatchFiles().empty());
}

TEST_F(Uninstaller, NoChangesNothing) {
    const std::vector<std::string> before = Snapshot();
    Process p = StartUninstaller();
    Answer(p, kConfirmation, IDNO);
    EXPECT_EQ(p.Wait(), 1u);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(Uninstaller, YesRemovesEverythingAndTheBatchDeletesTheUninstaller) {
    Process p = StartUninstaller();
    Answer(p, kConfirmation, IDYES, "uninstall-confirmation.bmp");
    Answer(p, kDone, IDOK, "uninstall-done.bmp");
    EXPECT_EQ(p.Wait(), 1u);
    ExpectAllRemoved();
}

TEST_F(Uninstaller, AnInstallFolderWithAConvertedTextGivesTheRemark) {
    WriteBytes(kInstallFolder + "page.txt", "converted");
    // Another program of the vendor keeps the vendor's key.
    SetString(HKEY_CURRENT_USER, "Software\\Zel\\Other", "x", "y");
    EXPECT_EQ(UninstallWithYes(std::string(kDone) +
                               "\n※インストールフォルダを完全に削除することができませんでした。\n　　→" + kInstallFolder),
              1u);
    EXPECT_EQ(ListFolder(kInstallFolder.substr(0, kInstallFolder.size() - 1)), std::vector<std::string>{"page.txt"});
    EXPECT_FALSE(ValueAt(HKEY_LOCAL_MACHINE, kAppKey, "Application Path"));
    EXPECT_EQ(ValueText(HKEY_CURRENT_USER, "Software\\Zel\\Other", "x"), Sz("y"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Zel\\Vorlax"));
    DeleteTree(HKEY_CURRENT_USER, "Software\\Zel");
}

TEST_F(Uninstaller, NeverRegisteredAndUnregisteredBefore) {
    // No DLL, no "Application Path": completion, no remark, and the
    // program files stay where they are.
    DeleteFileA(DllPath().c_str());
    DeleteTree(HKEY_LOCAL_MACHINE, kAppKey);
    EXPECT_EQ(UninstallWithYes(kDone), 1u);
    EXPECT_EQ(ListFolder(kInstallFolder.substr(0, kInstallFolder.size() - 1)),
              (std::vector<std::string>{"Vorlax.exe", "Vorlax.gid", "Vorlax.hlp", "Vorlax.txt"}));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// The DLL held open by another process, as the shell holds it.
class HeldFile {
public:
    explicit HeldFile(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldFile() { Release(); }
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Release() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

std::wstring PendingRenames() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return L"(no key)";
    wchar_t data[2048] = {};
    DWORD type = 0, size = sizeof data;
    const LONG result = RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type,
                                         reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return L"(none)";
    if (type != REG_MULTI_SZ) return L"(type " + std::to_wstring(type) + L")";
    return std::wstring(data, size / sizeof(wchar_t));
}

std::wstring Wide(const std::string& text) {
    wchar_t wide[1024] = {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), wide, 1024);
    return std::wstring(wide, n);
}

TEST_F(Uninstaller, WindowsNTSchedulesADllInUseAndAsksForARestart) {
    HeldFile dll(DllPath());
    ASSERT_TRUE(dll.held());
    EXPECT_EQ(UninstallWithYes(kRestart), 1u);
    // One rename to nothing: the NT name of the DLL, then an empty name.
    EXPECT_EQ(PendingRenames(), L"\\??\\" + Wide(DllPath()) + std::wstring(L"\0\0\0", 3));
    ExpectAllRemoved(true);
}

TEST_F(Uninstaller, WindowsNTStopsWhenTheDllCanNotBeScheduled) {
    // A rename list the system can't add to (not a string list) makes the
    // scheduling fail, as missing rights do.
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD junk = 1;
    RegSetValueExA(key, "PendingFileRenameOperations", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&junk), 4);
    RegCloseKey(key);
    HeldFile dll(DllPath());
    const std::vector<std::string> before = Snapshot();
    Process p = StartUninstaller();
    Answer(p, kConfirmation, IDYES);
    Answer(p, "dllを削除できませんでした。\nAdministrator権限が必要です", IDOK);
    EXPECT_EQ(p.Wait(), 0u);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(BatchFiles().empty());
}

TEST_F(Uninstaller, Windows98WritesTheRenameSectionOfWininit) {
    SetString(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\UnInst_Vorlax.exe", "Version", "win98");
    HeldFile dll(DllPath());
    EXPECT_EQ(UninstallWithYes(kRestart), 1u);
    EXPECT_EQ(ReadBytes(WindowsFolder() + "\\WININIT.INI"), "[rename]\r\nNUL=" + DllPath() + "\r\n");
    EXPECT_EQ(PendingRenames(), L"(none)");
    ExpectAllRemoved(true);
}

TEST_F(Uninstaller, TheBatchFileTextAndItsLoopUntilTheUninstallerIsGone) {
    // While the test holds the uninstaller's file, the batch can't delete
    // it and keeps trying: its file can be read meanwhile.
    HeldFile uninstaller(UninstallerPath());
    ASSERT_TRUE(uninstaller.held());
    EXPECT_EQ(UninstallWithYes(kDone), 1u);
    const std::vector<std::string> batches = BatchFiles();
    ASSERT_EQ(batches.size(), 1u);
    const std::string batch = TempFolder() + batches[0];
    const std::string name = batch.substr(0, batch.size() - 4);
    EXPECT_EQ(ReadBytes(batch), ":Repeat\r\ndel \"" + UninstallerPath() + "\"\r\nif exist \"" + UninstallerPath() +
                                    "\" goto Repeat\r\ndel \"" + name + ".PIF\"\r\ndel \"" + batch + "\"\r\n");
    Sleep(500);
    EXPECT_TRUE(Exists(UninstallerPath()));
    uninstaller.Release();
    ExpectAllRemoved();
}

TEST_F(Uninstaller, ABatchFileThatCanNotBeMadeStopsWithTheSystemsText) {
    // A temporary folder that does not exist.
    char old_tmp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", old_tmp, MAX_PATH);
    SetEnvironmentVariableA("TMP", "C:\\no-such-folder");
    Process p = StartUninstaller();
    SetEnvironmentVariableA("TMP", *old_tmp ? old_tmp : nullptr);
    Answer(p, kConfirmation, IDYES);
    // The error the system gives for a temporary name there.
    char name[MAX_PATH] = "";
    EXPECT_EQ(GetTempFileNameA("C:\\no-such-folder\\", "zel", 0, name), 0u);
    const DWORD error = GetLastError();
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
    const std::string expected = text ? text : "";
    if (text) LocalFree(text);
    Answer(p, expected, IDOK, nullptr, "Win32 API Error");
    EXPECT_EQ(p.Wait(), 0u);
    // The DLL and the program files are gone, the rest stays.
    EXPECT_FALSE(Exists(DllPath()));
    EXPECT_FALSE(Exists(kInstallFolder));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(Exists(StartMenuFolder() + "\\Vorlax.lnk"));
    EXPECT_TRUE(SettingValue("option", "Column"));
}

// ---- the resources of Vorlax.exe

std::optional<std::string> ResourceOf(const std::string& module, int id, const char* type = "BIN_DATA") {
    HMODULE data = LoadLibraryExA(module.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!data) return std::nullopt;
    std::optional<std::string> bytes;
    if (HRSRC found = FindResourceA(data, MAKEINTRESOURCEA(id), type)) {
        HGLOBAL loaded = LoadResource(data, found);
        if (const void* p = loaded ? LockResource(loaded) : nullptr)
            bytes = std::string(static_cast<const char*>(p), SizeofResource(data, found));
    }
    FreeLibrary(data);
    return bytes;
}

TEST(Resources, VorlaxCarriesTheBuiltDllAndUninstallerByteForByte) {
    const std::string program = ProgramFolder() + "Vorlax.exe";
    const std::string dll = Built("shVorlax.dll"), uninstaller = Built("UnInst_Vorlax.exe");
    ASSERT_GT(dll.size(), 10000u);
    ASSERT_GT(uninstaller.size(), 10000u);
    EXPECT_TRUE(ResourceOf(program, 139) == dll);
    EXPECT_TRUE(ResourceOf(program, 142) == uninstaller);
}

// The application manifest (RT_MANIFEST 1) of both programs, byte for byte
// as the build filled it in.
TEST(Resources, BothProgramsCarryTheirManifest) {
    const char* const kManifest = MAKEINTRESOURCEA(24);
    const std::string vorlax = Built("..\\manifests\\Vorlax.manifest");
    const std::string uninstaller = Built("..\\manifests\\UnInst_Vorlax.manifest");
    ASSERT_NE(vorlax.find("<activeCodePage"), std::string::npos);
    ASSERT_NE(uninstaller.find("<activeCodePage"), std::string::npos);
    EXPECT_TRUE(ResourceOf(ProgramFolder() + "Vorlax.exe", 1, kManifest) == vorlax);
    EXPECT_TRUE(ResourceOf(ProgramFolder() + "UnInst_Vorlax.exe", 1, kManifest) == uninstaller);
}

// ---- "/install"


class Install : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveEverything();
        log_ = TempFolder() + "install-help.log";
        DeleteFileA(log_.c_str());
        SetEnvironmentVariableA("VORLAX_STUB_LOG", log_.c_str());
    }
    void TearDown() override { RemoveEverything(); }

    std::string HelpLog() { return ReadBytes(log_).value_or(""); }

    // Everything "/install" writes, exactly.
    void ExpectInstalled() {
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kAppKey, "Application Path"), Sz(ProgramFolder()));
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), Sz("Vorlax"));
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), Sz(UninstallerPath()));
        std::vector<std::string> lines;
        Dump(HKEY_LOCAL_MACHINE, kAppKey, lines);
        Dump(HKEY_LOCAL_MACHINE, kUninstallKey, lines);
        EXPECT_EQ(lines.size(), 5u) << "no other keys or values";
        EXPECT_TRUE(ReadBytes(UninstallerPath()) == Built("UnInst_Vorlax.exe"));
        // The help file, through the shell's default verb for ".txt".
        EXPECT_TRUE(WaitUntil([&] { return !HelpLog().empty(); }));
        EXPECT_EQ(HelpLog(), "\"" + ProgramFolder() + "editor_stub.exe\" \"" + ProgramFolder() + "Vorlax.txt\"\r\n");
        // Nothing of the shell extension.
        EXPECT_FALSE(Exists(DllPath()));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kFolderHandler));
    }

    std::string log_;
};

TEST_F(Install, WritesTheEntriesAndTheUninstallerAndOpensTheHelp) {
    OpenVerbOverride txt(TextFileClass());
    WriteBytes(UninstallerPath(), "an older uninstaller");
    for (const char* spelling : {"/install", "/INSTALL", "/Install"}) {
        SCOPED_TRACE(spelling);
        DeleteFileA(log_.c_str());
        Process p = Start(VorlaxCommand(spelling));
        EXPECT_EQ(p.Wait(), 1u);
        ExpectInstalled();
    }
}

TEST_F(Install, RunsWhileAnotherVorlaxRuns) {
    OpenVerbOverride txt(TextFileClass());
    Process running = Start(VorlaxCommand());
    ASSERT_TRUE(WaitForMainWindow(running));
    Process p = Start(VorlaxCommand("/install"));
    EXPECT_EQ(p.Wait(), 1u);
    ExpectInstalled();
}

TEST_F(Install, WithASecondArgumentItIsNoInstallation) {
    Process p = Start(VorlaxCommand("/install x.htm"), TempFolder());
    Answer(p, "/install\nこのファイルのオープンに失敗しました", IDOK);
    EXPECT_EQ(p.Wait(), 0u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAppKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(Exists(UninstallerPath()));
}

// A Windows folder that can't take the file: the message, and only
// "Application Path" written.
void ExpectUninstallerRefused() {
    Process p = Start(VorlaxCommand("/install"));
    Answer(p, "アンインストール情報を登録できませんでした", IDOK);
    EXPECT_EQ(p.Wait(), 1u);
    EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kAppKey, "Application Path"), Sz(ProgramFolder()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(Install, AFolderInTheUninstallersPlaceGivesTheMessage) {
    CreateDirectoryA(UninstallerPath().c_str(), nullptr);
    ExpectUninstallerRefused();
}

// Run by the script with the Windows folder made read-only
// (VORLAX_READONLY_WINDOWS=1).
TEST_F(Install, AReadOnlyWindowsFolderGivesTheMessage) {
    if (!GetEnvironmentVariableA("VORLAX_READONLY_WINDOWS", nullptr, 0)) GTEST_SKIP() << "needs a read-only folder";
    ExpectUninstallerRefused();
}

// ---- the shell-extension page, the last of Vorlax.exe's settings sheet

constexpr int kCheckBox = 1062;

// Vorlax.exe (the test's own or an installed copy) with its settings sheet
// open at the shell-extension page: the page's box and the sheet's buttons.
class PageHost {
public:
    // Opens the sheet at the page; whether the page's box is checked.
    bool Open(const std::string& program = ProgramFolder() + "Vorlax.exe") {
        sheet_.reset();
        program_.emplace(program);
        if (!program_->main()) return false;
        sheet_.emplace(*program_);
        if (!sheet_->open()) return false;
        check_ = GetDlgItem(sheet_->Page(6), kCheckBox);
        EXPECT_TRUE(check_) << "no page";
        return Checked(check_);
    }
    void Click() { vorlax::wintest::Click(check_); }
    void PressOk() { sheet_->Press(PSBTN_OK); }
    // Waits for the sheet to close, then ends the program; its exit code.
    DWORD Wait() {
        if (!sheet_->WaitClosed(20000)) return STILL_ACTIVE;
        return program_->Exit();
    }
    DWORD Close(int button) {
        sheet_->Press(button);
        return Wait();
    }
    HWND sheet() const { return sheet_->window(); }
    Process& process() { return program_->process(); }

private:
    std::optional<VorlaxProgram> program_;
    std::optional<SettingsSheet> sheet_;
    HWND check_ = nullptr;
};

class ShellPage : public ::testing::Test {
protected:
    void SetUp() override { RemoveEverything(); }
    void TearDown() override { RemoveEverything(); }

    bool Open() { return host_.Open(); }
    void Click() { host_.Click(); }
    void PressOk() { host_.PressOk(); }
    DWORD Close(int button) { return host_.Close(button); }

    // The registration's keys as lines, checked whole.
    std::vector<std::string> Registration(const char* htm_class) {
        std::vector<std::string> lines;
        lines.push_back(".htm " + ValueText(HKEY_CLASSES_ROOT, ".htm", ""));
        lines.push_back(".html " + ValueText(HKEY_CLASSES_ROOT, ".html", ""));
        for (const std::string& key : {std::string(htm_class) + "\\shellex",
                                       std::string("htmlfile\\shellex"), std::string("Directory\\shellex\\ContextMenuHandlers\\shVorlax"),
                                       kClassKey})
            Dump(HKEY_CLASSES_ROOT, key, lines);
        Dump(HKEY_LOCAL_MACHINE, kAppKey, lines);
        return lines;
    }

    PageHost host_;
};

// A value line of Dump().
std::string SzLine(const char* name, const std::string& text) { return std::string(name) + "=1:" + SzBytes(text); }

// What registering writes, with ".htm" of `htm_class`.
std::vector<std::string> Registered(const std::string& htm_class) {
    std::vector<std::string> lines = {".htm " + Sz(htm_class), ".html " + Sz("htmlfile")};
    auto handler = [&](const std::string& file_class) {
        lines.insert(lines.end(), {"[" + file_class + "\\shellex]", "[" + file_class + "\\shellex\\ContextMenuHandlers]",
                                   "[" + file_class + "\\shellex\\ContextMenuHandlers\\shVorlax]", SzLine("", kClassId)});
    };
    handler(htm_class);
    handler("htmlfile");
    lines.insert(lines.end(), {"[Directory\\shellex\\ContextMenuHandlers\\shVorlax]", SzLine("", kClassId),
                               "[" + kClassKey + "]", SzLine("", "shVorlax"), "[" + kServerKey + "]",
                               SzLine("", "shVorlax.dll"), SzLine("ThreadingModel", "Apartment"),
                               std::string("[") + kAppKey + "]", SzLine("Application Path", ProgramFolder())});
    return lines;
}

void Register(const std::string& htm_class) {
    SetString(HKEY_CLASSES_ROOT, ".htm", "", htm_class);
    SetString(HKEY_CLASSES_ROOT, ".html", "", "htmlfile");
    for (const std::string& file_class : {htm_class, std::string("htmlfile")})
        SetString(HKEY_CLASSES_ROOT, file_class + "\\shellex\\ContextMenuHandlers\\shVorlax", "", kClassId);
    SetString(HKEY_CLASSES_ROOT, kFolderHandler, "", kClassId);
    SetString(HKEY_CLASSES_ROOT, kClassKey, "", "shVorlax");
    SetString(HKEY_CLASSES_ROOT, kServerKey, "", "shVorlax.dll");
    SetString(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel", "Apartment");
    SetString(HKEY_LOCAL_MACHINE, kAppKey, "Application Path", ProgramFolder());
}

TEST_F(ShellPage, OpensCheckedOnlyWhenAllThreeHandlerKeysExist) {
    struct Case {
        const char* name;
        std::string missing;  // a key removed after registering
        bool checked;
    };
    const Case cases[] = {
        {"all three", "", true},
        {"no folder handler", kFolderHandler, false},
        {"no handler of .htm's class", "MyPages\\shellex\\ContextMenuHandlers\\shVorlax", false},
        {"no handler of .html's class", "htmlfile\\shellex\\ContextMenuHandlers\\shVorlax", false},
        {"no server keys (not looked at)", kServerKey, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Register("MyPages");
        if (!c.missing.empty()) RegDeleteKeyA(HKEY_CLASSES_ROOT, c.missing.c_str());
        EXPECT_EQ(Open(), c.checked);
        Close(PSBTN_CANCEL);
        RemoveEverything();
    }
}

TEST_F(ShellPage, RegisteringCopiesTheDllAndWritesTheKeys) {
    // ".htm" of another class keeps it; ".html" without a key gets
    // "htmlfile".
    SetString(HKEY_CLASSES_ROOT, ".htm", "", "MyPages");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".html");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, ".html");
    EXPECT_FALSE(Open());
    Click();
    if (!ScreenshotFolder().empty()) {
        Sleep(500);
        SaveScreenshot(host_.sheet(), ScreenshotFolder() + "shell-page.bmp");
    }
    PressOk();
    EXPECT_NE(host_.Wait(), STILL_ACTIVE);
    EXPECT_EQ(Registration("MyPages"), Registered("MyPages"));
    EXPECT_TRUE(ReadBytes(DllPath()) == Built("shVorlax.dll"));
    EXPECT_TRUE(Open()) << "registered now";
    Close(PSBTN_CANCEL);
}

TEST_F(ShellPage, AnExistingDllIsLeftUntouched) {
    WriteBytes(DllPath(), "some other shVorlax.dll");
    SetString(HKEY_CLASSES_ROOT, ".htm", "", "htmlfile");
    EXPECT_FALSE(Open());
    Click();
    PressOk();
    EXPECT_NE(host_.Wait(), STILL_ACTIVE);
    EXPECT_EQ(ReadBytes(DllPath()), "some other shVorlax.dll");
    EXPECT_EQ(ValueText(HKEY_CLASSES_ROOT, kServerKey, ""), Sz("shVorlax.dll"));
}

TEST_F(ShellPage, UnregisteringKeepsTheDllAndTheClassDefaults) {
    Register("MyPages");
    WriteBytes(DllPath(), Built("shVorlax.dll"));
    EXPECT_TRUE(Open());
    Click();
    PressOk();
    EXPECT_NE(host_.Wait(), STILL_ACTIVE);
    // Only the parents of the handler keys stay.
    EXPECT_EQ(Registration("MyPages"),
              (std::vector<std::string>{".htm " + Sz("MyPages"), ".html " + Sz("htmlfile"), "[MyPages\\shellex]", "[MyPages\\shellex\\ContextMenuHandlers]",
                                        "[htmlfile\\shellex]", "[htmlfile\\shellex\\ContextMenuHandlers]"}));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "MyPages\\shellex\\ContextMenuHandlers\\shVorlax"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "htmlfile\\shellex\\ContextMenuHandlers\\shVorlax"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kFolderHandler));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAppKey));
    EXPECT_EQ(ValueText(HKEY_CLASSES_ROOT, ".htm", ""), Sz("MyPages"));
    EXPECT_EQ(ValueText(HKEY_CLASSES_ROOT, ".html", ""), Sz("htmlfile"));
    EXPECT_TRUE(ReadBytes(DllPath()) == Built("shVorlax.dll"));
}

// Run by the script with the system folder made read-only
// (VORLAX_READONLY_WINDOWS=1): the message, then the keys all the same.
TEST_F(ShellPage, AReadOnlySystemFolderGivesTheMessage) {
    if (!GetEnvironmentVariableA("VORLAX_READONLY_WINDOWS", nullptr, 0)) GTEST_SKIP() << "needs a read-only folder";
    SetString(HKEY_CLASSES_ROOT, ".htm", "", "MyPages");
    SetString(HKEY_CLASSES_ROOT, ".html", "", "htmlfile");
    EXPECT_FALSE(Open());
    Click();
    PressOk();
    Answer(host_.process(), "必要なdllをコピーできませんでした", IDOK);
    EXPECT_NE(host_.Wait(), STILL_ACTIVE);
    EXPECT_FALSE(Exists(DllPath()));
    EXPECT_EQ(Registration("MyPages"), Registered("MyPages"));
}

// ---- the whole life cycle (tests/win/install/life_cycle.sh)

// The system folder as the system itself names it: a 32-bit program on
// 64-bit Windows sees SysWOW64 under the name of system32.
std::string RealSystemFolder() {
    BOOL wow64 = FALSE;
    char path[MAX_PATH] = "";
    if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64 && GetSystemWow64DirectoryA(path, MAX_PATH)) return path;
    return SystemFolder();
}

bool IsWindows9x() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// VORLAX_LIFE_CYCLE names the install folder the script unpacked the
// package into; the pages are in C:\lc. The script compares the outputs
// and the machine before and after, and restarts the system between.
TEST(LifeCycle, InstallRegisterConvertUnregisterUninstall) {
    char folder_buffer[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("VORLAX_LIFE_CYCLE", folder_buffer, MAX_PATH)) GTEST_SKIP() << "run by the script";
    const std::string folder = folder_buffer;
    const std::string program = "\"" + folder + "Vorlax.exe\"";

    // Started by hand, the window takes a dropped page and converts it.
    {
        Process vorlax = Start(program);
        const HWND main = WaitForMainWindow(vorlax);
        ASSERT_TRUE(main) << "no main window";
        ASSERT_TRUE(CanDropFiles()) << "no XDND tool (VORLAX_XDND)";
        EXPECT_EQ(DropFiles({"C:\\lc\\drop\\dropped.html"}), 0);
        EXPECT_TRUE(WaitUntil([&] { return Exists("C:\\lc\\drop\\dropped.txt") && StatusText(main) == "完了"; }, 30000));
        PostCommand(main, 2);
        EXPECT_EQ(vorlax.Wait(), 0u);
    }
    // A command-line job converts its page and closes the program.
    EXPECT_EQ(Start(program + " C:\\lc\\command\\page.html").Wait(), 0u);
    EXPECT_TRUE(Exists("C:\\lc\\command\\page.txt"));

    // "/install" from the install folder.
    EXPECT_EQ(Start("\"" + folder + "Vorlax.exe\" /install").Wait(), 1u);
    EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kAppKey, "Application Path"), Sz(folder));
    EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), Sz(UninstallerPath()));
    EXPECT_TRUE(ReadBytes(UninstallerPath()) == Built("UnInst_Vorlax.exe"));

    // The shell-extension page of the installed program's settings, checked, OK.
    const std::string page_program = folder + "Vorlax.exe";
    {
        PageHost page;
        EXPECT_FALSE(page.Open(page_program));
        page.Click();
        page.PressOk();
        EXPECT_NE(page.Wait(), STILL_ACTIVE);
    }
    EXPECT_TRUE(ReadBytes(DllPath()) == Built("shVorlax.dll"));
    EXPECT_EQ(ValueText(HKEY_CLASSES_ROOT, kFolderHandler, ""), Sz(kClassId));
    EXPECT_EQ(ValueText(HKEY_CLASSES_ROOT, kClassHandler, ""), Sz(kClassId));
    EXPECT_EQ(ValueText(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel"), Sz("Apartment"));
    EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kAppKey, "Application Path"), Sz(folder));

    // The context menu, as Explorer uses it: a page, then a folder with its
    // subfolders (Shift). The real Vorlax.exe converts and closes itself.
    const std::string host = "\"" + ProgramFolder() + "shellext_explorer_host.exe\" --real ";
    struct Use {
        std::string arguments;
        std::vector<std::string> outputs;
    };
    const Use uses[] = {
        {"--verb 0 \"C:\\lc\\pages\\ページ.html\"", {"C:\\lc\\pages\\ページ.txt"}},
        {"--shift --verb 1 C:\\lc\\site", {"C:\\lc\\site\\top.txt", "C:\\lc\\site\\表\\nested.txt"}},
    };
    for (const Use& use : uses) {
        SCOPED_TRACE(use.arguments);
        EXPECT_EQ(Start(host + use.arguments).Wait(), 0u);
        EXPECT_TRUE(WaitUntil([&] {
            for (const std::string& output : use.outputs)
                if (!Exists(output)) return false;
            return FindWindowA("VorlaxClass", "Vorlax") == nullptr;
        }, 30000));
    }
    // Every list file was deleted by Vorlax.exe.
    for (const std::string& name : ListFolder(TempFolder().substr(0, TempFolder().size() - 1)))
        EXPECT_NE(name.rfind("zel", 0), 0u) << name;

    // The page again, cleared, OK.
    {
        PageHost page;
        EXPECT_TRUE(page.Open(page_program));
        page.Click();
        page.PressOk();
        EXPECT_NE(page.Wait(), STILL_ACTIVE);
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAppKey));

    // The uninstaller, Yes, while the shell still holds the DLL: it goes
    // at the next start of Windows, by the means of the Windows it runs on.
    // "Application Path" went with the page: the program files stay where
    // the user unpacked them.
    HeldFile dll(DllPath());
    ASSERT_TRUE(dll.held());
    Process uninstaller = StartUninstaller();
    Answer(uninstaller, kConfirmation, IDYES);
    Answer(uninstaller, kRestart, IDOK);
    EXPECT_EQ(uninstaller.Wait(), 1u);
    dll.Release();
    EXPECT_TRUE(WaitUntil([] { return !Exists(UninstallerPath()) && BatchFiles().empty(); }, 20000));
    const std::string wininit = WindowsFolder() + "\\WININIT.INI";
    if (IsWindows9x()) {
        EXPECT_EQ(ReadBytes(wininit), "[rename]\r\nNUL=" + DllPath() + "\r\n");
        EXPECT_EQ(PendingRenames(), L"(none)");
        std::printf("life cycle: Windows 9x: the DLL named in WININIT.INI\n");
    } else {
        const std::string real = RealSystemFolder() + "\\shVorlax.dll";
        EXPECT_EQ(PendingRenames(), L"\\??\\" + Wide(real) + std::wstring(L"\0\0\0", 3));
        EXPECT_FALSE(Exists(wininit));
        std::printf("life cycle: Windows NT: the DLL scheduled as %s\n", real.c_str());
    }
}

// Run by the script last, which then asks Wine's uninstaller for its list.
TEST(InstallForTheList, Install) {
    OpenVerbOverride txt(TextFileClass());
    Process p = Start(VorlaxCommand("/install"));
    EXPECT_EQ(p.Wait(), 1u);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

}  // namespace
}  // namespace vorlax::wintest
