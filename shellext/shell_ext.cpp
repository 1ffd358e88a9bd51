#include "shellext/shell_ext.h"

#include <shellapi.h>

#include <new>
#include <string>

#include "shellext/commands.h"
#include "shellext/list_file.h"
#include "shellext/module.h"

namespace vorlax::shellext {

CShellExt::CShellExt() {
    OutputDebugStringA("CShellExt::CShellExt()\r\n");
    ObjectCreated();
}

CShellExt::~CShellExt() {
    selection_.clear();
    if (data_ != nullptr) data_->Release();
    ObjectDestroyed();
}

STDMETHODIMP CShellExt::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IShellExtInit) || IsEqualIID(riid, IID_IUnknown)) {
        OutputDebugStringA("CShellExt::QueryInterface()==>IID_IShellExtInit\r\n");
        *out = static_cast<IShellExtInit*>(this);
    } else if (IsEqualIID(riid, IID_IContextMenu)) {
        OutputDebugStringA("CShellExt::QueryInterface()==>IID_IContextMenu\r\n");
        *out = static_cast<IContextMenu*>(this);
    } else {
        OutputDebugStringA("CShellExt::QueryInterface()==>Unknown Interface!\r\n");
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CShellExt::AddRef() {
    OutputDebugStringA("CShellExt::AddRef()\r\n");
    return ++references_;
}

STDMETHODIMP_(ULONG) CShellExt::Release() {
    OutputDebugStringA("CShellExt::Release()\r\n");
    if (--references_ != 0) return references_;
    delete this;
    return 0;
}

STDMETHODIMP CShellExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
    OutputDebugStringA("CShellExt::Initialize()\r\n");
    selection_.clear();
    if (data_ != nullptr) data_->Release();
    data_ = data;
    if (data_ == nullptr) return E_FAIL;
    data_->AddRef();
    try {
        return GatherSelection(data_);
    } catch (const std::bad_alloc&) {
        selection_.clear();
        return E_OUTOFMEMORY;
    }
}

HRESULT CShellExt::GatherSelection(IDataObject* data) {
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium))) return E_FAIL;
    if (medium.hGlobal == nullptr) {
        ReleaseStgMedium(&medium);
        return E_FAIL;
    }
    for (const std::string& path : names_.DroppedPaths(static_cast<HDROP>(medium.hGlobal))) {
        const std::string long_path = names_.LongName(path);
        const bool folder = names_.IsFolder(long_path);
        if (folder) folder_selected_ = true;
        AddToSelection(selection_, long_path.c_str(), folder, names_.steps());
    }
    ReleaseStgMedium(&medium);
    return S_OK;
}

STDMETHODIMP CShellExt::QueryContextMenu(HMENU menu, UINT position, UINT first, UINT last,
                                         UINT flags) {
    OutputDebugStringA("CShellExt::QueryContextMenu()\r\n");
    BYTE keys[256];
    const bool shift = GetKeyboardState(keys) && (keys[VK_SHIFT] & 0x80) != 0;
    const unsigned items = MenuItemCount(flags, folder_selected_, shift, first, last);
    if (items == 0) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    UINT at = position;
    InsertMenuA(menu, at++, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    names_.InsertItem(menu, at++, first, kConvertItem);
    if (items == 2) names_.InsertItem(menu, at++, first + 1, kConvertWithSubfoldersItem);
    InsertMenuA(menu, at, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, items);
}

STDMETHODIMP CShellExt::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    OutputDebugStringA("CShellExt::InvokeCommand()\r\n");
    if (info == nullptr) return E_INVALIDARG;
    const Invocation invocation = ReadVerb(reinterpret_cast<std::uintptr_t>(info->lpVerb));
    if (!invocation.accepted) return E_INVALIDARG;
    include_subfolders_ = invocation.include_subfolders;
    try {
        return names_.WriteListAndStart(selection_, include_subfolders_);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP CShellExt::GetCommandString(UINT_PTR, UINT flags, UINT*, CHAR* buffer,
                                         UINT capacity) {
    OutputDebugStringA("CShellExt::GetCommandString()\r\n");
    switch (ClassifyCommandString(flags)) {
    case CommandStringRequest::kValidate:
        return S_OK;
    case CommandStringRequest::kVerb:
        return E_NOTIMPL;
    case CommandStringRequest::kHelpTextAnsi:
        return names_.HelpText(kHelpText, false, buffer, capacity);
    case CommandStringRequest::kHelpTextWide:
        return names_.HelpText(kHelpText, true, buffer, capacity);
    }
    return E_NOTIMPL;
}

}  // namespace vorlax::shellext
