// The registry routines' platform side: the Windows registry itself.
#pragma once

#include "app/registry.h"

namespace vorlax::app {

class WinRegistry final : public Registry {
public:
    bool Query(RegRoot root, const std::string& key, const char* name, void* data,
               std::uint32_t* size) override;
    bool Set(RegRoot root, const std::string& key, const char* name, std::uint32_t type,
             const void* data, std::uint32_t size) override;
    bool KeyExists(RegRoot root, const std::string& key) override;
};

// The registry the program uses.
Registry& ProgramRegistry();

}  // namespace vorlax::app
