// "File Properties", "Shortcut Properties" and the folder trees that stay
// in step while several of them show the same project.

#include "FakeServices.h"

#include "model/Project.h"
#include "ui/parts/CheckList.h"
#include "ui/parts/QtTreeDisplay.h"
#include "ui/lists/fmDestinationFolder.h"
#include "ui/wizard/fmRuntimeWizard.h"
#include "ui/lists/fmSetupDllProperties.h"
#include "ui/lists/frmFiles.h"
#include "ui/lists/frmSetupDLLs.h"
#include "ui/lists/frmShortcuts.h"
#include "ui/lists/fmFileProperties.h"
#include "ui/lists/fmShortcutProperties.h"
#include "ui/parts/frmFolder.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QHeaderView>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace {

TFolder* Child(TFolder* parent, const std::string& name)
{
    for (int i = 0; i < parent->SubFolderCount(); ++i)
        if (parent->GetSubFolder(i)->Name() == name)
            return parent->GetSubFolder(i);
    return nullptr;
}

QString Path(const TFolder* folder)
{
    return QString::fromLatin1(folder->GetPath().c_str());
}

// Every object address the tree's nodes refer to.
std::vector<void*> NodeObjects(QTreeWidget* tree)
{
    std::vector<void*> objects;
    std::vector<QTreeWidgetItem*> stack;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        stack.push_back(tree->topLevelItem(i));
    while (!stack.empty()) {
        QTreeWidgetItem* item = stack.back();
        stack.pop_back();
        objects.push_back(TQtTreeDisplay::ItemObject(item));
        for (int i = 0; i < item->childCount(); ++i)
            stack.push_back(item->child(i));
    }
    return objects;
}

bool Shows(QTreeWidget* tree, const void* object)
{
    std::vector<void*> objects = NodeObjects(tree);
    return std::find(objects.begin(), objects.end(), object) != objects.end();
}

struct GuessRow {
    const char* Path;
    bool Guessed;
    TPlatform Platform;
    TProcessor Processor;
};

class GuessTest : public ::testing::TestWithParam<GuessRow> {};

TEST_P(GuessTest, FolderNameGivesPlatformAndProcessor)
{
    const GuessRow& row = GetParam();
    TPlatform platform = plAll;
    TProcessor processor = pAll;
    ASSERT_EQ(GuessPlatformAndProcessor(row.Path, platform, processor), row.Guessed) << row.Path;
    if (row.Guessed) {
        EXPECT_EQ(platform, row.Platform) << row.Path;
        EXPECT_EQ(processor, row.Processor) << row.Path;
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Folders, GuessTest,
    ::testing::Values(GuessRow{"C:\\Projects\\App\\ARMV4\\app.exe", true, plPPC2K, pStrongARM},
                      GuessRow{"C:\\sdk\\HPC 2000 SH3\\app.exe", true, plHPC2000, pHitachiSH3},
                      GuessRow{"C:\\Projects\\armv4\\app.exe", true, plPPC2K, pStrongARM},
                      GuessRow{"C:\\app.exe", false, plAll, pAll},
                      GuessRow{"/home/me/build/ARMV4/app.exe", true, plPPC2K, pStrongARM},
                      GuessRow{"/home/me/build/PPC MIPS/app.exe", true, plPPC300, pMIPSR4000},
                      GuessRow{"/home/me/HPC SH4/app.exe", true, plHPC, pHitachiSH4},
                      GuessRow{"C:\\x\\X86 ARM\\app.exe", true, plPPC2K, pi586},
                      GuessRow{"/app.exe", false, plAll, pAll}));
// clang-format on

class FilePropertiesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        File.SetEmergencyFolder(Project.Folders().Root());
        Dialog.SetModalRunner(
            [this](QDialog& dialog) { return Destination(static_cast<TfmDestinationFolder&>(dialog)); });
        Dialog.SetProject(&Project);
    }

    TCheckList* Platforms() { return Dialog.findChild<TCheckList*>(QStringLiteral("clbPlatforms")); }
    QComboBox* Processor() { return Dialog.findChild<QComboBox*>(QStringLiteral("cbProcessor")); }
    template <class T>
    T* Find(const char* name)
    {
        return Dialog.findChild<T*>(QString::fromLatin1(name));
    }
    std::vector<int> Checked()
    {
        std::vector<int> checked;
        for (int i = 0; i < Platforms()->Count(); ++i)
            if (Platforms()->IsChecked(i))
                checked.push_back(i);
        return checked;
    }
    void ChooseSource(const std::string& path)
    {
        Dialogs.AnyFileAnswer = path;
        Dialog.BrowseSource();
    }
    // Chooses the source; the edit shows it, and the platforms and the
    // processor are those given.
    void ExpectSourceChosen(const std::string& path, const std::vector<int>& checked, int processor)
    {
        ChooseSource(path);
        EXPECT_EQ(Checked(), checked) << path;
        EXPECT_EQ(Processor()->currentIndex(), processor) << path;
        EXPECT_EQ(Find<QLineEdit>("eSource")->text(), QString::fromStdString(path));
    }

    TScriptedMessages Messages;
    TFakeFileDialogs Dialogs;
    TProject Project{"Firm"};
    TFile File;
    std::function<int(TfmDestinationFolder&)> Destination = [](TfmDestinationFolder&) {
        return int(QDialog::Rejected);
    };
    TfmFileProperties Dialog{&Messages, &Dialogs};
};

