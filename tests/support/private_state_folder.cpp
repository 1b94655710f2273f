// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into every test program: the process keeps its take files in a state folder of its
// own, under the one CTest names in XDG_STATE_HOME (or the temporary directory), removed when
// it ends. No test then finds takes another left, and none writes into anyone's home. A program
// a test starts inherits the folder (and keeps it: it sees what its test sees).
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class PrivateStateFolder {
public:
    PrivateStateFolder()
    {
        namespace fs = std::filesystem;
        if (std::getenv(kInherited) != nullptr) return;
        const char* given = std::getenv("XDG_STATE_HOME");
        std::error_code error;
        const fs::path base =
            given != nullptr && *given == '/' ? fs::path(given) : fs::temp_directory_path(error);
        fs::create_directories(base, error);
        std::string pattern = (base / "process-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
            ::setenv("XDG_STATE_HOME", path_.c_str(), 1);
            ::setenv(kInherited, "1", 1);
        }
    }
    ~PrivateStateFolder()
    {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    PrivateStateFolder(const PrivateStateFolder&) = delete;
    PrivateStateFolder& operator=(const PrivateStateFolder&) = delete;

private:
    static constexpr const char* kInherited = "QUORVEL_TEST_STATE_FOLDER";
    std::string path_;
};

const PrivateStateFolder folder;

}  // namespace
