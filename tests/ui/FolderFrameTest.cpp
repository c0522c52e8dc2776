#include "FakeServices.h"

#include "model/Project.h"
#include "ui/lists/fmDestinationFolder.h"
#include "ui/parts/QtTreeDisplay.h"
#include "ui/parts/frmFolder.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

namespace {

// The label editor the tree has open, if any.
QLineEdit* OpenEditor(QTreeWidget* tree)
{
    for (QLineEdit* editor : tree->viewport()->findChildren<QLineEdit*>())
        if (!editor->isHidden())
            return editor;
    return nullptr;
}

class FolderFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Frame.SetMessages(&Messages);
        Frame.SetProject(&Project);
        Frame.SetFolders(&Project.Folders());
    }

    TFolder* Windows() { return Project.Folders().FindWindowsFolder(); }

    TScriptedMessages Messages;
    TProject Project{"Firm"};
    TfrmFolder Frame;
};

TEST_F(FolderFrameTest, TreeFollowsTheFoldersAndTheirObjects)
{
    QTreeWidget* tree = Frame.Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), QStringLiteral("\\"));
    EXPECT_EQ(TQtTreeDisplay::ItemObject(root), Project.Folders().Root());
    EXPECT_EQ(root->childCount(), Project.Folders().Root()->SubFolderCount());
    ASSERT_TRUE(Frame.SelectFolder(Project.AppFolder()));
    EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("My Application"));
    EXPECT_TRUE(tree->currentItem()->isExpanded());
    EXPECT_FALSE(Frame.SelectFolder(nullptr));
}

TEST_F(FolderFrameTest, CommandsFollowTheFolderRights)
{
    struct Case {
        const char* What;
        TFolder* Folder;
        bool CanChange;
    } cases[] = {{"root", Project.Folders().Root(), false},
                 {"system folder", Windows(), false},
                 {"ordinary folder", Project.AppFolder(), true}};
    for (const auto& c : cases) {
        ASSERT_TRUE(Frame.SelectFolder(c.Folder)) << c.What;
        Frame.UpdateCommands();
        EXPECT_TRUE(Named<QAction>(&Frame, "aNewFolder")->isEnabled()) << c.What;
        EXPECT_EQ(Named<QAction>(&Frame, "aRenameFolder")->isEnabled(), c.CanChange) << c.What;
        EXPECT_EQ(Named<QAction>(&Frame, "aDeleteFolder")->isEnabled(), c.CanChange) << c.What;
        EXPECT_EQ(bool(Frame.Tree()->currentItem()->flags() & Qt::ItemIsEditable), c.CanChange) << c.What;
    }
}

TEST_F(FolderFrameTest, SystemFoldersRefuseRenameAndDelete)
{
    TFolder* windows = Windows();
    ASSERT_TRUE(Frame.SelectFolder(windows));
    Frame.RenameFolder();
    EXPECT_EQ(OpenEditor(Frame.Tree()), nullptr);
    // Even a label change that reaches the item is not taken over.
    Frame.Tree()->currentItem()->setText(0, QStringLiteral("Other"));
    EXPECT_EQ(windows->Name(), "Windows");
    EXPECT_EQ(Frame.Tree()->currentItem()->text(0), QStringLiteral("Windows"));
    Frame.DeleteFolder();
    EXPECT_EQ(Project.Folders().FindWindowsFolder(), windows);
}

TEST_F(FolderFrameTest, RenameAcceptsAnyCodePageNameAndRefusesOthers)
{
    TFolder* app = Project.AppFolder();
    ASSERT_TRUE(Frame.SelectFolder(app));
    QTreeWidgetItem* item = Frame.Tree()->currentItem();
    int renamed = 0;
    QObject::connect(&Frame, &TfrmFolder::FolderRenamed, [&] { ++renamed; });
    item->setText(0, QString());
    EXPECT_EQ(app->Name(), "");
    item->setText(0, QString::fromUtf8("Caf\u00e9"));
    EXPECT_EQ(app->Name(), "Caf\xe9");
    item->setText(0, QString::fromUtf8("\u0416"));
    EXPECT_EQ(app->Name(), "Caf\xe9");
    EXPECT_EQ(item->text(0), QString::fromUtf8("Caf\u00e9"));
    EXPECT_EQ(renamed, 2);
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_NE(Messages.Shown()[0].Text.find("U+0416"), std::string::npos);
}