TEST_F(FilePropertiesTest, SourceInAFolderNamedForATargetChecksItsPlatformAndProcessor)
{
    Dialog.SetFile(&File);
    ExpectSourceChosen("C:\\Projects\\sdk\\HPC 2000 SH3\\app.exe", {plHPC2000}, pHitachiSH3);
}

TEST_F(FilePropertiesTest, SourceInARootFolderChecksNothing)
{
    File.SetProcessor(pMIPSR3000);
    Dialog.SetFile(&File);
    ExpectSourceChosen("/app.exe", {}, pMIPSR3000);
}

TEST_F(FilePropertiesTest, SecondSourceLeavesPlatformsAndProcessorAlone)
{
    File.SetSourceDir("C:\\old\\");
    File.SetFileName("app.exe");
    File.SetPlatforms(TPlatforms{plHPC});
    File.SetProcessor(pHitachiSH4);
    Dialog.SetFile(&File);
    ExpectSourceChosen("/home/me/build/ARMV4/app.exe", {plHPC}, pHitachiSH4);
}

TEST_F(FilePropertiesTest, PickingTheDefaultFolderSelectsUseDefault)
{
    TFolder* windows = Project.Folders().FindWindowsFolder();
    File.SetFolder(windows);
    File.SetPlatforms(TPlatforms{plHPC});
    Dialog.SetFile(&File);
    ASSERT_TRUE(Find<QRadioButton>("rbFolder")->isChecked());
    EXPECT_EQ(Find<QLineEdit>("eDestination")->text(), QStringLiteral("\\Windows\\"));
    Destination = [this](TfmDestinationFolder& dialog) {
        EXPECT_EQ(dialog.SelectedFolder(), Project.Folders().FindWindowsFolder());
        EXPECT_TRUE(dialog.Frame()->SelectFolder(Project.DefaultFolder()));
        return int(QDialog::Accepted);
    };
    Find<QAbstractButton>("btDestination")->click();
    EXPECT_TRUE(Find<QRadioButton>("rbDefaultFolder")->isChecked());
    EXPECT_EQ(Find<QLineEdit>("eDestination")->text(), Path(Project.DefaultFolder()));
    EXPECT_FALSE(Find<QAbstractButton>("btDestination")->isEnabled());
}

