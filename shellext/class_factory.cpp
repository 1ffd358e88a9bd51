#include "shellext/class_factory.h"

#include <new>

#include "shellext/module.h"
#include "shellext/shell_ext.h"

namespace vorlax::shellext {

CShellExtClassFactory::CShellExtClassFactory() {
    OutputDebugStringA("CShellExtClassFactory::CShellExtClassFactory()\r\n");
    ObjectCreated();
}

CShellExtClassFactory::~CShellExtClassFactory() { ObjectDestroyed(); }

STDMETHODIMP CShellExtClassFactory::QueryInterface(REFIID riid, void** out) {
    OutputDebugStringA("CShellExtClassFactory::QueryInterface()\r\n");
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CShellExtClassFactory::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) CShellExtClassFactory::Release() {
    if (--references_ != 0) return references_;
    delete this;
    return 0;
}

STDMETHODIMP CShellExtClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** out) {
    OutputDebugStringA("CShellExtClassFactory::CreateInstance()\r\n");
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* object = new (std::nothrow) CShellExt;
    if (object == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = object->QueryInterface(riid, out);
    // Nobody holds an object whose interface was refused.
    if (FAILED(result)) delete object;
    return result;
}

// A client that locks the factory keeps the module loaded until it unlocks.
STDMETHODIMP CShellExtClassFactory::LockServer(BOOL lock) {
    if (lock)
        ServerLocked();
    else
        ServerUnlocked();
    return S_OK;
}

}  // namespace vorlax::shellext
