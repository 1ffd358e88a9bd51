// The module: its entry point, the two exports and the object count.
#include <windows.h>
#include <objbase.h>

#include <new>

#include "common/names.h"
#include "shellext/class_factory.h"
#include "shellext/module.h"
#include "shellext/platform.h"

namespace vorlax::shellext {

namespace {

constexpr CLSID MakeClassId() {
    CLSID id{};
    id.Data1 = common::kClassId.data1;
    id.Data2 = common::kClassId.data2;
    id.Data3 = common::kClassId.data3;
    for (int i = 0; i < 8; ++i) id.Data4[i] = common::kClassId.data4[i];
    return id;
}

const char* SystemNext(const char* p) { return CharNextA(p); }
bool SystemLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

constexpr CharacterSteps kSystemSteps{SystemNext, SystemLeadByte};

// Objects alive and locks held; see module.h.
LONG objects = 0;
LONG locks = 0;

}  // namespace

const CLSID kExtensionClassId = MakeClassId();

const CharacterSteps& SystemSteps() { return kSystemSteps; }

void ObjectCreated() { ++objects; }
void ObjectDestroyed() { --objects; }
void ServerLocked() { ++locks; }
void ServerUnlocked() {
    if (locks > 0) --locks;
}
bool ModuleInUse() { return objects != 0 || locks != 0; }

}  // namespace vorlax::shellext

using namespace vorlax::shellext;

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        OutputDebugStringA("In DLLMain, DLL_PROCESS_ATTACH\r\n");
    else if (reason == DLL_PROCESS_DETACH)
        OutputDebugStringA("In DLLMain, DLL_PROCESS_DETACH\r\n");
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    OutputDebugStringA("In DLLCanUnloadNow\r\n");
    return ModuleInUse() ? S_FALSE : S_OK;
}

STDAPI DllGetClassObject(REFCLSID class_id, REFIID riid, LPVOID* out) {
    OutputDebugStringA("In DllGetClassObject\r\n");
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(class_id, kExtensionClassId)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) CShellExtClassFactory;
    if (factory == nullptr) return E_OUTOFMEMORY;
    // The factory's first reference is the caller's; a refused interface
    // leaves it without one, so it goes again.
    const HRESULT result = factory->QueryInterface(riid, out);
    if (FAILED(result)) delete factory;
    return result;
}
