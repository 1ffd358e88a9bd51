// The names under which the context-menu extension is registered and found:
// its class id, the handler keys of the file classes and of folders, the
// server key, and where the install folder is recorded. Shared by the
// extension (which reads "Application Path") and whatever registers it.
#pragma once

namespace vorlax::shellext {

// The class id of the extension object, in its string form with the braces:
// the data of every handler key.
inline constexpr char kClassIdString[] = "{7D6E5756-62BA-4BF7-9BDE-71F512AE9BBB}";

// The class id's fields, for code that needs it as a GUID.
struct ClassIdFields {
    unsigned long data1;
    unsigned short data2, data3;
    unsigned char data4[8];
};
inline constexpr ClassIdFields kClassId{
    0x7D6E5756, 0x62BA, 0x4BF7, {0x9B, 0xDE, 0x71, 0xF5, 0x12, 0xAE, 0x9B, 0xBB}};

// The handler's name under "shellex\ContextMenuHandlers".
inline constexpr char kHandlerName[] = "shVorlax";
// The handler key of a file class (under HKEY_CLASSES_ROOT), "%s" being the
// class name that ".htm" or ".html" names, e.g. "htmlfile".
inline constexpr char kFileClassHandlerKeyFormat[] = "%s\\shellex\\ContextMenuHandlers\\shVorlax";
// The handler key for folders (under HKEY_CLASSES_ROOT).
inline constexpr char kFolderHandlerKey[] = "Directory\\shellex\\ContextMenuHandlers\\shVorlax";
// The extensions whose classes get the handler, in the order they are done.
inline constexpr const char* kHtmlExtensions[] = {".htm", ".html"};
// The class that an extension without one is given.
inline constexpr char kDefaultHtmlClass[] = "htmlfile";

// The server's keys (under HKEY_CLASSES_ROOT) and their data.
inline constexpr char kClassKey[] = "CLSID\\{7D6E5756-62BA-4BF7-9BDE-71F512AE9BBB}";
inline constexpr char kClassName[] = "shVorlax";
inline constexpr char kServerKey[] = "CLSID\\{7D6E5756-62BA-4BF7-9BDE-71F512AE9BBB}\\InProcServer32";
// The server file: a name only, found in the system folder.
inline constexpr char kServerFile[] = "shVorlax.dll";
inline constexpr char kThreadingModelValue[] = "ThreadingModel";
inline constexpr char kThreadingModel[] = "Apartment";

// Where the install folder (with its trailing "\") is recorded, under
// HKEY_LOCAL_MACHINE.
inline constexpr char kInstallKey[] = "SOFTWARE\\Zel\\Vorlax";
inline constexpr char kInstallFolderValue[] = "Application Path";
// The main program, in the install folder.
inline constexpr char kProgramFile[] = "Vorlax.exe";

}  // namespace vorlax::shellext
