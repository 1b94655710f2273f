// SPDX-License-Identifier: GPL-3.0-or-later
// Where the new bytes land and which mode they get; the failed saves that must leave the old
// file as it was run through both formats in the encoder tests.
#include "replacement_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "temp_directory.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;

const std::string kOldBytes(5000, 'o');
const std::string kNewBytes = "the new file";

// A fresh directory with an empty "sub" directory.
struct Directory {
    Directory() { fs::create_directory(dir.file("sub")); }

    std::string path(const std::string& name) const { return dir.file(name); }
    void write(const std::string& name, const std::string& bytes, mode_t mode) const
    {
        std::ofstream(path(name), std::ios::binary) << bytes;
        ::chmod(path(name).c_str(), mode);
    }
    mode_t modeOf(const std::string& name) const
    {
        return static_cast<mode_t>(fs::status(path(name)).permissions());
    }
    // Every name under the directory, "sub/..." for those in sub: a temporary file left
    // anywhere shows here.
    std::set<std::string> names() const
    {
        std::set<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
            found.insert(entry.path().lexically_relative(dir.path()).string());
        return found;
    }

    TempDirectory dir;
};

TEST(ReplacementFileTest, CommitPutsTheNewBytesInThePlaceOfTheFileItNames)
{
    struct Replacement {
        const char* name;
        std::function<void(const Directory&)> before;
        const char* target;
        const char* written;  // where the new bytes end up
        mode_t mode;          // the written file's mode, under the umask 027
        std::set<std::string> names;
    };
    const Replacement replacements[] = {
        {"existing file, keeps its mode",
         [](const Directory& d) { d.write("song.wav", kOldBytes, 0604); },
         "song.wav",
         "song.wav",
         0604,
         {"sub", "song.wav"}},
        {"link to a file, replaces the file and keeps the link",
         [](const Directory& d) {
             d.write("sub/song.wav", kOldBytes, 0600);
             fs::create_symlink("sub/song.wav", d.path("link.wav"));
         },
         "link.wav",
         "sub/song.wav",
         0600,
         {"sub", "sub/song.wav", "link.wav"}},
        {"link to nothing yet, creates the file it names",
         [](const Directory& d) { fs::create_symlink(d.path("sub/new.wav"), d.path("link.wav")); },
         "link.wav",
         "sub/new.wav",
         0640,
         {"sub", "sub/new.wav", "link.wav"}},
    };
    for (const Replacement& r : replacements) {
        SCOPED_TRACE(r.name);
        const Directory d;
        r.before(d);
        const mode_t previous = ::umask(027);
        bool committed = false;
        {
            ReplacementFile file(d.path(r.target).c_str());
            committed = file.append(kNewBytes.data(), kNewBytes.size()) && file.commit();
        }
        ::umask(previous);
        EXPECT_TRUE(committed);
        EXPECT_EQ(readText(d.path(r.written)), kNewBytes);
        EXPECT_EQ(d.modeOf(r.written), r.mode);
        EXPECT_EQ(d.names(), r.names);
    }
}

TEST(ReplacementFileTest, TargetThatMayNotBeReplaced_IsRefusedAndNothingIsCreated)
{
    const Directory d;
    d.write("read-only.wav", kOldBytes, 0444);
    fs::create_symlink("loop.wav", d.path("loop.wav"));
    std::vector<std::string> targets{"sub", "loop.wav", "missing/song.wav"};
    if (::geteuid() != 0) {
        targets.push_back("read-only.wav");  // the superuser may write it, as before
    }
    for (const std::string& target : targets) {
        EXPECT_FALSE(ReplacementFile(d.path(target).c_str()).isOpen()) << target;
    }
    EXPECT_FALSE(ReplacementFile("").isOpen());
    EXPECT_EQ(d.names(), (std::set<std::string>{"sub", "read-only.wav", "loop.wav"}));
    EXPECT_EQ(readText(d.path("read-only.wav")), kOldBytes);
}

}  // namespace
}  // namespace brenvik
