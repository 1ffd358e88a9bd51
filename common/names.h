// The names Vorlax's three deliverables share: how a program finds the
// running Vorlax (its main window's class and title), the files on disk, and
// the registry places that one of them writes and another reads or removes.
// Each is written here once. The resource scripts take the few they show
// through the macros (windres preprocesses them and passes over the C++
// below), and a name made of others is put together from their macros.
#pragma once

// The program's name: the main window's title, the caption of its boxes, its
// entry in the list of installed programs.
#define VORLAX_NAME "Vorlax"
#define VORLAX_WINDOW_CLASS "VorlaxClass"
#define VORLAX_PROGRAM_FILE "Vorlax.exe"
#define VORLAX_SETTINGS_KEY "Software\\Zel\\Vorlax"
#define VORLAX_OPTION_SUBKEY "option"
#define VORLAX_CLASS_ID "{7D6E5756-62BA-4BF7-9BDE-71F512AE9BBB}"
#define VORLAX_SHELLEXT_NAME "shVorlax"
#define VORLAX_HANDLER_SUBKEY "\\shellex\\ContextMenuHandlers\\" VORLAX_SHELLEXT_NAME

#ifndef RC_INVOKED

#include <cstddef>
#include <string>
#include <string_view>

namespace vorlax::common {

inline constexpr char kProgramName[] = VORLAX_NAME;
inline constexpr char kWindowClass[] = VORLAX_WINDOW_CLASS;

// The files: the program and its help file in the install folder, the
// shell extension in the system folder, the uninstaller in the Windows
// folder.
inline constexpr char kProgramFile[] = VORLAX_PROGRAM_FILE;
inline constexpr char kHelpFile[] = "Vorlax.txt";
inline constexpr char kShellExtensionFile[] = "shVorlax.dll";
inline constexpr char kUninstallerFile[] = "UnInst_Vorlax.exe";

// The registry's roots, as the deliverables name them.
enum class RegRoot { kCurrentUser, kLocalMachine, kClassesRoot };

// The user's settings, under HKEY_CURRENT_USER: the settings key, its
// subkey of the options, and the vendor's key above them (under
// HKEY_LOCAL_MACHINE too).
inline constexpr char kSettingsKey[] = VORLAX_SETTINGS_KEY;
inline constexpr char kOptionSubkey[] = VORLAX_OPTION_SUBKEY;
inline constexpr char kOptionKey[] = VORLAX_SETTINGS_KEY "\\" VORLAX_OPTION_SUBKEY;
inline constexpr char kVendorKey[] = "Software\\Zel";

// Where the install folder (with its trailing "\") is recorded, under
// HKEY_LOCAL_MACHINE: the shell extension starts the program from there,
// the uninstaller removes the program's files from there.
inline constexpr char kInstallKey[] = "SOFTWARE\\Zel\\Vorlax";
inline constexpr char kInstallFolderValue[] = "Application Path";

// The list of installed programs and the program's entry in it, under
// HKEY_LOCAL_MACHINE.
#define VORLAX_UNINSTALL_LIST_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
inline constexpr char kUninstallListKey[] = VORLAX_UNINSTALL_LIST_KEY;
inline constexpr char kUninstallKey[] = VORLAX_UNINSTALL_LIST_KEY "\\" VORLAX_NAME;

// The shell extension's class id in its string form, with the braces: the
// data of every handler key.
inline constexpr char kClassIdString[] = VORLAX_CLASS_ID;

// A class id's fields, for code that needs it as a GUID.
struct ClassIdFields {
    unsigned long data1;
    unsigned short data2, data3;
    unsigned char data4[8];
};

// The fields of a class id written "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
constexpr ClassIdFields ParseClassId(std::string_view text) {
    const auto hex = [text](std::size_t at, std::size_t digits) {
        unsigned long value = 0;
        for (const char c : text.substr(at, digits))
            value = value * 16 + static_cast<unsigned long>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        return value;
    };
    ClassIdFields id{hex(1, 8), static_cast<unsigned short>(hex(10, 4)), static_cast<unsigned short>(hex(15, 4)), {}};
    // Two bytes before the last dash, six after it.
    for (std::size_t i = 0; i < 8; ++i)
        id.data4[i] = static_cast<unsigned char>(hex(i < 2 ? 20 + 2 * i : 21 + 2 * i, 2));
    return id;
}
inline constexpr ClassIdFields kClassId = ParseClassId(kClassIdString);

// The server's keys under HKEY_CLASSES_ROOT and their data; the server file
// is a name only, found in the system folder.
inline constexpr char kClassKey[] = "CLSID\\" VORLAX_CLASS_ID;
inline constexpr char kClassName[] = VORLAX_SHELLEXT_NAME;
inline constexpr char kServerKey[] = "CLSID\\" VORLAX_CLASS_ID "\\InProcServer32";
inline constexpr char kThreadingModelValue[] = "ThreadingModel";
inline constexpr char kThreadingModel[] = "Apartment";

// The context-menu handler under HKEY_CLASSES_ROOT: its name under
// "shellex\ContextMenuHandlers" and its key for folders; the extensions
// whose file classes get it, in the order they are done, and the class that
// an extension without one is given.
inline constexpr char kHandlerName[] = VORLAX_SHELLEXT_NAME;
inline constexpr char kFolderHandlerKey[] = "Directory" VORLAX_HANDLER_SUBKEY;
inline constexpr const char* kHtmlExtensions[] = {".htm", ".html"};
inline constexpr char kDefaultHtmlClass[] = "htmlfile";

// The handler key of a file class, e.g. "htmlfile".
inline std::string FileClassHandlerKey(std::string_view file_class) {
    return std::string(file_class) + VORLAX_HANDLER_SUBKEY;
}

}  // namespace vorlax::common

#endif  // RC_INVOKED
