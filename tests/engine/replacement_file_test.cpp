// SPDX-License-Identifier: GPL-3.0-or-later
// Where the new bytes land and which mode they get; the failed saves that must leave the old
// file as it was run through both formats in the encoder tests.
#include "replacement_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
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
    for (const TemporaryFile temporary :
         {TemporaryFile::kUnnamedWherePossible, TemporaryFile::kNamed}) {
        for (const Replacement& r : replacements) {
            SCOPED_TRACE(r.name);
            SCOPED_TRACE(temporary == TemporaryFile::kNamed ? "named" : "unnamed");
            const Directory d;
            r.before(d);
            const mode_t previous = ::umask(027);
            bool committed = false;
            {
                ReplacementFile file(d.path(r.target).c_str(), nullptr, temporary);
                committed = file.append(kNewBytes.data(), kNewBytes.size()) && file.commit();
            }
            ::umask(previous);
            EXPECT_TRUE(committed);
            EXPECT_EQ(readText(d.path(r.written)), kNewBytes);
            EXPECT_EQ(d.modeOf(r.written), r.mode);
            EXPECT_EQ(d.names(), r.names);
        }
    }
}

// What a killed save left in the folder of the next save goes; nothing else does, however
// alike its name: not a user's file, not one in another folder, not one changed since the
// save began.
TEST(ReplacementFileTest, ASave_RemovesOnlyTheHiddenFilesKilledSavesLeftInItsFolder)
{
    enum class Kind { kFile, kDirectory, kLink };
    struct Leftover {
        const char* name;
        Kind kind;
        int hoursAgo;  // its last change, negative for after the save began
        bool removed;
    };
    const Leftover leftovers[] = {
        {".take.wav.0123abcd", Kind::kFile, 1, true},
        {".TAKE.MP3.deadbeef", Kind::kFile, 30, true},
        {".song.wav.00000000", Kind::kFile, 1, true},
        {".later.wav.0123abcd", Kind::kFile, -1, false},
        {".notes.txt.0123abcd", Kind::kFile, 1, false},
        {"take.wav.0123abcd", Kind::kFile, 1, false},
        {".take.wav.0123ABCD", Kind::kFile, 1, false},
        {".take.wav.0123abc", Kind::kFile, 1, false},
        {".take.wav.0123abcde", Kind::kFile, 1, false},
        {"..wav.0123abcd", Kind::kFile, 1, false},
        {".folder.wav.0123abcd", Kind::kDirectory, 1, false},
        {".link.wav.0123abcd", Kind::kLink, 1, false},
        {"sub/.take.wav.0123abcd", Kind::kFile, 1, false},
    };
    const Directory d;
    d.write("kept.wav", kOldBytes, 0600);
    std::set<std::string> expected{"sub", "kept.wav", "song.wav"};
    for (const Leftover& l : leftovers) {
        const std::string path = d.path(l.name);
        if (l.kind == Kind::kFile) d.write(l.name, kOldBytes, 0600);
        if (l.kind == Kind::kDirectory) fs::create_directory(path);
        if (l.kind == Kind::kLink) fs::create_symlink("kept.wav", path);
        const timespec changed{::time(nullptr) - l.hoursAgo * 3600, 0};
        const timespec times[2] = {changed, changed};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << l.name;
        if (!l.removed) expected.insert(l.name);
    }
    ReplacementFile file(d.path("song.wav").c_str());
    ASSERT_TRUE(file.append(kNewBytes.data(), kNewBytes.size()) && file.commit());
    EXPECT_EQ(d.names(), expected);
    EXPECT_EQ(readText(d.path("kept.wav")), kOldBytes);
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
