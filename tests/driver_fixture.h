// The file driver's tests on real files: a recorder of what the driver
// reports, and a fixture with a fresh folder, options and an abort request.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/driver.h"
#include "temp_folder.h"

namespace vorlax::test {

// Records what the driver reports, in order; raises the abort request when
// a chosen stage starts.
class Recorder final : public ConversionReport {
public:
    explicit Recorder(std::atomic<bool>& abort) : abort_(abort) {}
    void OpenFailed(const char* path) override { events.push_back("open " + std::string(path)); }
    void AccessFailed(const char* path) override {
        events.push_back("access " + std::string(path));
    }
    void PathTooLong(const char* path) override { events.push_back("long " + std::string(path)); }
    void Converted(const char* input, const char* output) override {
        events.push_back("converted " + std::string(input) + " -> " + output);
    }
    bool OpenInEditor(const char* output) override {
        events.push_back("editor " + std::string(output));
        return editor_result;
    }
    void StageStarting(Stage stage) override {
        stages.push_back(stage);
        if (abort_at && *abort_at == stage) abort_.store(true);
    }

    std::vector<std::string> events;
    std::vector<Stage> stages;
    const Stage* abort_at = nullptr;
    bool editor_result = true;

private:
    std::atomic<bool>& abort_;
};

// Files in a fresh folder named after `prefix` and the test, converted with
// ConvertFile under options_ and abort_, reported to recorder_.
class DriverFixture : public ::testing::Test {
protected:
    explicit DriverFixture(const std::string& prefix) : folder_(prefix) {}

    std::string Path(const std::string& name) const { return folder_.Path(name); }
    void Write(const std::string& name, const std::string& content) const {
        folder_.Write(name, content);
    }
    static std::string Read(const std::string& path) { return TempFolder::ReadFile(path); }
    std::set<std::string> Names() const { return folder_.Names(); }
    int Convert(const std::string& path) {
        return ConvertFile(path.c_str(), options_, abort_, recorder_);
    }

    TempFolder folder_;
    const std::filesystem::path& dir_ = folder_.dir();
    Options options_;
    std::atomic<bool> abort_{false};
    Recorder recorder_{abort_};
};

}  // namespace vorlax::test
