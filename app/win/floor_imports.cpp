// The 32-bit programs start on Windows 95 with nothing but the system's own
// DLLs and msvcrt.dll. The compiler's runtime calls three Unicode functions
// that Windows 95, 98 and Me export only as stubs that fail:
// CreateSemaphoreW (libgcc's locks for threads, unwinding and thread-local
// data: without the semaphore a contended lock would not wait),
// GetModuleHandleW and LoadLibraryW (the C runtime's look-ups of functions
// that an old msvcrt.dll lacks). Their import slots are defined here, so the
// linker takes these instead of kernel32's entries and the programs import
// none of them. Each stands in with the ANSI function every Windows has;
// the runtime only ever passes ASCII names ("msvcrt.dll", "advapi32.dll")
// or none.
//
// Only the i686 programs link this file; every x86-64 Windows has the
// originals.
#include <windows.h>

namespace {

// `wide` in the ANSI code page into `narrow` (MAX_PATH bytes); false when
// it does not fit.
bool Narrow(LPCWSTR wide, char* narrow) {
    return WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, MAX_PATH, nullptr, nullptr) > 0;
}

HMODULE WINAPI ModuleHandleW(LPCWSTR name) {
    if (name == nullptr) return GetModuleHandleA(nullptr);
    char narrow[MAX_PATH];
    if (!Narrow(name, narrow)) return nullptr;
    return GetModuleHandleA(narrow);
}

HMODULE WINAPI LoadLibraryWide(LPCWSTR name) {
    char narrow[MAX_PATH];
    if (name == nullptr || !Narrow(name, narrow)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadLibraryA(narrow);
}

HANDLE WINAPI SemaphoreW(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name) {
    char narrow[MAX_PATH];
    if (name != nullptr && !Narrow(name, narrow)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateSemaphoreA(attributes, initial, maximum, name != nullptr ? narrow : nullptr);
}

}  // namespace

// The import slots, named as the import library names them (a call through
// "__imp__Name@bytes" reads the function's address from it).
extern "C" {
extern void* const vorlax_GetModuleHandleW __asm__("__imp__GetModuleHandleW@4");
extern void* const vorlax_LoadLibraryW __asm__("__imp__LoadLibraryW@4");
extern void* const vorlax_CreateSemaphoreW __asm__("__imp__CreateSemaphoreW@16");
void* const vorlax_GetModuleHandleW = reinterpret_cast<void*>(&ModuleHandleW);
void* const vorlax_LoadLibraryW = reinterpret_cast<void*>(&LoadLibraryWide);
void* const vorlax_CreateSemaphoreW = reinterpret_cast<void*>(&SemaphoreW);
}
