// The program's settings in the registry, and the small set of registry
// routines the settings, the window position and the installer share. Each
// routine opens its key, does one thing and closes it again; results are 1
// for success and 0 for failure.
#pragma once

#include <cstdint>
#include <string>

#include "common/names.h"
#include "engine/options.h"

namespace vorlax::app {

using common::RegRoot;

// Value types as the registry numbers them.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

// The platform's registry, one call per open-do-close.
class Registry {
public:
    // Opens `key` (never creating it) and reads `name` ("" or null: the
    // default value) into `data`, of which `*size` bytes are available;
    // `*size` becomes the value's size. False when the key or value is
    // missing or the value does not fit.
    virtual bool Query(RegRoot root, const std::string& key, const char* name, void* data,
                       std::uint32_t* size) = 0;
    // Creates or opens `key` and sets `name` to the given type and bytes.
    virtual bool Set(RegRoot root, const std::string& key, const char* name, std::uint32_t type,
                     const void* data, std::uint32_t size) = 0;
    // Whether `key` can be opened.
    virtual bool KeyExists(RegRoot root, const std::string& key) = 0;

protected:
    ~Registry() = default;
};

// The settings key, with "\" and the subkey when one is named.
std::string SettingsKeyPath(const char* subkey);

// Reads a number from the settings key (or its subkey): only a value of
// exactly 4 bytes counts, whatever its type.
int ReadDwordValue(Registry& reg, const char* subkey, const char* name, std::uint32_t* value);
// Reads a string of at most 255 bytes, its terminator included, into a
// 256-byte buffer; a value of size 0 reads as "".
int ReadStringValue(Registry& reg, const char* subkey, const char* name, char (&value)[256]);
// Stores a REG_DWORD of 4 bytes, or a REG_SZ with its terminator.
int SaveDwordOption(Registry& reg, const char* subkey, const char* name, std::uint32_t value);
int SaveStringOption(Registry& reg, const char* subkey, const char* name, const char* value);

// One option: the stored value when it reads, otherwise the current one
// written back (a number sign-extended to 32 bits).
void LoadDwordOption(Registry& reg, const char* name, std::int16_t* option);
void LoadStringOption(Registry& reg, const char* name, char* option);

// Every option, in the record's order, under the option subkey.
void LoadOptions(Registry& reg, Options& options);

// Stores an option's new value under the option subkey, by its value name:
// a number sign-extended to 32 bits, a text with its terminator.
int SaveNumberOption(Registry& reg, const OptionEntry& entry, std::int16_t value);
int SaveTextOption(Registry& reg, const OptionEntry& entry, const char* value);

// "ProgramFilesDir" of HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion.
int ReadProgramFilesDir(Registry& reg, char (&folder)[256]);
// The default value of a key under HKEY_CLASSES_ROOT, at most 255 bytes.
int ReadClassDefault(Registry& reg, const std::string& key, char (&value)[256]);
// Sets the default value of a key under HKEY_CLASSES_ROOT unless it already
// holds more than 1 byte; 1 when it was set.
int SetClassDefaultOnce(Registry& reg, const std::string& key, const char* value);
int WriteRegString(Registry& reg, RegRoot root, const std::string& key, const char* name,
                   const char* value);
int WriteMachineString(Registry& reg, const std::string& key, const char* name, const char* value);

}  // namespace vorlax::app