TEST_F(FilePropertiesTest, DestinationTreeFallsBackWhenTheFolderIsHidden)
{
    TFolder* desktop = Child(Project.Folders().FindWindowsFolder(), "Desktop");
    File.SetFolder(desktop);
    File.SetPlatforms(TPlatforms{plPPC300});
    Dialog.SetFile(&File);
    bool shown = false;
    Destination = [&](TfmDestinationFolder& dialog) {
        shown = true;
        EXPECT_FALSE(Shows(dialog.Frame()->Tree(), desktop));
        EXPECT_EQ(dialog.SelectedFolder(), Project.DefaultFolder());
        return int(QDialog::Rejected);
    };
    Find<QAbstractButton>("btDestination")->click();
    EXPECT_TRUE(shown);
    EXPECT_EQ(Find<QLineEdit>("eDestination")->text(), QStringLiteral("\\Windows\\Desktop\\"));
}

TEST_F(FilePropertiesTest, ChosenFolderDeletedInTheDestinationDialogHandsOnToItsParent)
{
    TFolder* scratch = Project.AppFolder()->AddSubFolder(std::make_unique<TFolder>("Scratch", 0));
    File.SetSourceDir("C:\\src\\");
    File.SetFileName("app.exe");
    File.SetPlatforms(TPlatforms{plHPC});
    File.SetFolder(scratch);
    Dialog.SetFile(&File);
    Destination = [&](TfmDestinationFolder& dialog) {
        EXPECT_TRUE(dialog.Frame()->SelectFolder(scratch));
        dialog.Frame()->DeleteFolder();
        return int(QDialog::Rejected);
    };
    Find<QAbstractButton>("btDestination")->click();
    EXPECT_EQ(Find<QLineEdit>("eDestination")->text(), Path(Project.AppFolder()));
    ASSERT_TRUE(Dialog.StoreFile());
    EXPECT_EQ(File.GetFolder(), Project.AppFolder());
}

TEST_F(FilePropertiesTest, OkStoresEveryValueAndCancelNone)
{
    File.SetPlatforms(TPlatforms{plHPC});
    Dialog.SetFile(&File);
    ChooseSource("/home/me/src/app.exe");
    Processor()->setCurrentIndex(pARM920);
    Find<QAbstractButton>("rbCopy4")->click();
    Dialog.reject();
    EXPECT_EQ(File.FileName(), "");
    ASSERT_TRUE(Dialog.StoreFile());
    EXPECT_EQ(File.SourceDir(), "/home/me/src/");
    EXPECT_EQ(File.FileName(), "app.exe");
    EXPECT_EQ(File.Processor(), pARM920);
    EXPECT_EQ(File.CopyMode(), cmAskBeforeReplacingNewer);
    EXPECT_FALSE(File.UseDefaultFolder());
}

class ShortcutPropertiesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto [name, platform] : {std::pair{"app.exe", plPPC300}, std::pair{"tool.exe", plHPC}}) {
            auto file = std::make_unique<TFile>();
            file->SetFileName(name);
            file->SetPlatforms(TPlatforms{platform});
            file->SetFolder(Project.AppFolder());
            Project.Files().Add(std::move(file));
        }
        Shortcut.SetEmergencyFolder(Project.Folders().Root());
        Shortcut.SetName("App");
        Shortcut.SetTarget(Project.Files().Item(0));
        Dialog.SetProject(&Project);
    }

    QTreeWidget* Tree() { return Dialog.findChild<QTreeWidget*>(); }
    TCheckList* Platforms() { return Dialog.findChild<TCheckList*>(QStringLiteral("clbPlatforms")); }
    TFolder* Current() { return static_cast<TFolder*>(TQtTreeDisplay::ItemObject(Tree()->currentItem())); }
    TFolder* Desktop() { return Child(Project.Folders().FindWindowsFolder(), "Desktop"); }

    TScriptedMessages Messages;
    TProject Project{"Firm"};
    TCEShortCut Shortcut;
    TfmShortcutProperties Dialog{&Messages};
};

