// The installation's steps over a registry and a file system held in
// tables: "/install", the shell-extension page's initial state, its
// registration and its unregistration, each compared as the whole list of
// calls and the whole registry afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "install/install_steps.h"

namespace vorlax::install {
namespace {

using app::RegRoot;
using Lines = std::vector<std::string>;

std::string RootName(RegRoot root) {
    switch (root) {
        case RegRoot::kCurrentUser: return "HKCU";
        case RegRoot::kLocalMachine: return "HKLM";
        case RegRoot::kClassesRoot: return "HKCR";
    }
    return "?";
}

// Keys ("HKCR\.htm") and their values ("" the default) as REG_SZ text
// without the terminator; any other type is kept as "type:bytes".
using Keys = std::map<std::string, std::map<std::string, std::string>>;

struct System {
    Keys keys;
    std::set<std::string> files;
    std::string module = "C:\\Program Files\\Vorlax\\Vorlax.exe";
    std::string windows = "C:\\WINDOWS";
    std::string system = "C:\\WINDOWS\\SYSTEM";
    std::set<std::string> not_creatable;
    std::set<std::string> short_written;
    Lines log;
};

class FakeRegistry final : public app::Registry {
public:
    explicit FakeRegistry(System& s) : s_(s) {}
    bool Query(RegRoot root, const std::string& key, const char* name, void* data, std::uint32_t* size) override {
        const auto k = s_.keys.find(RootName(root) + "\\" + key);
        if (k == s_.keys.end()) return false;
        const auto v = k->second.find(name ? name : "");
        if (v == k->second.end()) return false;
        const std::string bytes = v->second + '\0';
        if (bytes.size() > *size) return false;
        std::memcpy(data, bytes.data(), bytes.size());
        *size = static_cast<std::uint32_t>(bytes.size());
        return true;
    }
    bool Set(RegRoot root, const std::string& key, const char* name, std::uint32_t type, const void* data,
             std::uint32_t size) override {
        std::string bytes(static_cast<const char*>(data), size);
        EXPECT_EQ(type, app::kRegSz);
        EXPECT_EQ(bytes.back(), '\0') << "the terminator is counted";
        bytes.pop_back();
        const std::string at = RootName(root) + "\\" + key;
        s_.log.push_back("set " + at + "|" + name + "=" + bytes);
        s_.keys[at][name] = bytes;
        return true;
    }
    bool KeyExists(RegRoot root, const std::string& key) override {
        return s_.keys.count(RootName(root) + "\\" + key) > 0;
    }

private:
    System& s_;
};

class FakePlatform final : public InstallPlatform {
public:
    explicit FakePlatform(System& s) : s_(s) {}
    std::string ModulePath() override { return s_.module; }
    bool WindowsFolder(std::string* folder) override {
        *folder = s_.windows;
        return true;
    }
    bool SystemFolder(std::string* folder) override {
        *folder = s_.system;
        return true;
    }
    std::string Resource(int id) override { return "bytes of " + std::to_string(id); }
    WriteResult WriteNewFile(const std::string& path, const std::string& bytes) override {
        Log("write " + path + " [" + bytes + "]");
        if (s_.not_creatable.count(path)) return WriteResult::kNotCreated;
        s_.files.insert(path);
        return s_.short_written.count(path) ? WriteResult::kShort : WriteResult::kWhole;
    }
    void RemoveFile(const std::string& path) override {
        Log("delete " + path);
        s_.files.erase(path);
    }
    bool FileExists(const std::string& path) override {
        Log("find " + path);
        return s_.files.count(path) > 0;
    }
    void Message(const char* text) override { Log(std::string("message [") + text + "]"); }
    void OpenWithShell(const std::string& path) override { Log("open " + path); }
    void MakeKey(RegRoot root, const std::string& key) override {
        Log("make-key " + RootName(root) + "\\" + key);
        s_.keys[RootName(root) + "\\" + key];
    }
    void DeleteKey(RegRoot root, const std::string& key) override {
        // As on Windows NT, a key with subkeys stays.
        const std::string at = RootName(root) + "\\" + key;
        Log("delete-key " + at);
        const auto below = s_.keys.lower_bound(at + "\\");
        if (below != s_.keys.end() && below->first.compare(0, at.size() + 1, at + "\\") == 0) return;
        s_.keys.erase(at);
    }

private:
    void Log(const std::string& line) { s_.log.push_back(line); }
    System& s_;
};

// A system and the two fakes over it.
struct World {
    System s;
    FakePlatform platform{s};
    FakeRegistry registry{s};
};

constexpr char kId[] = "{7D6E5756-62BA-4BF7-9BDE-71F512AE9BBB}";
const std::string kClsid = std::string("HKCR\\CLSID\\") + kId;
constexpr char kAppKey[] = "HKLM\\SOFTWARE\\Zel\\Vorlax";
constexpr char kUninstall[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kUninstallVorlax[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlax";

TEST(Install, SlashInstall) {
    struct Case {
        const char* name;
        void (*setup)(System&);
        Lines calls;
        Keys keys;
        std::set<std::string> files;
    };
    const Keys installed = {
        {kAppKey, {{"Application Path", "C:\\Program Files\\Vorlax\\"}}},
        {kUninstall, {}},
        {kUninstallVorlax, {{"DisplayName", "Vorlax"}, {"UninstallString", "C:\\WINDOWS\\UnInst_Vorlax.exe"}}},
    };
    const Lines all_calls = {
        "set HKLM\\SOFTWARE\\Zel\\Vorlax|Application Path=C:\\Program Files\\Vorlax\\",
        "write C:\\WINDOWS\\UnInst_Vorlax.exe [bytes of 142]",
        std::string("make-key ") + kUninstall,
        std::string("set ") + kUninstallVorlax + "|DisplayName=Vorlax",
        std::string("set ") + kUninstallVorlax + "|UninstallString=C:\\WINDOWS\\UnInst_Vorlax.exe",
        "open C:\\Program Files\\Vorlax\\Vorlax.txt",
    };
    const std::vector<Case> cases = {
        {"fresh system", [](System&) {}, all_calls, installed, {"C:\\WINDOWS\\UnInst_Vorlax.exe"}},
        {"again over an earlier installation",
         [](System& s) {
             s.files.insert("C:\\WINDOWS\\UnInst_Vorlax.exe");
             s.keys[kUninstallVorlax]["DisplayName"] = "old";
         },
         all_calls, installed, {"C:\\WINDOWS\\UnInst_Vorlax.exe"}},
        {"uninstaller not creatable",
         [](System& s) { s.not_creatable.insert("C:\\WINDOWS\\UnInst_Vorlax.exe"); },
         {all_calls[0], all_calls[1], "message [アンインストール情報を登録できませんでした]"},
         {{kAppKey, {{"Application Path", "C:\\Program Files\\Vorlax\\"}}}},
         {}},
        {"uninstaller written short: removed again",
         [](System& s) { s.short_written.insert("C:\\WINDOWS\\UnInst_Vorlax.exe"); },
         {all_calls[0], all_calls[1], "delete C:\\WINDOWS\\UnInst_Vorlax.exe",
          "message [アンインストール情報を登録できませんでした]"},
         {{kAppKey, {{"Application Path", "C:\\Program Files\\Vorlax\\"}}}},
         {}},
        {"a root Windows folder and a program in a double-byte folder",
         [](System& s) {
             s.windows = "D:\\";
             s.module = "C:\\ソフト\\表\\Vorlax.exe";
         },
         {"set HKLM\\SOFTWARE\\Zel\\Vorlax|Application Path=C:\\ソフト\\表\\",
          "write D:\\UnInst_Vorlax.exe [bytes of 142]", std::string("make-key ") + kUninstall,
          std::string("set ") + kUninstallVorlax + "|DisplayName=Vorlax",
          std::string("set ") + kUninstallVorlax + "|UninstallString=D:\\UnInst_Vorlax.exe",
          "open C:\\ソフト\\表\\Vorlax.txt"},
         {{kAppKey, {{"Application Path", "C:\\ソフト\\表\\"}}},
          {kUninstall, {}},
          {kUninstallVorlax, {{"DisplayName", "Vorlax"}, {"UninstallString", "D:\\UnInst_Vorlax.exe"}}}},
         {"D:\\UnInst_Vorlax.exe"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World w;
        c.setup(w.s);
        EXPECT_EQ(RunInstall(w.platform, w.registry), 1);
        EXPECT_EQ(w.s.log, c.calls);
        EXPECT_EQ(w.s.keys, c.keys);
        EXPECT_EQ(w.s.files, c.files);
    }
}

// The three handler keys of a registered extension, under "htmlfile".
Keys Registered() {
    return {
        {"HKCR\\.htm", {{"", "htmlfile"}}},
        {"HKCR\\.html", {{"", "htmlfile"}}},
        {"HKCR\\htmlfile\\shellex\\ContextMenuHandlers\\shVorlax", {{"", kId}}},
        {"HKCR\\Directory\\shellex\\ContextMenuHandlers\\shVorlax", {{"", kId}}},
        {kAppKey, {{"Application Path", "C:\\Program Files\\Vorlax\\"}}},
        {kClsid, {{"", "shVorlax"}}},
        {kClsid + "\\InProcServer32", {{"", "shVorlax.dll"}, {"ThreadingModel", "Apartment"}}},
    };
}

TEST(ShellExtensionPage, StartsCheckedOnlyWithAllThreeHandlers) {
    struct Case {
        const char* name;
        void (*change)(Keys&);
        bool checked;
    };
    const std::vector<Case> cases = {
        {"registered", [](Keys&) {}, true},
        {"nothing", [](Keys& k) { k.clear(); }, false},
        {"no folder handler", [](Keys& k) { k.erase("HKCR\\Directory\\shellex\\ContextMenuHandlers\\shVorlax"); },
         false},
        {"no class handler", [](Keys& k) { k.erase("HKCR\\htmlfile\\shellex\\ContextMenuHandlers\\shVorlax"); },
         false},
        {"no .html", [](Keys& k) { k.erase("HKCR\\.html"); }, false},
        {".htm of another class without the handler",
         [](Keys& k) { k["HKCR\\.htm"][""] = "MyPages"; }, false},
        {".htm of another class with the handler",
         [](Keys& k) {
             k["HKCR\\.htm"][""] = "MyPages";
             k["HKCR\\MyPages\\shellex\\ContextMenuHandlers\\shVorlax"][""] = kId;
         },
         true},
        {"handler keys without their default value",
         [](Keys& k) { k["HKCR\\Directory\\shellex\\ContextMenuHandlers\\shVorlax"].clear(); }, false},
        {"server keys missing do not matter", [](Keys& k) { k.erase(kClsid + "\\InProcServer32"); }, true},
    };
    for (const Case& c : cases) {
        System s;
        s.keys = Registered();
        c.change(s.keys);
        FakeRegistry registry(s);
        EXPECT_EQ(ShellExtensionRegistered(registry), c.checked) << c.name;
    }
}

TEST(ShellExtensionPage, Registering) {
    const std::string dll = "C:\\WINDOWS\\SYSTEM\\shVorlax.dll";
    const Lines keys_written = {
        "set HKCR\\htmlfile\\shellex\\ContextMenuHandlers\\shVorlax|=" + std::string(kId),
        "set HKCR\\htmlfile\\shellex\\ContextMenuHandlers\\shVorlax|=" + std::string(kId),
        "set HKCR\\Directory\\shellex\\ContextMenuHandlers\\shVorlax|=" + std::string(kId),
        "set HKLM\\SOFTWARE\\Zel\\Vorlax|Application Path=C:\\Program Files\\Vorlax\\",
        "set " + kClsid + "|=shVorlax",
        "set " + kClsid + "\\InProcServer32|=shVorlax.dll",
        "set " + kClsid + "\\InProcServer32|ThreadingModel=Apartment",
    };
    const Lines copied = {"find " + dll, "write " + dll + " [bytes of 139]"};
    auto with = [](Lines head, const Lines& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    struct Case {
        const char* name;
        void (*setup)(System&);
        Lines calls;
        void (*expect)(Keys&);  // Registered(), changed
        bool dll_present;
    };
    const std::vector<Case> cases = {
        {"classes already set", [](System& s) { s.keys = {{"HKCR\\.htm", {{"", "htmlfile"}}}, {"HKCR\\.html", {{"", "htmlfile"}}}}; },
         with(copied, keys_written), [](Keys&) {}, true},
        {".html without a key gets htmlfile",
         [](System& s) { s.keys = {{"HKCR\\.htm", {{"", "htmlfile"}}}}; },
         with(copied, [&] {
             Lines l = keys_written;
             l.insert(l.begin() + 1, "set HKCR\\.html|=htmlfile");
             return l;
         }()),
         [](Keys&) {}, true},
        {".htm with an empty default gets htmlfile",
         [](System& s) { s.keys = {{"HKCR\\.htm", {{"", ""}}}, {"HKCR\\.html", {{"", "htmlfile"}}}}; },
         with(copied, [&] {
             Lines l = keys_written;
             l.insert(l.begin(), "set HKCR\\.htm|=htmlfile");
             return l;
         }()),
         [](Keys&) {}, true},
        {".htm of another class keeps it and gets the handler under it",
         [](System& s) { s.keys = {{"HKCR\\.htm", {{"", "MyPages"}}}}; },
         with(copied, [&] {
             Lines l = keys_written;
             l[0] = "set HKCR\\MyPages\\shellex\\ContextMenuHandlers\\shVorlax|=" + std::string(kId);
             l.insert(l.begin() + 1, "set HKCR\\.html|=htmlfile");
             return l;
         }()),
         [](Keys& k) {
             k["HKCR\\.htm"][""] = "MyPages";
             k["HKCR\\MyPages\\shellex\\ContextMenuHandlers\\shVorlax"][""] = kId;
         },
         true},
        {"an existing DLL is left untouched",
         [](System& s) {
             s.keys = {{"HKCR\\.htm", {{"", "htmlfile"}}}, {"HKCR\\.html", {{"", "htmlfile"}}}};
             s.files.insert("C:\\WINDOWS\\SYSTEM\\shVorlax.dll");
         },
         with({"find " + dll}, keys_written), [](Keys&) {}, true},
        {"DLL not creatable: the message, then the keys",
         [](System& s) {
             s.keys = {{"HKCR\\.htm", {{"", "htmlfile"}}}, {"HKCR\\.html", {{"", "htmlfile"}}}};
             s.not_creatable.insert("C:\\WINDOWS\\SYSTEM\\shVorlax.dll");
         },
         with(with(copied, {"message [必要なdllをコピーできませんでした]"}), keys_written), [](Keys&) {}, false},
        {"DLL written short: deleted, the message, then the keys",
         [](System& s) {
             s.keys = {{"HKCR\\.htm", {{"", "htmlfile"}}}, {"HKCR\\.html", {{"", "htmlfile"}}}};
             s.short_written.insert("C:\\WINDOWS\\SYSTEM\\shVorlax.dll");
         },
         with(with(copied, {"delete " + dll, "message [必要なdllをコピーできませんでした]"}), keys_written),
         [](Keys&) {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World w;
        c.setup(w.s);
        RegisterShellExtension(w.platform, w.registry);
        EXPECT_EQ(w.s.log, c.calls);
        Keys expected = Registered();
        c.expect(expected);
        EXPECT_EQ(w.s.keys, expected);
        EXPECT_EQ(w.s.files.count(dll) > 0, c.dll_present);
        EXPECT_TRUE(ShellExtensionRegistered(w.registry));
    }
}

TEST(ShellExtensionPage, Unregistering) {
    System s;
    s.keys = Registered();
    s.keys["HKCR\\.htm"][""] = "MyPages";
    s.keys["HKCR\\MyPages\\shellex\\ContextMenuHandlers\\shVorlax"][""] = kId;
    s.files.insert("C:\\WINDOWS\\SYSTEM\\shVorlax.dll");
    FakePlatform platform(s);
    FakeRegistry registry(s);
    UnregisterShellExtension(platform, registry);
    EXPECT_EQ(s.log, (Lines{
                         "delete-key HKCR\\MyPages\\shellex\\ContextMenuHandlers\\shVorlax",
                         "delete-key HKCR\\htmlfile\\shellex\\ContextMenuHandlers\\shVorlax",
                         "delete-key HKCR\\Directory\\shellex\\ContextMenuHandlers\\shVorlax",
                         "delete-key HKLM\\SOFTWARE\\Zel\\Vorlax",
                         "delete-key " + kClsid + "\\InProcServer32",
                         "delete-key " + kClsid,
                     }));
    // The DLL and the class defaults stay.
    EXPECT_EQ(s.keys, (Keys{{"HKCR\\.htm", {{"", "MyPages"}}}, {"HKCR\\.html", {{"", "htmlfile"}}}}));
    EXPECT_EQ(s.files, std::set<std::string>{"C:\\WINDOWS\\SYSTEM\\shVorlax.dll"});
    EXPECT_FALSE(ShellExtensionRegistered(registry));

    // Without the file classes only the folder handler and the rest go.
    System bare;
    FakePlatform bare_platform(bare);
    FakeRegistry bare_registry(bare);
    UnregisterShellExtension(bare_platform, bare_registry);
    EXPECT_EQ(bare.log, (Lines{
                            "delete-key HKCR\\Directory\\shellex\\ContextMenuHandlers\\shVorlax",
                            "delete-key HKLM\\SOFTWARE\\Zel\\Vorlax",
                            "delete-key " + kClsid + "\\InProcServer32",
                            "delete-key " + kClsid,
                        }));
}

}  // namespace
}  // namespace vorlax::install
