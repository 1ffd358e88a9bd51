// The uninstaller's steps over a system held in tables: every call it makes,
// in order, compared whole for each situation it meets.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "uninstall/uninstall.h"

namespace vorlax::uninstall {
namespace {

using Lines = std::vector<std::string>;

const char* RootName(RegRoot root) {
    switch (root) {
        case RegRoot::kCurrentUser: return "HKCU";
        case RegRoot::kLocalMachine: return "HKLM";
        case RegRoot::kClassesRoot: return "HKCR";
    }
    return "?";
}

// A Windows system as tables; every call is logged as one line.
struct System {
    bool running = false;
    int answer = kIdYes;
    bool nt = true;
    std::set<std::string> files = {"C:\\WINDOWS\\SYSTEM\\shVorlax.dll"};
    std::set<std::string> undeletable;   // files that stay (in use)
    bool can_schedule = true;
    std::string system = "C:\\WINDOWS\\SYSTEM";
    std::string windows = "C:\\WINDOWS";
    bool have_windows = true;
    std::string wow64;                              // SysWOW64, when running there
    std::map<std::string, std::string> short_names;  // paths with an 8.3 form of their own
    std::map<std::string, std::string> values = {
        {"HKLM\\SOFTWARE\\Zel\\Vorlax|Application Path", "C:\\Program Files\\Vorlax\\"},
        {"HKCR\\.htm|", "htmlfile"},
        {"HKCR\\.html|", "htmlfile"},
    };
    std::set<std::string> full_folders;  // folders that can't be removed
    bool have_temp_name = true;
    bool can_write_batch = true;
    bool batch_starts = true;
    bool have_programs = true;
    Lines log;
};

class FakePlatform final : public UninstallPlatform {
public:
    explicit FakePlatform(System& s) : s_(s) {}

