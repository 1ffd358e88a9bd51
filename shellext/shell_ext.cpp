#include "shellext/shell_ext.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "shellext/commands.h"
#include "shellext/list_file.h"
#include "shellext/module.h"
#include "shellext/platform.h"
#include "shellext/registration.h"

namespace vorlax::shellext {

namespace {

// The platform's directory search; every search handle is closed.
class SearchLister final : public FolderLister {
public:
    void List(const std::string& pattern,
              const std::function<void(const char* name, bool is_folder)>& visit) override {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            visit(found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
};

// The long name of a selected path, as a search for the path itself reports it.
std::string LongName(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return path;
    FindClose(search);
    found.cFileName[MAX_PATH - 1] = '\0';
    return WithLongName(path, found.cFileName, SystemSteps());
}

bool IsFolder(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// "Application Path" into `folder`; false when the key or the value can't be read.
bool ReadInstallFolder(std::string& folder) {
    HKEY key;
    // Reading needs no more than read access, which every user has.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char data[255];
    DWORD size = sizeof data;
    const LONG status = RegQueryValueExA(key, kInstallFolderValue, nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return false;
    folder = RegistryString(data, size);
    return true;
}

}  // namespace

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
    HDROP drop = static_cast<HDROP>(medium.hGlobal);
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // A path that does not fit in a path buffer would come back cut:
        // such an item is left out rather than listed as another path.
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        if (length == 0 || length >= MAX_PATH) continue;
        char path[MAX_PATH];
        if (DragQueryFileA(drop, i, path, MAX_PATH) == 0) continue;
        const std::string long_path = LongName(path);
        const bool folder = IsFolder(long_path.c_str());
        if (folder) folder_selected_ = true;
        AddToSelection(selection_, long_path.c_str(), folder, SystemSteps());
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
    InsertMenuA(menu, at++, MF_BYPOSITION | MF_STRING, first, kConvertItem);
    if (items == 2)
        InsertMenuA(menu, at++, MF_BYPOSITION | MF_STRING, first + 1, kConvertWithSubfoldersItem);
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
        return WriteListAndStart();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CShellExt::WriteListAndStart() {
    char folder[MAX_PATH];
    char list_file[MAX_PATH];
    const DWORD folder_length = GetTempPathA(MAX_PATH, folder);
    if (folder_length == 0 || folder_length >= MAX_PATH) return E_INVALIDARG;
    if (GetTempFileNameA(folder, kListFilePrefix, 0, list_file) == 0) return E_INVALIDARG;
    std::FILE* stream = std::fopen(list_file, kListFileMode);
    if (stream == nullptr) return E_INVALIDARG;
    SearchLister lister;
    StreamListSink sink(stream);
    WriteSelection(selection_, include_subfolders_, lister, sink);
    std::fclose(stream);

    std::string install_folder;
    if (!ReadInstallFolder(install_folder)) return E_INVALIDARG;
    std::string command_line = ProgramCommandLine(install_folder, list_file);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return E_FAIL;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return S_OK;
}

STDMETHODIMP CShellExt::GetCommandString(UINT_PTR, UINT flags, UINT*, CHAR* buffer,
                                         UINT capacity) {
    OutputDebugStringA("CShellExt::GetCommandString()\r\n");
    switch (ClassifyCommandString(flags)) {
    case CommandStringRequest::kValidate:
        return S_OK;
    case CommandStringRequest::kVerb:
        return E_NOTIMPL;
    case CommandStringRequest::kHelpTextAnsi: {
        if (buffer == nullptr || capacity == 0) return E_INVALIDARG;
        const std::size_t fit = AnsiFit(kHelpText, capacity, SystemSteps());
        std::memcpy(buffer, kHelpText, fit);
        buffer[fit] = '\0';
        return S_OK;
    }
    case CommandStringRequest::kHelpTextWide: {
        if (buffer == nullptr || capacity == 0) return E_INVALIDARG;
        WCHAR wide[64];
        const int units = MultiByteToWideChar(CP_ACP, 0, kHelpText, -1, wide, 64);
        if (units <= 0) return E_FAIL;
        const std::size_t fit = std::min<std::size_t>(static_cast<std::size_t>(units) - 1,
                                                      capacity - 1);
        auto* out = reinterpret_cast<WCHAR*>(buffer);
        std::memcpy(out, wide, fit * sizeof(WCHAR));
        out[fit] = L'\0';
        return S_OK;
    }
    }
    return E_NOTIMPL;
}

}  // namespace vorlax::shellext
