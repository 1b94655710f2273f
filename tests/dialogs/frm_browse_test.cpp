// SPDX-License-Identifier: GPL-3.0-or-later
#include "frm_browse.h"
#include "browse.h"
#include "drives.h"
#include "file_lists.h"

#include "modal_script.h"
#include "qt_printers.h"
#include "reachable_controls.h"
#include "scoped_directory.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cerrno>
#include <memory>
#include <optional>

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

// Drives whose current directories and failures the test decides.
class FakeDrives : public Drives {
public:
    QStringList list() override { return drives; }
    DriveDirectory currentDirectory(const QString& drive) override
    {
        ++attempts[drive];
        if (!failures[drive].isEmpty()) return {{}, failures[drive].takeFirst()};
        return {currentOf.value(drive, drive), std::nullopt};
    }

    QStringList drives;
    QHash<QString, QString> currentOf;
    QHash<QString, QList<DriveError>> failures;
    QHash<QString, int> attempts;
};

QStringList entries(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts += list->item(i)->text();
    return texts;
}

QListWidgetItem* fileItem(const FrmBrowse& dialog, const QString& name)
{
    const QList<QListWidgetItem*> found = dialog.File1->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

QPoint centreOf(const QListWidget* list, QListWidgetItem* item)
{
    return list->visualItemRect(item).center();
}

void clickFile(const FrmBrowse& dialog, const QString& name)
{
    QTest::mouseClick(dialog.File1->viewport(), Qt::LeftButton, {},
                      centreOf(dialog.File1, fileItem(dialog, name)));
}

// The whole sequence a real double click delivers: press, release, double click, release.
void doubleClick(QWidget* viewport, QPoint at)
{
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
}

void doubleClickFile(const FrmBrowse& dialog, const QString& name)
{
    doubleClick(dialog.File1->viewport(), centreOf(dialog.File1, fileItem(dialog, name)));
}

const QStringList kWavAndMp3{"a.wav", "B.WAV", "c.mp3"};

}  // namespace

// A temporary tree that is the process's current directory, with the dialog readied as the
// editor's Save As readies it.
class BrowseDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"sub", "empty", "disk"}) tree.addDirectory(name);
        for (const char* name :
             {"a.wav", "B.WAV", "c.mp3", "notes.txt", ".hidden.wav", "sub/x.wav"})
            tree.addFile(name);
        here.emplace(tree.root());
        drives.drives = {"/", tree.root(), disk()};

        dialog = std::make_unique<FrmBrowse>(drives);
        prepareBrowseDialog(*dialog, "Save as", "*.wav;*.mp3");
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }

    QString disk() const { return tree.path("disk"); }
    QString name() const { return dialog->TxtFileName->text(); }

    TempTree tree;
    std::optional<CurrentDirectoryScope> here;
    FakeDrives drives;
    std::unique_ptr<FrmBrowse> dialog;
};

TEST_F(BrowseDialog, StartsInTheProcessDirectoryWithItsPathInTheNameBox)
{
    EXPECT_EQ(dialog->windowTitle(), "Save as");
    EXPECT_EQ(dialog->Drive1->drive(), tree.root());
    EXPECT_EQ(dialog->Dir1->path(), tree.root());
    EXPECT_EQ(dialog->File1->path(), tree.root());
    EXPECT_EQ(entries(dialog->File1), kWavAndMp3);
    EXPECT_EQ(entries(dialog->LstPattern), QStringList({"*.wav;*.mp3", "*.*"}));
    EXPECT_EQ(dialog->LstPattern->currentRow(), 0);
    EXPECT_EQ(name(), tree.root() + "/");
    EXPECT_EQ(dialog->focusWidget(), dialog->TxtFileName);
}

TEST_F(BrowseDialog, KeepsTheClassicLayoutFontAndFocusOrder)
{
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    int checked = 0;
    EXPECT_EQ(unreachableControls(*dialog, checked), QStringList());
    EXPECT_EQ(checked, 12);  // five captions, the name box, three lists, the patterns, two buttons
    EXPECT_TRUE(dialog->font().bold());
    EXPECT_DOUBLE_EQ(dialog->font().pointSizeF(), 8.25);
    EXPECT_TRUE(dialog->CmdOK->isDefault());
    EXPECT_EQ(dialog->Label1->buddy(), dialog->TxtFileName);
    EXPECT_EQ(dialog->Label5->buddy(), dialog->File1);

    QList<QWidget*> order;
    for (QWidget* w = dialog->File1; order.size() < 7; w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus) order += w;
    }
    EXPECT_EQ(order, QList<QWidget*>({dialog->File1, dialog->Dir1, dialog->Drive1, dialog->CmdOK,
                                      dialog->CmdCancel, dialog->TxtFileName, dialog->LstPattern}));
}

