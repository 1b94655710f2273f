// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_system.h"

#include "qt_printers.h"
#include "scoped_directory.h"

#include <QFile>

#include <sys/stat.h>

#include <gtest/gtest.h>

using quorvel::firstMatch;
using quorvel::joinPath;
using quorvel::matchesPatterns;
using quorvel::matchingFiles;
using quorvel::subdirectories;

TEST(JoinPath, AddsOneSeparatorAndNoneAfterTheRoot)
{
    EXPECT_EQ(joinPath("/", "a.wav"), "/a.wav");
    EXPECT_EQ(joinPath("/takes", "a.wav"), "/takes/a.wav");
    EXPECT_EQ(joinPath("/takes/", "a.wav"), "/takes/a.wav");
    EXPECT_EQ(joinPath("/takes", ""), "/takes/");
    EXPECT_EQ(joinPath("/", ""), "/");
}

TEST(MatchesPatterns, WildcardsIgnoreCaseButExactNamesDoNot)
{
    EXPECT_TRUE(matchesPatterns("TAKE.WAV", "*.wav"));
    EXPECT_TRUE(matchesPatterns("take.wav", "t?ke.*"));
    EXPECT_FALSE(matchesPatterns("take.wav.bak", "*.wav"));
    EXPECT_FALSE(matchesPatterns("tke.wav", "t?ke.wav"));
    EXPECT_TRUE(matchesPatterns("take.wav", "take.wav"));
    EXPECT_FALSE(matchesPatterns("TAKE.WAV", "take.wav"));
    EXPECT_TRUE(matchesPatterns("a**b", "a*b*"));
    EXPECT_FALSE(matchesPatterns("ab", "a?b"));
}

TEST(MatchesPatterns, ListsAreSplitAtSemicolonsWithBlanksIgnored)
{
    EXPECT_TRUE(matchesPatterns("song.mp3", "*.wav;*.mp3"));
    EXPECT_TRUE(matchesPatterns("song.mp3", " *.wav ; *.mp3 "));
    EXPECT_FALSE(matchesPatterns("song.txt", "*.wav;*.mp3"));
    EXPECT_FALSE(matchesPatterns("song.wav", ""));
    EXPECT_FALSE(matchesPatterns("song.wav", ";;"));
}

TEST(MatchesPatterns, TrailingDotStarAlsoMatchesNamesWithoutADot)
{
    EXPECT_TRUE(matchesPatterns("README", "*.*"));
    EXPECT_TRUE(matchesPatterns("a.b.c", "*.*"));
    EXPECT_TRUE(matchesPatterns("take", "take.*"));
    EXPECT_FALSE(matchesPatterns("taken", "take.*"));
}

class FileSystemTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"sub.wav", ".git", "empty"}) tree.addDirectory(name);
        for (const char* name :
             {"b.wav", "A.WAV", "notes.txt", ".hidden.wav", "empty/.keep", "sub.wav/inner.wav"})
            tree.addFile(name);
        ASSERT_EQ(mkfifo(QFile::encodeName(tree.path("pipe.wav")).constData(), 0600), 0);
        ASSERT_TRUE(QFile::link(tree.path("b.wav"), tree.path("link.wav")));
        ASSERT_TRUE(QFile::link(tree.path("gone.wav"), tree.path("dead.wav")));
    }
    QString in(const QString& relative) const { return tree.path(relative); }

    TempTree tree;
};

TEST_F(FileSystemTree, FileListHoldsOnlyOrdinaryFilesSortedIgnoringCase)
{
    EXPECT_EQ(matchingFiles(tree.root(), "*.wav"), QStringList({"A.WAV", "b.wav", "link.wav"}));
    EXPECT_EQ(matchingFiles(tree.root(), "*.*"),
              QStringList({"A.WAV", "b.wav", "link.wav", "notes.txt"}));
    EXPECT_TRUE(matchingFiles(in("no-such-dir"), "*.*").isEmpty());
}

TEST_F(FileSystemTree, SubdirectoriesLeaveOutHiddenOnes)
{
    EXPECT_EQ(subdirectories(tree.root()), QStringList({"empty", "sub.wav"}));
    EXPECT_TRUE(subdirectories(in("empty")).isEmpty());
}

TEST_F(FileSystemTree, FirstMatchGivesTheFirstOrdinaryFileInNameOrder)
{
    EXPECT_EQ(firstMatch(in("*.wav")), "A.WAV");
    EXPECT_EQ(firstMatch(in("b*")), "b.wav");
    EXPECT_EQ(firstMatch(in("notes.txt")), "notes.txt");
    EXPECT_EQ(firstMatch(in("link.wav")), "link.wav");
}

TEST_F(FileSystemTree, DirectoryTextEndingInSlashMatchesAnyOrdinaryFileThere)
{
    EXPECT_EQ(firstMatch(tree.root() + "/"), "A.WAV");
    EXPECT_EQ(firstMatch(in("sub.wav/")), "inner.wav");
    EXPECT_EQ(firstMatch(in("empty/")), "");  // only a hidden file
    EXPECT_EQ(firstMatch(in("no-such-dir/")), "");
}

TEST_F(FileSystemTree, FirstMatchNeverFindsHiddenFilesDirectoriesOrSpecialFiles)
{
    EXPECT_EQ(firstMatch(in(".hidden.wav")), "");
    EXPECT_EQ(firstMatch(in(".hid*")), "");
    EXPECT_EQ(firstMatch(in("sub.wav")), "");
    EXPECT_EQ(firstMatch(in("sub*")), "");
    EXPECT_EQ(firstMatch(in(".git")), "");
    EXPECT_EQ(firstMatch(in("pipe.wav")), "");
    EXPECT_EQ(firstMatch(in("dead.wav")), "");
    EXPECT_EQ(firstMatch(""), "");
}

TEST_F(FileSystemTree, ExactNamesAreCaseSensitiveAndWildcardsOnlyWorkInTheLastPart)
{
    EXPECT_EQ(firstMatch(in("NOTES.TXT")), "");
    EXPECT_EQ(firstMatch(in("NOTES.*")), "notes.txt");
    EXPECT_EQ(firstMatch(in("s*/inner.wav")), "");
}

TEST_F(FileSystemTree, RelativeNamesResolveAgainstTheProcessDirectory)
{
    const CurrentDirectoryScope here(tree.root());
    EXPECT_EQ(firstMatch("b.wav"), "b.wav");
    EXPECT_EQ(firstMatch("*.txt"), "notes.txt");
    EXPECT_EQ(firstMatch("sub.wav/inner.wav"), "inner.wav");
    EXPECT_EQ(firstMatch("inner.wav"), "");
}
