// SPDX-License-Identifier: GPL-3.0-or-later
#include "browse.h"
#include "file_system.h"

#include "qt_printers.h"
#include "scoped_directory.h"

#include <QSet>

#include <gtest/gtest.h>

using quorvel::applyBrowseRules;

namespace {

// A lookup over a fixed set of names and an overwrite question with a fixed answer.
class ScriptedHost : public quorvel::BrowseRulesHost {
public:
    QString firstMatch(const QString& pathPattern) override
    {
        lookups += pathPattern;
        return existing.contains(pathPattern) ? QStringLiteral("match") : QString();
    }
    bool confirmOverwrite() override
    {
        ++questions;
        return answer;
    }

    QSet<QString> existing;
    bool answer = false;
    QStringList lookups;
    int questions = 0;
};

// The real lookup, with a fixed answer to the overwrite question.
class DiskHost : public quorvel::BrowseRulesHost {
public:
    QString firstMatch(const QString& pathPattern) override
    {
        return quorvel::firstMatch(pathPattern);
    }
    bool confirmOverwrite() override
    {
        ++questions;
        return answer;
    }

    bool answer = false;
    int questions = 0;
};

const QString kSavePattern = QStringLiteral("*.wav;*.mp3");

}  // namespace

TEST(OpenRules, NameThatMatchesNothingBecomesEmptyWithoutAQuestion)
{
    ScriptedHost host;
    EXPECT_EQ(applyBrowseRules("Open", "*.wav", "/takes/missing.wav", host), "");
    EXPECT_EQ(host.questions, 0);
}

TEST(OpenRules, MatchingNameIsReturnedAsTypedWildcardsIncluded)
{
    ScriptedHost host;
    host.existing = {"/takes/song.wav", "/takes/*.wav"};
    EXPECT_EQ(applyBrowseRules("Open", "*.wav", "/takes/song.wav", host), "/takes/song.wav");
    EXPECT_EQ(applyBrowseRules("Open", "*.wav", "/takes/*.wav", host), "/takes/*.wav");
    EXPECT_EQ(host.questions, 0);
}

TEST(BrowseRules, ModeComesFromTheFirstFourLettersOfTheTitleInAnyCase)
{
    ScriptedHost host;
    EXPECT_EQ(applyBrowseRules("open a take", "*.wav", "/x", host), "");
    EXPECT_EQ(applyBrowseRules("SAVEAS", kSavePattern, "/x", host), "/x.wav");
    EXPECT_EQ(applyBrowseRules("Browse", kSavePattern, "/x", host), "/x");
    EXPECT_EQ(applyBrowseRules("Ope", "*.wav", "/x", host), "/x");
    EXPECT_EQ(host.lookups, QStringList({"/x", "/x.wav"}));
}

TEST(BrowseRules, EmptyNameStaysEmptyWithoutALookup)
{
    ScriptedHost host;
    EXPECT_EQ(applyBrowseRules("Open", "*.wav", "", host), "");
    EXPECT_EQ(applyBrowseRules("Save as", kSavePattern, "", host), "");
    EXPECT_TRUE(host.lookups.isEmpty());
}

TEST(SaveRules, ExistingFileIsKeptOnlyWhenTheUserAgreesToOverwrite)
{
    ScriptedHost host;
    host.existing = {"/takes/song.wav"};
    host.answer = true;
    EXPECT_EQ(applyBrowseRules("Save as", kSavePattern, "/takes/song.wav", host),
              "/takes/song.wav");
    host.answer = false;
    EXPECT_EQ(applyBrowseRules("Save as", kSavePattern, "/takes/song.wav", host), "");
    EXPECT_EQ(host.questions, 2);
}

TEST(SaveRules, NameWithoutADotGetsTheDefaultExtension)
{
    ScriptedHost host;
    EXPECT_EQ(applyBrowseRules("Save as", kSavePattern, "/takes/song", host), "/takes/song.wav");
    EXPECT_EQ(applyBrowseRules("Save as", "*.mp3", "/takes/song", host), "/takes/song.mp3");
    EXPECT_EQ(applyBrowseRules("Save as", "*.mp3", "song", host), "song.mp3");
    EXPECT_EQ(host.questions, 0);
}

// Only a dot in the file name itself keeps the extension off; the folders' dots do not count.
TEST(SaveRules, OnlyADotInTheFileNameMeansNoExtensionIsAdded)
{
    struct Case {
        const char* typed;
        const char* written;
    };
    const Case cases[] = {
        {"/my.dir/song", "/my.dir/song.wav"},
        {"/home/jo.smith/radio.takes/song", "/home/jo.smith/radio.takes/song.wav"},
        {"radio.takes/song", "radio.takes/song.wav"},
        {"/takes/song.", "/takes/song."},
        {"/radio.takes/song.mp3", "/radio.takes/song.mp3"},
        {"/radio.takes/.song", "/radio.takes/.song"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ScriptedHost host;
        EXPECT_EQ(applyBrowseRules("Save as", kSavePattern, c.typed, host), c.written);
    }
}

// The question is about the file that will really be written: a name typed without a dot is
// looked up with the extension it is about to get.
TEST(SaveRules, QuestionIsAskedForTheNameThatWillBeWritten)
{
    struct Case {
        const char* typed;
        const char* existing;
        bool answer;
        const char* returned;
        int questions;
    };
    const Case cases[] = {
        {"/takes/song", "/takes/song.wav", false, "", 1},
        {"/takes/song", "/takes/song.wav", true, "/takes/song.wav", 1},
        {"/takes/song", "/takes/song", true, "/takes/song.wav", 0},  // only the file without .wav
        {"/takes/song.mp3", "/takes/song.wav", false, "/takes/song.mp3", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ScriptedHost host;
        host.existing = {c.existing};
        host.answer = c.answer;
        EXPECT_EQ(applyBrowseRules("Save as", kSavePattern, c.typed, host), c.returned);
        EXPECT_EQ(host.questions, c.questions);
    }
}

class DirectoryNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.addDirectory("takes");
        tree.addDirectory("full");
        tree.addFile("full/one.wav");
    }
    QString dirText(const char* name) const { return tree.path(name) + "/"; }

    TempTree tree;
    DiskHost host;
};

TEST_F(DirectoryNames, OpenReturnsTheDirectoryOnlyWhenItHoldsAFile)
{
    EXPECT_EQ(applyBrowseRules("Open", "*.wav", dirText("full"), host), dirText("full"));
    EXPECT_EQ(applyBrowseRules("Open", "*.wav", dirText("takes"), host), "");
}

TEST_F(DirectoryNames, SaveInADirectoryAppendsTheExtensionToTheSlashWithoutAQuestion)
{
    if (tree.root().contains('.')) GTEST_SKIP() << "the temporary directory's own path holds a dot";
    for (const char* directory : {"takes", "full"}) {
        SCOPED_TRACE(directory);
        EXPECT_EQ(applyBrowseRules("Save as", kSavePattern, dirText(directory), host),
                  dirText(directory) + ".wav");
    }
    EXPECT_EQ(host.questions, 0);
}
