// The Windows registry behind the registry routines: every call opens its
// key, does one thing and closes it.
#include "app/win/win_registry.h"

#include "common/win/system.h"

namespace vorlax::app {

using common::kKeyAccess;
using common::RootKey;

bool WinRegistry::Query(RegRoot root, const std::string& key, const char* name, void* data,
                        std::uint32_t* size) {
    HKEY handle;
    if (RegOpenKeyExA(RootKey(root), key.c_str(), 0, kKeyAccess, &handle) != ERROR_SUCCESS) return false;
    DWORD type = 0, bytes = *size;
    const LONG result = RegQueryValueExA(handle, name, nullptr, &type, static_cast<BYTE*>(data), &bytes);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS) return false;
    *size = bytes;
    return true;
}

bool WinRegistry::Set(RegRoot root, const std::string& key, const char* name, std::uint32_t type,
                      const void* data, std::uint32_t size) {
    HKEY handle;
    DWORD disposition;
    if (RegCreateKeyExA(RootKey(root), key.c_str(), 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                        kKeyAccess, nullptr, &handle, &disposition) != ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

bool WinRegistry::KeyExists(RegRoot root, const std::string& key) {
    HKEY handle;
    if (RegOpenKeyExA(RootKey(root), key.c_str(), 0, kKeyAccess, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

Registry& ProgramRegistry() {
    static WinRegistry registry;
    return registry;
}

}  // namespace vorlax::app
