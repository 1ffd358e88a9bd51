// A small IDataObject for the test host: serves CF_HDROP for a list of paths
// (ANSI or UTF-16 names), or fails the request, or answers it without a
// memory handle. It counts its references so a test sees what the extension
// holds.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace vorlax::shellext::test {

class TestDataObject final : public IDataObject {
public:
    // kServeWide: UTF-16 names from the paths in the ANSI code page;
    // kServeUtf8: UTF-16 names from paths written in UTF-8 (for names that
    // CP932 cannot hold).
    enum class Mode { kServe, kServeWide, kServeUtf8, kFail, kNoHandle };

    TestDataObject(std::vector<std::string> paths, Mode mode = Mode::kServe)
        : paths_(std::move(paths)), mode_(mode) {}

    ULONG references() const { return references_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        *out = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject))
            return E_NOINTERFACE;
        *out = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    // The object lives on the test's stack: nothing is freed at 0.
    STDMETHODIMP_(ULONG) Release() override { return --references_; }

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (mode_ == Mode::kFail) return DV_E_FORMATETC;
        if (format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL) ||
            format->dwAspect != DVASPECT_CONTENT)
            return DV_E_FORMATETC;
        medium->tymed = TYMED_HGLOBAL;
        medium->pUnkForRelease = nullptr;
        medium->hGlobal = mode_ == Mode::kNoHandle ? nullptr : MakeDrop();
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        return format->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    // A DROPFILES block followed by the names, each with its terminator,
    // and an empty name at the end.
    HGLOBAL MakeDrop() const {
        std::string names;
        if (mode_ == Mode::kServeWide || mode_ == Mode::kServeUtf8) {
            for (const std::string& p : paths_) {
                std::vector<WCHAR> wide(p.size() + 1);
                const int n = MultiByteToWideChar(mode_ == Mode::kServeUtf8 ? CP_UTF8 : CP_ACP, 0, p.c_str(), -1, wide.data(),
                                                  static_cast<int>(wide.size()));
                names.append(reinterpret_cast<const char*>(wide.data()), n * sizeof(WCHAR));
            }
            names.append(sizeof(WCHAR), '\0');
        } else {
            for (const std::string& p : paths_) names.append(p.c_str(), p.size() + 1);
            names.append(1, '\0');
        }
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size());
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = mode_ == Mode::kServeWide || mode_ == Mode::kServeUtf8;
        std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
        GlobalUnlock(memory);
        return memory;
    }

    std::vector<std::string> paths_;
    Mode mode_;
    ULONG references_ = 1;
};

}  // namespace vorlax::shellext::test