TEST_F(ShortcutPropertiesTest, TreeFallsBackToStartMenuThenToTheFirstNode)
{
    Shortcut.SetFolder(Desktop());
    Dialog.SetShortcut(&Shortcut);
    EXPECT_FALSE(Shows(Tree(), Desktop()));
    EXPECT_EQ(Current(), Project.Folders().FindStartMenuFolder());

    // Favorites carries the Start Menu's number too.
    while (TFolder* startMenu = Project.Folders().FindStartMenuFolder())
        Project.Folders().DeleteFolder(startMenu);
    Dialog.SetShortcut(&Shortcut);
    EXPECT_EQ(Current(), Project.Folders().Root());
}

TEST_F(ShortcutPropertiesTest, CheckingAPlatformRebuildsTheTreeAndReturnsToTheStoredFolder)
{
    Shortcut.SetFolder(Desktop());
    Dialog.SetShortcut(&Shortcut);
    ASSERT_EQ(Current(), Project.Folders().FindStartMenuFolder());
    // Without a pocket platform the Desktop is there again.
    Platforms()->SetChecked(plPPC300, false);
    Platforms()->SetChecked(plHPC, true);
    EXPECT_TRUE(Shows(Tree(), Desktop()));
    EXPECT_EQ(Current(), Desktop());

    Tree()->setCurrentItem(Tree()->topLevelItem(0));
    Platforms()->SetChecked(plHPCPro, true);
    EXPECT_EQ(Current(), Desktop());
}

TEST_F(ShortcutPropertiesTest, AnotherTargetRechecksPlatformsWithoutRebuildingTheTree)
{
    Shortcut.SetFolder(Project.AppFolder());
    Dialog.SetShortcut(&Shortcut);
    Tree()->setCurrentItem(Tree()->topLevelItem(0));
    auto* target = Dialog.findChild<QComboBox*>(QStringLiteral("cbTarget"));
    ASSERT_EQ(target->count(), 2);
    EXPECT_EQ(target->itemText(1), QString::fromLatin1(Project.Files().Item(1)->GetDevicePath().c_str()));
    target->setCurrentIndex(1);
    EXPECT_TRUE(Platforms()->IsChecked(plHPC));
    EXPECT_FALSE(Platforms()->IsChecked(plPPC300));
    EXPECT_EQ(Current(), Project.Folders().Root());

    // The check list decides over the target's own platforms.
    Platforms()->SetChecked(plWM2003, true);
    ASSERT_TRUE(Dialog.StoreShortcut());
    EXPECT_EQ(Shortcut.Target(), Project.Files().Item(1));
    EXPECT_EQ(Shortcut.Platforms(), (TPlatforms{plHPC, plWM2003}));
    EXPECT_EQ(Shortcut.GetFolder(), Project.AppFolder());
}

class FolderTreesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (TfrmFolder* frame : {&General, &Other}) {
            frame->SetMessages(&Messages);
            frame->SetProject(&Project);
            frame->SetFolders(&Project.Folders());
        }
    }

    TScriptedMessages Messages;
    TProject Project{"Firm"};
    TfrmFolder General;
    TfrmFolder Other;
};

TEST_F(FolderTreesTest, FolderDeletedInOneTreeLeavesNoNodeInAnother)
{
    TFolder* app = Project.AppFolder();
    TFolder* inner = app->AddSubFolder(std::make_unique<TFolder>("Data", 0));
    General.Rebuild();
    Other.Rebuild();
    ASSERT_TRUE(General.SelectFolder(inner));
    ASSERT_TRUE(Other.SelectFolder(app));
    int deletedSeen = 0;
    QObject::connect(&General, &TfrmFolder::FolderDeleted, [&] { ++deletedSeen; });

    Other.DeleteFolder();
    for (TfrmFolder* frame : {&General, &Other}) {
        EXPECT_FALSE(Shows(frame->Tree(), app));
        EXPECT_FALSE(Shows(frame->Tree(), inner));
        EXPECT_EQ(frame->SelectedFolder(), Project.CompanyFolder());
    }
    EXPECT_EQ(deletedSeen, 1);
    EXPECT_EQ(NodeObjects(General.Tree()).size(), NodeObjects(Other.Tree()).size());
}

