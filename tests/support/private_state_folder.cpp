// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into every test program: the process keeps its take files in a state folder of its
// own, under the one CTest names in XDG_STATE_HOME (or the temporary directory), emptied before
// each test case and removed when the process ends. No test case then finds takes another left
// (the start-up would ask about them), and none writes into anyone's home. A program a test
// starts inherits the folder (and keeps it: it sees what its test sees).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

void removeEverythingIn(const std::string& folder)
{
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ignored)) {
        fs::remove_all(entry.path(), ignored);
    }
}

class EmptiedBeforeEachCase : public ::testing::EmptyTestEventListener {
public:
    explicit EmptiedBeforeEachCase(std::string folder)
        : folder_(std::move(folder))
    {}
    void OnTestStart(const ::testing::TestInfo&) override { removeEverythingIn(folder_); }

private:
    std::string folder_;
};

class PrivateStateFolder {
public:
    PrivateStateFolder()
    {
        if (std::getenv(kInherited) != nullptr) return;
        const char* given = std::getenv("XDG_STATE_HOME");
        std::error_code error;
        const fs::path base =
            given != nullptr && *given == '/' ? fs::path(given) : fs::temp_directory_path(error);
        fs::create_directories(base, error);
        std::string pattern = (base / "process-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) return;
        path_ = pattern;
        ::setenv("XDG_STATE_HOME", path_.c_str(), 1);
        ::setenv(kInherited, "1", 1);
        ::testing::UnitTest::GetInstance()->listeners().Append(new EmptiedBeforeEachCase(path_));
    }
    ~PrivateStateFolder()
    {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    PrivateStateFolder(const PrivateStateFolder&) = delete;
    PrivateStateFolder& operator=(const PrivateStateFolder&) = delete;

private:
    static constexpr const char* kInherited = "QUORVEL_TEST_STATE_FOLDER";
    std::string path_;
};

const PrivateStateFolder folder;

}  // namespace
