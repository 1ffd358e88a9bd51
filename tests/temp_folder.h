// A fresh folder for one test on real files, removed with its contents
// afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <string>

#include "engine/output_path.h"

namespace vorlax::test {

class TempFolder {
public:
    // The folder is named after the prefix and the running test.
    explicit TempFolder(const std::string& prefix)
        : dir_(std::filesystem::temp_directory_path() /
               (prefix + std::to_string(std::random_device()()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~TempFolder() {
        std::error_code ignored;
        // Contents made read-only by a test must not stay behind.
        for (const auto& e : std::filesystem::directory_iterator(dir_, ignored))
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    // A name in the folder, joined with the platform's separator.
    std::string Path(const std::string& name) const {
        return dir_.string() + kNativePaths.folder_separator + name;
    }
    void Write(const std::string& name, const std::string& content) const {
        std::FILE* f = std::fopen(Path(name).c_str(), "wb");
        ASSERT_NE(f, nullptr) << name;
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    // The bytes of a file, "<missing>" when it cannot be read.
    static std::string ReadFile(const std::string& path) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return "<missing>";
        std::string data;
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) data.append(buf, n);
        std::fclose(f);
        return data;
    }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_))
            names.insert(e.path().filename().string());
        return names;
    }

private:
    std::filesystem::path dir_;
};

}  // namespace vorlax::test