    bool MainProgramRunning() override {
        Log("find-window VorlaxClass Vorlax");
        return s_.running;
    }
    int Message(const std::string& text, unsigned flags) override {
        Log("message " + std::to_string(flags) + " [" + text + "]");
        return flags & kMbYesNo ? s_.answer : 1;
    }
    void ShowLastError() override { Log("error-box"); }
    bool FileExists(const std::string& path) override {
        Log("find " + path);
        return s_.files.count(path) > 0;
    }
    bool RemoveFile(const std::string& path) override {
        Log("delete " + path);
        if (s_.undeletable.count(path)) return false;
        return s_.files.erase(path) > 0;
    }
    bool RemoveFolder(const std::string& path) override {
        Log("rmdir " + path);
        return s_.full_folders.count(path) == 0;
    }
    bool IsWindowsNT() override {
        Log("version");
        return s_.nt;
    }
    bool DeleteAtRestart(const std::string& path) override {
        Log("move-at-restart " + path);
        return s_.can_schedule;
    }
    bool SystemFolder(std::string* folder) override {
        Log("system-folder");
        *folder = s_.system;
        return true;
    }
    bool WindowsFolder(std::string* folder) override {
        Log("windows-folder");
        *folder = s_.windows;
        return s_.have_windows;
    }
    bool Wow64SystemFolder(std::string* folder) override {
        Log("wow64-folder");
        *folder = s_.wow64;
        return !s_.wow64.empty();
    }
    std::string ShortPath(const std::string& path) override {
        Log("short-path " + path);
        const auto found = s_.short_names.find(path);
        return found == s_.short_names.end() ? path : found->second;
    }
    void MakeFileExist(const std::string& path) override { Log("open-always " + path); }
    void WriteIniString(const std::string& file, const char* section, const char* key,
                            const std::string& value) override {
        Log("profile " + file + " [" + section + "] " + key + "=" + value);
    }
    bool ReadString(RegRoot root, const std::string& key, const char* name, std::string* value) override {
        const std::string at = std::string(RootName(root)) + "\\" + key + "|" + (name ? name : "");
        Log("read " + at);
        const auto found = s_.values.find(at);
        if (found == s_.values.end()) return false;
        *value = found->second;
        return true;
    }
    void DeleteKey(RegRoot root, const std::string& key) override {
        Log(std::string("delete-key ") + RootName(root) + "\\" + key);
    }
    void DeleteKeyIfEmpty(RegRoot root, const std::string& key) override {
        Log(std::string("delete-empty-key ") + RootName(root) + "\\" + key);
    }
    std::string ModulePath() override {
        Log("module");
        return "C:\\WINDOWS\\UnInst_Vorlax.exe";
    }
    bool TemporaryName(std::string* name) override {
        Log("temp-name");
        *name = "C:\\TEMP\\zel1A2.tmp";
        return s_.have_temp_name;
    }
    bool WriteNewFile(const std::string& path, const std::string& bytes) override {
        Log("write " + path + " [" + bytes + "]");
        return s_.can_write_batch;
    }
    bool StartBatch(const std::string& path) override {
        Log("start " + path);
        return s_.batch_starts;
    }
    bool ProgramsFolder(std::string* folder) override {
        Log("programs-folder");
        *folder = "C:\\WINDOWS\\Start Menu\\Programs";
        return s_.have_programs;
    }

private:
    void Log(const std::string& line) { s_.log.push_back(line); }
    System& s_;
};

const std::string kBatch =
    ":Repeat\r\ndel \"C:\\WINDOWS\\UnInst_Vorlax.exe\"\r\nif exist \"C:\\WINDOWS\\UnInst_Vorlax.exe\" goto Repeat\r\n"
    "del \"C:\\TEMP\\zel1A2.tmp.PIF\"\r\ndel \"C:\\TEMP\\zel1A2.tmp.bat\"\r\n";

const Lines kStart = {
    "find-window VorlaxClass Vorlax",
    "message 36 [Vorlax をアンインストールします。\nよろしいですか？]",
};
const Lines kDllDeleted = {
    "system-folder",
    "find C:\\WINDOWS\\SYSTEM\\shVorlax.dll",
    "delete C:\\WINDOWS\\SYSTEM\\shVorlax.dll",
};
const Lines kDllScheduled = {
    "system-folder",
    "find C:\\WINDOWS\\SYSTEM\\shVorlax.dll",
    "delete C:\\WINDOWS\\SYSTEM\\shVorlax.dll",
    "version",
    "wow64-folder",
    "move-at-restart C:\\WINDOWS\\SYSTEM\\shVorlax.dll",
};
const Lines kProgramFiles = {
    "read HKLM\\SOFTWARE\\Zel\\Vorlax|Application Path",
    "delete C:\\Program Files\\Vorlax\\Vorlax.exe",
    "delete C:\\Program Files\\Vorlax\\Vorlax.hlp",
    "delete C:\\Program Files\\Vorlax\\Vorlax.txt",
    "delete C:\\Program Files\\Vorlax\\Vorlax.gid",
    "rmdir C:\\Program Files\\Vorlax\\",
};
const Lines kBatchLines = {
    "module",
    "temp-name",
    "write C:\\TEMP\\zel1A2.tmp.bat [" + kBatch + "]",
    "start C:\\TEMP\\zel1A2.tmp.bat",
};
const Lines kRegistryAndRest = {
    "read HKCR\\.htm|",
    "delete-key HKCR\\htmlfile\\shellex\\ContextMenuHandlers\\shVorlax",
    "read HKCR\\.html|",
    "delete-key HKCR\\htmlfile\\shellex\\ContextMenuHandlers\\shVorlax",
    "delete-key HKCR\\Directory\\shellex\\ContextMenuHandlers\\shVorlax",
    "delete-key HKLM\\SOFTWARE\\Zel\\Vorlax",
    "delete-key HKCR\\CLSID\\{7D6E5756-62BA-4BF7-9BDE-71F512AE9BBB}\\InProcServer32",
    "delete-key HKCR\\CLSID\\{7D6E5756-62BA-4BF7-9BDE-71F512AE9BBB}",
    "delete-key HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlax",
    "delete-empty-key HKLM\\Software\\Zel",
    "programs-folder",
    "delete C:\\WINDOWS\\Start Menu\\Programs\\HTML→TEXT変換 Vorlax\\Vorlax.lnk",
    "delete C:\\WINDOWS\\Start Menu\\Programs\\HTML→TEXT変換 Vorlax\\Vorlaxについて.lnk",
    "delete C:\\WINDOWS\\Start Menu\\Programs\\HTML→TEXT変換 Vorlax\\Vorlaxのヘルプ.lnk",
    "rmdir C:\\WINDOWS\\Start Menu\\Programs\\HTML→TEXT変換 Vorlax",
    "delete-key HKCU\\Software\\Zel\\Vorlax\\option",
    "delete-key HKCU\\Software\\Zel\\Vorlax",
    "delete-empty-key HKCU\\Software\\Zel",
};
const std::string kDone = "message 0 [アンインストール完了\n]";
const std::string kRestart = "message 0 [アンインストールを完了するにはWindowsを再起動する必要があります\n]";

Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Lines with every line equal to `from` replaced by `to` (several lines
// when `to` holds several).
Lines Replace(Lines lines, const std::string& from, const Lines& to) {
    Lines out;
    for (const std::string& line : lines) {
        if (line == from) out.insert(out.end(), to.begin(), to.end());
        else out.push_back(line);
    }
    return out;
}

TEST(Uninstall, EverySituationMakesItsCallsInOrder) {
    struct Case {
        const char* name;
        void (*setup)(System&);
        Lines calls;
        int exit_code;
    };
    const std::vector<Case> cases = {
        {"refused while the main program runs", [](System& s) { s.running = true; },
         {"find-window VorlaxClass Vorlax", "message 0 [アンインストールする前に、Vorlaxを終了させて下さい。]"}, 0},
        {"No changes nothing", [](System& s) { s.answer = 7; }, kStart, 1},
        {"everything removed", [](System&) {},
         Join({kStart, kDllDeleted, kProgramFiles, kBatchLines, kRegistryAndRest, {kDone}}), 1},
        {"never registered: no DLL",
         [](System& s) { s.files.clear(); },
         Join({kStart, {"system-folder", "find C:\\WINDOWS\\SYSTEM\\shVorlax.dll"}, kProgramFiles, kBatchLines,
               kRegistryAndRest, {kDone}}),
         1},
        {"unregistered before: no install folder",
         [](System& s) { s.values.erase("HKLM\\SOFTWARE\\Zel\\Vorlax|Application Path"); },
         Join({kStart, kDllDeleted, {"read HKLM\\SOFTWARE\\Zel\\Vorlax|Application Path"}, kBatchLines,
               kRegistryAndRest, {kDone}}),
         1},
        {"install folder holds other files",
         [](System& s) { s.full_folders.insert("C:\\Program Files\\Vorlax\\"); },
         Join({kStart, kDllDeleted, kProgramFiles, kBatchLines, kRegistryAndRest,
               {"message 0 [アンインストール完了\n\n※インストールフォルダを完全に削除することができませんでした。\n"
                "　　→C:\\Program Files\\Vorlax\\]"}}),
         1},
        {"NT, DLL in use: scheduled",
         [](System& s) { s.undeletable.insert("C:\\WINDOWS\\SYSTEM\\shVorlax.dll"); },
         Join({kStart, kDllScheduled, kProgramFiles, kBatchLines, kRegistryAndRest, {kRestart}}), 1},
        {"NT, DLL in use, not schedulable: stops",
         [](System& s) {
             s.undeletable.insert("C:\\WINDOWS\\SYSTEM\\shVorlax.dll");
             s.can_schedule = false;
         },
         Join({kStart, kDllScheduled, {"message 0 [dllを削除できませんでした。\nAdministrator権限が必要です]"}}), 0},
        {"Windows 98, DLL in use: WININIT.INI",
         [](System& s) {
             s.nt = false;
             s.undeletable.insert("C:\\WINDOWS\\SYSTEM\\shVorlax.dll");
         },
         Join({kStart,
               {"system-folder", "find C:\\WINDOWS\\SYSTEM\\shVorlax.dll", "delete C:\\WINDOWS\\SYSTEM\\shVorlax.dll",
                "version", "windows-folder", "open-always C:\\WINDOWS\\WININIT.INI",
                "short-path C:\\WINDOWS\\SYSTEM\\shVorlax.dll",
                "profile C:\\WINDOWS\\WININIT.INI [rename] NUL=C:\\WINDOWS\\SYSTEM\\shVorlax.dll"},
               kProgramFiles, kBatchLines, kRegistryAndRest, {kRestart}}),
         1},
        {"Windows 98, DLL in use under a long folder name: its short path",
         [](System& s) {
             s.nt = false;
             s.system = "C:\\Windows 98\\SYSTEM";
             s.windows = "C:\\Windows 98";
             s.files = {"C:\\Windows 98\\SYSTEM\\shVorlax.dll"};
             s.undeletable = s.files;
             s.short_names["C:\\Windows 98\\SYSTEM\\shVorlax.dll"] = "C:\\WINDOW~1\\SYSTEM\\SHVORLAX.DLL";
         },
         Join({kStart,
               {"system-folder", "find C:\\Windows 98\\SYSTEM\\shVorlax.dll",
                "delete C:\\Windows 98\\SYSTEM\\shVorlax.dll", "version", "windows-folder",
                "open-always C:\\Windows 98\\WININIT.INI", "short-path C:\\Windows 98\\SYSTEM\\shVorlax.dll",
                "profile C:\\Windows 98\\WININIT.INI [rename] NUL=C:\\WINDOW~1\\SYSTEM\\SHVORLAX.DLL"},
               kProgramFiles, kBatchLines, kRegistryAndRest, {kRestart}}),
         1},
        {"32-bit on 64-bit Windows, DLL in use: the real folder scheduled",
         [](System& s) {
             s.system = "C:\\Windows\\system32";
             s.wow64 = "C:\\Windows\\SysWOW64";
             s.files = {"C:\\Windows\\system32\\shVorlax.dll"};
             s.undeletable = s.files;
         },
         Join({kStart,
               {"system-folder", "find C:\\Windows\\system32\\shVorlax.dll",
                "delete C:\\Windows\\system32\\shVorlax.dll", "version", "wow64-folder",
                "move-at-restart C:\\Windows\\SysWOW64\\shVorlax.dll"},
               kProgramFiles, kBatchLines, kRegistryAndRest, {kRestart}}),
         1},
        {"Windows 98 without a Windows folder: no WININIT.INI",
         [](System& s) {
             s.nt = false;
             s.have_windows = false;
             s.undeletable.insert("C:\\WINDOWS\\SYSTEM\\shVorlax.dll");
         },
         Join({kStart,
               {"system-folder", "find C:\\WINDOWS\\SYSTEM\\shVorlax.dll", "delete C:\\WINDOWS\\SYSTEM\\shVorlax.dll",
                "version", "windows-folder"},
               kProgramFiles, kBatchLines, kRegistryAndRest, {kRestart}}),
         1},
        {"batch file not creatable: stops with the error box",
         [](System& s) { s.can_write_batch = false; },
         Join({kStart, kDllDeleted, kProgramFiles,
               {"module", "temp-name", "write C:\\TEMP\\zel1A2.tmp.bat [" + kBatch + "]", "error-box"}}),
         0},
        {"no temporary name: stops with the error box",
         [](System& s) { s.have_temp_name = false; },
         Join({kStart, kDllDeleted, kProgramFiles, {"module", "temp-name", "error-box"}}), 0},
        {"batch not started: the uninstall completes",
         [](System& s) { s.batch_starts = false; },
         Join({kStart, kDllDeleted, kProgramFiles, kBatchLines, kRegistryAndRest, {kDone}}), 1},
        {"no Programs folder: no shortcut deleted",
         [](System& s) { s.have_programs = false; },
         Join({kStart, kDllDeleted, kProgramFiles, kBatchLines,
               Lines(kRegistryAndRest.begin(), kRegistryAndRest.begin() + 11),  // up to "programs-folder"
               Lines(kRegistryAndRest.end() - 3, kRegistryAndRest.end()),
               {kDone}}),
         1},
        {"other classes; .html without one",
         [](System& s) {
             s.values["HKCR\\.htm|"] = "MyPages";
             s.values.erase("HKCR\\.html|");
         },
         Join({kStart, kDllDeleted, kProgramFiles, kBatchLines,
               Replace(Replace(kRegistryAndRest, "delete-key HKCR\\htmlfile\\shellex\\ContextMenuHandlers\\shVorlax",
                               {}),
                       "read HKCR\\.htm|",
                       {"read HKCR\\.htm|", "delete-key HKCR\\MyPages\\shellex\\ContextMenuHandlers\\shVorlax"}),
               {kDone}}),
         1},
        {"system folder ending in \"\\\" and a double-byte character",
         [](System& s) {
             s.system = "C:\\";
             s.files = {"C:\\shVorlax.dll"};
             s.values["HKLM\\SOFTWARE\\Zel\\Vorlax|Application Path"] = "C:\\表\\";
         },
         Join({kStart, {"system-folder", "find C:\\shVorlax.dll", "delete C:\\shVorlax.dll"},
               {"read HKLM\\SOFTWARE\\Zel\\Vorlax|Application Path", "delete C:\\表\\Vorlax.exe",
                "delete C:\\表\\Vorlax.hlp", "delete C:\\表\\Vorlax.txt", "delete C:\\表\\Vorlax.gid",
                "rmdir C:\\表\\"},
               kBatchLines, kRegistryAndRest, {kDone}}),
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        System system;
        c.setup(system);
        FakePlatform platform(system);
        EXPECT_EQ(RunUninstall(platform), c.exit_code);
        EXPECT_EQ(system.log, c.calls);
    }
}

TEST(Uninstall, BatchFileText) {
    EXPECT_EQ(BatchFileText("C:\\WINDOWS\\UnInst_Vorlax.exe", "C:\\TEMP\\zel1A2.tmp.PIF", "C:\\TEMP\\zel1A2.tmp.bat"),
              kBatch);
    // Names with blanks and double-byte characters stay as they are.
    EXPECT_EQ(BatchFileText("C:\\表 x\\U.exe", "P", "B"),
              ":Repeat\r\ndel \"C:\\表 x\\U.exe\"\r\nif exist \"C:\\表 x\\U.exe\" goto Repeat\r\ndel \"P\"\r\ndel \"B\"\r\n");
}

TEST(Uninstall, ClosingMessages) {
    struct Case {
        bool dll_gone, folder_left;
        std::string text;
    };
    const Case cases[] = {
        {true, false, "アンインストール完了\n"},
        {false, false, "アンインストールを完了するにはWindowsを再起動する必要があります\n"},
        {true, true, "アンインストール完了\n\n※インストールフォルダを完全に削除することができませんでした。\n　　→D:\\ソフト\\"},
        {false, true,
         "アンインストールを完了するにはWindowsを再起動する必要があります\n\n"
         "※インストールフォルダを完全に削除することができませんでした。\n　　→D:\\ソフト\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClosingMessage(c.dll_gone, c.folder_left, "D:\\ソフト\\"), c.text) << c.dll_gone << c.folder_left;
}

TEST(Uninstall, JoinFolderPutsOneSeparator) {
    EXPECT_EQ(JoinFolder("C:\\WINDOWS", "a"), "C:\\WINDOWS\\a");
    EXPECT_EQ(JoinFolder("C:\\", "a"), "C:\\a");
    // "表" ends in the byte of "\": still a separator is put.
    EXPECT_EQ(JoinFolder("C:\\表", "a"), "C:\\表\\a");
    EXPECT_EQ(JoinFolder("C:\\表\\", "a"), "C:\\表\\a");
}

}  // namespace
}  // namespace vorlax::uninstall