TEST_F(FolderTreesTest, RenamedAndNewFoldersShowInEveryTree)
{
    TFolder* app = Project.AppFolder();
    ASSERT_TRUE(General.SelectFolder(app));
    General.Tree()->currentItem()->setText(0, QStringLiteral("Viewer"));
    ASSERT_TRUE(Other.SelectFolder(app));
    EXPECT_EQ(Other.Tree()->currentItem()->text(0), QStringLiteral("Viewer"));

    General.NewFolder();
    ASSERT_EQ(app->SubFolderCount(), 1);
    TFolder* added = app->GetSubFolder(0);
    EXPECT_TRUE(Shows(Other.Tree(), added));
    // The new node's label edit ends as any edit does.
    General.Tree()->currentItem()->setText(0, QStringLiteral("Logs"));
    ASSERT_TRUE(Other.SelectFolder(added));
    EXPECT_EQ(Other.Tree()->currentItem()->text(0), QStringLiteral("Logs"));
}

TEST_F(FolderTreesTest, ATreeForOtherFoldersIsLeftAlone)
{
    TProject second("Other");
    TfrmFolder elsewhere;
    elsewhere.SetFolders(&second.Folders());
    size_t before = NodeObjects(elsewhere.Tree()).size();
    ASSERT_TRUE(General.SelectFolder(Project.AppFolder()));
    General.DeleteFolder();
    EXPECT_EQ(NodeObjects(elsewhere.Tree()).size(), before);
    EXPECT_TRUE(Shows(elsewhere.Tree(), second.AppFolder()));
}

// Every control of the new windows is reached with Tab and has a name a
// screen reader can say: its own, or that of the label that is its buddy.
TEST(AccessibilityTest, EveryControlHasANameAndTakesTabFocus)
{
    TScriptedMessages messages;
    TFakeFileDialogs dialogs;
    TProject project("Firm");
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.push_back(std::make_unique<TfmFileProperties>(&messages, &dialogs));
    windows.push_back(std::make_unique<TfmShortcutProperties>(&messages));
    windows.push_back(std::make_unique<TfmSetupDllProperties>(&messages, &dialogs));
    windows.push_back(std::make_unique<TfmRuntimeWizard>(&messages));
    windows.push_back(std::make_unique<TfrmFiles>(&messages));
    windows.push_back(std::make_unique<TfrmShortcuts>(&messages));
    windows.push_back(std::make_unique<TfrmSetupDLLs>(&messages));
    static_cast<TfmShortcutProperties*>(windows[1].get())->SetProject(&project);
    for (const auto& window : windows) {
        int controls = 0;
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            bool control = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                           qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractItemView*>(widget);
            // The item views inside drop-down lists belong to their popup.
            // Headers are part of their list, not controls of their own.
            if (qobject_cast<QHeaderView*>(widget))
                continue;
            if (!control || widget->window() != window.get() || !widget->isVisibleTo(window.get()))
                continue;
            ++controls;
            const QString what = window->objectName() + QLatin1Char('/') + widget->objectName() + QLatin1Char(' ') +
                                 QString::fromLatin1(widget->metaObject()->className());
            EXPECT_TRUE(widget->focusPolicy() & Qt::TabFocus) << what.toStdString();
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(accessible, nullptr) << what.toStdString();
            bool named =
                !accessible->text(QAccessible::Name).isEmpty() || !accessible->relations(QAccessible::Label).isEmpty();
            EXPECT_TRUE(named) << what.toStdString();
        }
        EXPECT_GT(controls, 3) << window->objectName().toStdString();
    }
}

}
