// The extension object: the context-menu handler for HTML files and folders.
// Its IContextMenu part is the primary interface; the IShellExtInit part
// shares its counter and its QueryInterface.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "shellext/selection.h"
#include "shellext/system_names.h"

namespace vorlax::shellext {

class CShellExt final : public IContextMenu, public IShellExtInit {
public:
    CShellExt();
    ~CShellExt();
    CShellExt(const CShellExt&) = delete;
    CShellExt& operator=(const CShellExt&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP QueryContextMenu(HMENU menu, UINT position, UINT first, UINT last,
                                  UINT flags) override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    STDMETHODIMP GetCommandString(UINT_PTR command, UINT flags, UINT* reserved, CHAR* buffer,
                                  UINT capacity) override;

    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY class_key) override;

private:
    HRESULT GatherSelection(IDataObject* data);

    // Names to and from the system: in Unicode and CP932 on Windows NT.
    SystemNames names_;
    ULONG references_ = 0;
    IDataObject* data_ = nullptr;
    Selection selection_;
    bool folder_selected_ = false;
    bool include_subfolders_ = false;
};

}  // namespace vorlax::shellext