TEST_F(BrowseDialog, DirectoryChangeMovesTheFileListAndNameBoxButNotTheFocus)
{
    dialog->Dir1->setPath(tree.path("sub"));
    EXPECT_EQ(dialog->File1->path(), tree.path("sub"));
    EXPECT_EQ(entries(dialog->File1), QStringList({"x.wav"}));
    EXPECT_EQ(name(), tree.path("sub") + "/");
    EXPECT_EQ(dialog->focusWidget(), dialog->TxtFileName);

    dialog->Dir1->setPath("/");
    EXPECT_EQ(name(), "/");
    EXPECT_EQ(dialog->Drive1->drive(), "/");  // the drive list follows across mount points
}

TEST_F(BrowseDialog, DirectoryListMovesOnDoubleClickAndEnter)
{
    DirectoryList* dirs = dialog->Dir1;
    const QList<QTreeWidgetItem*> sub =
        dirs->findItems("sub", Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(sub.size(), 1);
    doubleClick(dirs->viewport(), dirs->visualItemRect(sub[0]).center());
    EXPECT_EQ(dirs->path(), tree.path("sub"));
    EXPECT_EQ(entries(dialog->File1), QStringList({"x.wav"}));

    dirs->setCurrentItem(dirs->currentItem()->parent());
    QTest::keyClick(dirs, Qt::Key_Return);
    EXPECT_EQ(dirs->path(), tree.root());
    EXPECT_TRUE(dialog->isVisible());  // Enter moved the list instead of pressing OK
}

TEST_F(BrowseDialog, FileClickOrKeySelectionPutsTheFullPathInTheNameBox)
{
    clickFile(*dialog, "B.WAV");
    EXPECT_EQ(name(), tree.path("B.WAV"));
    QTest::keyClick(dialog->File1, Qt::Key_Down);
    EXPECT_EQ(name(), tree.path("c.mp3"));
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(BrowseDialog, FileInTheRootIsJoinedWithoutADoubledSlash)
{
    dialog->Dir1->setPath("/");
    dialog->LstPattern->setCurrentRow(1);
    if (dialog->File1->count() == 0) GTEST_SKIP() << "no ordinary file in the root directory";
    dialog->File1->setCurrentRow(0);
    clickFile(*dialog, dialog->File1->item(0)->text());
    EXPECT_EQ(name(), "/" + dialog->File1->item(0)->text());
}

TEST_F(BrowseDialog, FileDoubleClickClosesTheDialogWithThatFile)
{
    doubleClickFile(*dialog, "a.wav");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(name(), tree.path("a.wav"));
}

TEST_F(BrowseDialog, PatternListSwitchesToEveryFileAndBack)
{
    QListWidget* patterns = dialog->LstPattern;
    QTest::mouseClick(patterns->viewport(), Qt::LeftButton, {},
                      centreOf(patterns, patterns->item(1)));
    EXPECT_EQ(dialog->File1->pattern(), "*.*");
    EXPECT_EQ(entries(dialog->File1), QStringList({"a.wav", "B.WAV", "c.mp3", "notes.txt"}));

    patterns->setCurrentRow(0);
    EXPECT_EQ(entries(dialog->File1), kWavAndMp3);
}

TEST_F(BrowseDialog, OkAndEnterKeepTypedText)
{
    QTest::keyClicks(dialog->TxtFileName, "song");
    dialog->CmdOK->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(name(), tree.path("song"));

    dialog->show();
    dialog->TxtFileName->setText("typed");
    QTest::keyClick(dialog->TxtFileName, Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(name(), "typed");
}

TEST_F(BrowseDialog, CancelEscapeAndClosingAllEmptyTheNameBox)
{
    dialog->CmdCancel->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(name(), "");

    dialog->show();
    EXPECT_EQ(name(), tree.root() + "/");
    QTest::keyClick(dialog->TxtFileName, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(name(), "");

    dialog->show();
    dialog->close();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(name(), "");
}

TEST_F(BrowseDialog, MissingDiskIsAskedAboutUntilTheDriveAnswers)
{
    drives.failures[disk()] = {{kDiskNotReady, "Disk not ready"},
                               {kDeviceUnavailable, "Device unavailable"}};
    QList<SeenMessage> seen;
    ModalScript user({answer(QMessageBox::Yes, &seen), answer(QMessageBox::Yes, &seen)});

    dialog->Drive1->setDrive(disk());

    EXPECT_TRUE(user.finished());
    EXPECT_EQ(user.unexpected, 0);
    EXPECT_EQ(drives.attempts[disk()], 3);
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].text, "Please check the disk. Try Again?");
    EXPECT_EQ(seen[0].title, "");
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(dialog->Dir1->path(), disk());
    EXPECT_EQ(name(), disk() + "/");
}

TEST_F(BrowseDialog, NoToTheDiskQuestionReturnsToTheDriveOfTheShownDirectory)
{
    dialog->Dir1->setPath(tree.path("sub"));
    drives.currentOf[tree.root()] = tree.path("empty");
    drives.failures[disk()] = {{kDiskNotReady, "Disk not ready"}};
    QList<SeenMessage> seen;
    ModalScript user({answer(QMessageBox::No, &seen)});

    dialog->Drive1->setDrive(disk());

    EXPECT_EQ(user.unexpected, 0);
    EXPECT_EQ(seen.size(), 1);
    EXPECT_EQ(dialog->Drive1->drive(), tree.root());
    // The drive's own current directory, not the one that was shown.
    EXPECT_EQ(dialog->Dir1->path(), tree.path("empty"));
    EXPECT_EQ(name(), tree.path("empty") + "/");
}

TEST_F(BrowseDialog, OtherDriveErrorIsReportedAndTheDirectoryStays)
{
    drives.failures[disk()] = {{EACCES, "Permission denied"}};
    QList<SeenMessage> seen;
    ModalScript user({answer(QMessageBox::Ok, &seen)});

    dialog->Drive1->setDrive(disk());

    EXPECT_EQ(user.unexpected, 0);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text, "Unrecoverable error: Permission denied");
    EXPECT_EQ(seen[0].title, "PLEASE COPY DOWN:");
    EXPECT_EQ(seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(seen[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(drives.attempts[disk()], 1);
    EXPECT_EQ(dialog->Drive1->drive(), disk());
    EXPECT_EQ(dialog->Dir1->path(), tree.root());
    EXPECT_EQ(name(), tree.root() + "/");
}

// BrowseFile end to end, on the machine's own drives, with the user played by a script.
class BrowseFileCall : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.addDirectory("sub");
        for (const char* name : {"a.wav", "notes.txt"}) tree.addFile(name);
        here.emplace(tree.root());
    }

    // A step for the browse dialog; it must close the dialog.
    static ModalScript::Step inDialog(std::function<void(FrmBrowse&)> act)
    {
        return [act](QWidget* window) {
            if (auto* dialog = qobject_cast<FrmBrowse*>(window)) act(*dialog);
        };
    }

    TempTree tree;
    std::optional<CurrentDirectoryScope> here;
};

TEST_F(BrowseFileCall, OpenReturnsTheDoubleClickedFile)
{
    ModalScript user({inDialog([](FrmBrowse& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Open");
        EXPECT_EQ(entries(dialog.LstPattern), QStringList({"*.wav", "*.*"}));
        EXPECT_EQ(entries(dialog.File1), QStringList({"a.wav"}));
        doubleClickFile(dialog, "a.wav");
    })});
    EXPECT_EQ(BrowseFile("Open", "*.wav"), tree.path("a.wav"));
    EXPECT_EQ(user.unexpected, 0);
}

TEST_F(BrowseFileCall, OpenLooksUpARelativeNameInTheProcessDirectory)
{
    ModalScript user({inDialog([&](FrmBrowse& dialog) {
        dialog.Dir1->setPath(tree.path("sub"));
        dialog.TxtFileName->setText("notes.txt");
        dialog.CmdOK->click();
    })});
    EXPECT_EQ(BrowseFile("Open", "*.wav"), "notes.txt");
    EXPECT_EQ(user.unexpected, 0);
}

TEST_F(BrowseFileCall, SaveAddsTheExtensionToATypedName)
{
    ModalScript user({inDialog([](FrmBrowse& dialog) {
        QTest::keyClicks(dialog.TxtFileName, "take");
        dialog.CmdOK->click();
    })});
    EXPECT_EQ(BrowseFile("Save as", "*.wav;*.mp3"), tree.path("take.wav"));
    EXPECT_EQ(user.unexpected, 0);
}

TEST_F(BrowseFileCall, SaveOverAnExistingFileAsksAndNoGivesNothing)
{
    QList<SeenMessage> seen;
    ModalScript user({inDialog([](FrmBrowse& dialog) {
                          clickFile(dialog, "a.wav");
                          dialog.CmdOK->click();
                      }),
                      answer(QMessageBox::No, &seen)});
    EXPECT_EQ(BrowseFile("Save as", "*.wav;*.mp3"), "");
    EXPECT_EQ(user.unexpected, 0);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text, "This file already exists.  Are you sure you want to overwrite it?");
    EXPECT_EQ(seen[0].title, "Alert");
    EXPECT_EQ(seen[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen[0].buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST_F(BrowseFileCall, CancelOrClosingGivesNothingAndNextCallStartsAfresh)
{
    ModalScript user({inDialog([](FrmBrowse& dialog) {
                          dialog.Dir1->setPath("/");
                          dialog.LstPattern->setCurrentRow(1);
                          dialog.CmdCancel->click();
                      }),
                      inDialog([&](FrmBrowse& dialog) {
                          EXPECT_EQ(dialog.Dir1->path(), tree.root());
                          EXPECT_EQ(dialog.File1->pattern(), "*.wav");
                          dialog.close();
                      })});
    EXPECT_EQ(BrowseFile("Save as", "*.wav;*.mp3"), "");
    EXPECT_EQ(BrowseFile("Open", "*.wav"), "");
    EXPECT_EQ(user.unexpected, 0);
}