TEST_F(FolderFrameTest, TwoNewFoldersInARowAreBothNewFolder)
{
    TFolder* parent = Project.AppFolder();
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(Frame.SelectFolder(parent));
        Frame.NewFolder();
        QLineEdit* editor = OpenEditor(Frame.Tree());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->text(), QStringLiteral("New folder"));
        delete editor;
    }
    ASSERT_EQ(parent->SubFolderCount(), 2);
    EXPECT_EQ(parent->GetSubFolder(0)->Name(), "New folder");
    EXPECT_EQ(parent->GetSubFolder(1)->Name(), "New folder");
    EXPECT_EQ(Frame.SelectedFolder(), parent->GetSubFolder(1));
    EXPECT_EQ(Frame.Tree()->currentItem()->parent()->childCount(), 2);
}

TEST_F(FolderFrameTest, DeletingMovesProjectReferencesToTheParent)
{
    // Application folder only: the company folder stays.
    TFolder* company = Project.CompanyFolder();
    TFolder* app = Project.AppFolder();
    Project.SetDefaultFolder(Windows());
    ASSERT_TRUE(Frame.SelectFolder(app));
    int deleted = 0;
    QObject::connect(&Frame, &TfrmFolder::FolderDeleted, [&] { ++deleted; });
    Frame.DeleteFolder();
    EXPECT_EQ(Project.AppFolder(), company);
    EXPECT_EQ(Project.CompanyFolder(), company);
    EXPECT_EQ(Project.DefaultFolder(), Windows());
    EXPECT_EQ(company->SubFolderCount(), 0);
    EXPECT_EQ(Frame.SelectedFolder(), company);
    EXPECT_EQ(deleted, 1);

    // The company folder: company and application references both move.
    TFolder* programFiles = company->Parent();
    Frame.DeleteFolder();
    EXPECT_EQ(Project.CompanyFolder(), programFiles);
    EXPECT_EQ(Project.AppFolder(), programFiles);
    EXPECT_EQ(Frame.SelectedFolder(), programFiles);
    EXPECT_TRUE(Frame.Tree()->findItems(QStringLiteral("Firm"), Qt::MatchExactly | Qt::MatchRecursive).isEmpty());
}

TEST_F(FolderFrameTest, FilesInADeletedFolderMoveToASurvivingFolder)
{
    TFolder* app = Project.AppFolder();
    ASSERT_TRUE(Frame.SelectFolder(app));
    Frame.NewFolder();
    TFolder* sub = Frame.SelectedFolder();
    ASSERT_NE(sub, nullptr);
    TFile* file = Project.Files().Add(std::make_unique<TFile>());
    file->SetFolder(sub);
    Frame.DeleteFolder();
    ASSERT_NE(file->GetFolder(), nullptr);
    EXPECT_EQ(file->GetFolder(), app);
}

TEST(DestinationFolderTest, HiddenFolderFallsBackToTheDefaultThenTheFirstNode)
{
    TScriptedMessages messages;
    TProject project("Firm");
    TFolder* windows = project.Folders().FindWindowsFolder();
    TFolder* desktop = windows->GetSubFolder(0);
    ASSERT_EQ(desktop->Name(), "Desktop");

    TfmDestinationFolder dialog(&messages);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select Destination Folder"));
    dialog.SetPlatforms(PocketPlatforms);
    dialog.SetProject(&project);
    EXPECT_TRUE(
        dialog.Frame()->Tree()->findItems(QStringLiteral("Desktop"), Qt::MatchExactly | Qt::MatchRecursive).isEmpty());
    dialog.SelectInitialFolder(desktop);
    EXPECT_EQ(dialog.SelectedFolder(), project.DefaultFolder());
    dialog.SelectInitialFolder(windows);
    EXPECT_EQ(dialog.SelectedFolder(), windows);

    // The default folder hidden too: the first node.
    project.SetDefaultFolder(desktop);
    dialog.SelectInitialFolder(desktop);
    EXPECT_EQ(dialog.SelectedFolder(), project.Folders().Root());

    // A set of Handheld PC platforms only shows the desktop.
    dialog.SetPlatforms(AllPlatforms - PocketPlatforms);
    dialog.SetProject(&project);
    dialog.SelectInitialFolder(desktop);
    EXPECT_EQ(dialog.SelectedFolder(), desktop);
}

}
