// The installer's platform side: files, resources, boxes and keys through
// the real Windows calls.
#pragma once

#include <windows.h>

#include "install/install_steps.h"

namespace vorlax::install {

class WinInstallPlatform final : public InstallPlatform {
public:
    // `module`: the program whose resources are written out; `owner`: the
    // boxes' owner (none for "/install").
    WinInstallPlatform(HINSTANCE module, HWND owner) : module_(module), owner_(owner) {}

    std::string ModulePath() override;
    bool WindowsFolder(std::string* folder) override;
    bool SystemFolder(std::string* folder) override;
    std::string Resource(int id) override;
    WriteResult WriteNewFile(const std::string& path, const std::string& bytes) override;
    void RemoveFile(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    void Message(const char* text) override;
    void OpenWithShell(const std::string& path) override;
    void MakeKey(common::RegRoot root, const std::string& key) override;
    void DeleteKey(common::RegRoot root, const std::string& key) override;

private:
    HINSTANCE module_;
    HWND owner_;
};

}  // namespace vorlax::install
