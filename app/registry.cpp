#include "app/registry.h"

#include <cstring>

namespace vorlax::app {

namespace {

// Reads a string value of at most 255 bytes; size 0 gives "".
int ReadString(Registry& reg, RegRoot root, const std::string& key, const char* name,
               char (&value)[256]) {
    char buffer[256] = {};
    std::uint32_t size = 255;
    if (!reg.Query(root, key, name, buffer, &size)) return 0;
    if (size == 0) buffer[0] = '\0';
    std::memcpy(value, buffer, sizeof value);
    value[255] = '\0';
    return 1;
}

int SetString(Registry& reg, RegRoot root, const std::string& key, const char* name, const char* value) {
    return reg.Set(root, key, name, kRegSz, value, static_cast<std::uint32_t>(std::strlen(value) + 1)) ? 1 : 0;
}

}  // namespace

std::string SettingsKeyPath(const char* subkey) {
    std::string path = common::kSettingsKey;
    if (subkey) {
        path += '\\';
        path += subkey;
    }
    // The key's path is composed in a buffer of 255 characters.
    if (path.size() > 254) path.resize(254);
    return path;
}

int ReadDwordValue(Registry& reg, const char* subkey, const char* name, std::uint32_t* value) {
    unsigned char bytes[4] = {};
    std::uint32_t size = sizeof bytes;
    if (!reg.Query(RegRoot::kCurrentUser, SettingsKeyPath(subkey), name, bytes, &size) || size != 4)
        return 0;
    std::memcpy(value, bytes, 4);
    return 1;
}

int ReadStringValue(Registry& reg, const char* subkey, const char* name, char (&value)[256]) {
    return ReadString(reg, RegRoot::kCurrentUser, SettingsKeyPath(subkey), name, value);
}

int SaveDwordOption(Registry& reg, const char* subkey, const char* name, std::uint32_t value) {
    return reg.Set(RegRoot::kCurrentUser, SettingsKeyPath(subkey), name, kRegDword, &value, 4) ? 1 : 0;
}

int SaveStringOption(Registry& reg, const char* subkey, const char* name, const char* value) {
    return SetString(reg, RegRoot::kCurrentUser, SettingsKeyPath(subkey), name, value);
}

void LoadDwordOption(Registry& reg, const char* name, std::int16_t* option) {
    std::uint32_t value = 0;
    if (ReadDwordValue(reg, common::kOptionSubkey, name, &value)) {
        *option = static_cast<std::int16_t>(value & 0xFFFF);
        return;
    }
    SaveDwordOption(reg, common::kOptionSubkey, name, static_cast<std::uint32_t>(static_cast<std::int32_t>(*option)));
}

void LoadStringOption(Registry& reg, const char* name, char* option) {
    char value[256];
    if (ReadStringValue(reg, common::kOptionSubkey, name, value)) {
        // At most 255 bytes, the rest of those 255 NULs.
        const std::size_t length = std::strlen(value);
        std::memcpy(option, value, length);
        std::memset(option + length, 0, 255 - length);
        return;
    }
    SaveStringOption(reg, common::kOptionSubkey, name, option);
}

void LoadOptions(Registry& reg, Options& options) {
    for (const OptionEntry& entry : kOptionTable) {
        const std::string value_name(entry.name);
        const OptionField field = FieldOf(options, entry);
        if (field.number) LoadDwordOption(reg, value_name.c_str(), field.number);
        else LoadStringOption(reg, value_name.c_str(), field.text);
    }
}

int SaveNumberOption(Registry& reg, const OptionEntry& entry, std::int16_t value) {
    const std::string name(entry.name);
    return SaveDwordOption(reg, common::kOptionSubkey, name.c_str(),
                           static_cast<std::uint32_t>(static_cast<std::int32_t>(value)));
}

int SaveTextOption(Registry& reg, const OptionEntry& entry, const char* value) {
    const std::string name(entry.name);
    return SaveStringOption(reg, common::kOptionSubkey, name.c_str(), value);
}

int ReadProgramFilesDir(Registry& reg, char (&folder)[256]) {
    return ReadString(reg, RegRoot::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                      "ProgramFilesDir", folder);
}

int ReadClassDefault(Registry& reg, const std::string& key, char (&value)[256]) {
    return ReadString(reg, RegRoot::kClassesRoot, key, "", value);
}

int SetClassDefaultOnce(Registry& reg, const std::string& key, const char* value) {
    if (reg.KeyExists(RegRoot::kClassesRoot, key)) {
        char current[256] = {};
        std::uint32_t size = 255;
        if (reg.Query(RegRoot::kClassesRoot, key, "", current, &size) && size > 1) return 0;
    }
    return SetString(reg, RegRoot::kClassesRoot, key, "", value);
}

int WriteRegString(Registry& reg, RegRoot root, const std::string& key, const char* name,
                   const char* value) {
    return SetString(reg, root, key, name, value);
}

int WriteMachineString(Registry& reg, const std::string& key, const char* name, const char* value) {
    return SetString(reg, RegRoot::kLocalMachine, key, name, value);
}

}  // namespace vorlax::app
