// The Files, Shortcuts and Setup DLLs frames with their property dialogs,
// worked through the editors the user interface installs in the model.

#include "FakeServices.h"

#include "model/Project.h"
#include "ui/lists/frmFiles.h"
#include "ui/lists/frmList.h"
#include "ui/lists/frmSetupDLLs.h"
#include "ui/lists/frmShortcuts.h"
#include "ui/main/EditorHooks.h"
#include "ui/parts/CheckList.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

namespace {

// The report list a list tab embeds.
TfrmList* ListOf(QWidget& frame)
{
    auto* list = frame.findChild<TfrmList*>(QStringLiteral("frmList"));
    EXPECT_NE(list, nullptr);
    return list;
}

// Runs the tab's Add (its dialog answered by the runner); the one object
// the list gained, or null after a failure.
template <typename TList>
auto* AddThrough(QWidget& frame, TList& list)
{
    ListOf(frame)->AddAction()->trigger();
    EXPECT_EQ(list.Count(), 1);
    return list.Count() == 1 ? list.Item(0) : nullptr;
}

TCheckList* Checks(QDialog& dialog)
{
    return dialog.findChild<TCheckList*>(QStringLiteral("clbPlatforms"));
}

class ListFramesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Files.SetProject(&Project);
        Shortcuts.SetProject(&Project);
        Dlls.SetProject(&Project);
    }

    TFile* AddFile(const std::string& name, TPlatforms platforms = TPlatforms{plPPC2K})
    {
        auto file = std::make_unique<TFile>();
        file->SetSourceDir("C:\\src\\");
        file->SetFileName(name);
        file->SetPlatforms(platforms);
        file->SetFolder(Project.AppFolder());
        return Project.Files().Add(std::move(file));
    }

    void Select(TfrmList* list, std::initializer_list<int> rows)
    {
        QTableView* view = list->View();
        view->clearSelection();
        for (int row : rows)
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    std::vector<std::string> FileNames()
    {
        std::vector<std::string> names;
        for (int i = 0; i < Project.Files().Count(); ++i)
            names.push_back(Project.Files().Item(i)->FileName());
        return names;
    }

    QString Cell(TfrmList* list, int row, int column)
    {
        return list->View()->model()->index(row, column).data().toString();
    }

    TScriptedMessages Messages;
    TFakeFileDialogs Dialogs;
    TModalRunner Runner;
    int Shown = 0;
    TEditorHooks Hooks{&Messages, &Dialogs, nullptr, &Runner};
    TProject Project{"Firm"};
    TfrmFiles Files{&Messages};
    TfrmShortcuts Shortcuts{&Messages};
    TfrmSetupDLLs Dlls{&Messages};
};

TEST_F(ListFramesTest, AddThenCancelLeavesTheProjectUnchanged)
{
    AddFile("a.exe");
    Files.RefreshList();
    int subscribers = Project.DefaultFolder()->SubscriberCount();
    Runner = [this](QDialog& dialog) {
        ++Shown;
        Dialogs.AnyFileAnswer = "/home/me/build/ARMV4/new.exe";
        dialog.findChild<QToolButton*>(QStringLiteral("btSource"))->click();
        return Press(dialog, "btCancel");
    };
    ListOf(Files)->AddAction()->trigger();
    EXPECT_EQ(Shown, 1);
    EXPECT_EQ(FileNames(), std::vector<std::string>{"a.exe"});
    EXPECT_EQ(ListOf(Files)->RowCount(), 1);
    // The freed file no longer counts among the default folder's objects.
    EXPECT_EQ(Project.DefaultFolder()->SubscriberCount(), subscribers);
}

TEST_F(ListFramesTest, AddWithOkAppendsTheFileWithTheDialogsValues)
{
    Runner = [this](QDialog& dialog) {
        Dialogs.AnyFileAnswer = "/home/me/build/ARMV4/new.exe";
        dialog.findChild<QToolButton*>(QStringLiteral("btSource"))->click();
        dialog.findChild<TCheckList*>(QStringLiteral("clbOptions"))->SetChecked(1, true);
        dialog.findChild<QAbstractButton*>(QStringLiteral("rbCopy2"))->click();
        return Press(dialog, "btOK");
    };
    TFile* file = AddThrough(Files, Project.Files());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->SourceDir(), "/home/me/build/ARMV4/");
    EXPECT_EQ(file->FileName(), "new.exe");
    EXPECT_TRUE(file->UseDefaultFolder());
    EXPECT_EQ(file->GetFolder(), Project.DefaultFolder());
    EXPECT_EQ(file->Platforms(), TPlatforms{plPPC2K});
    EXPECT_EQ(file->Processor(), pStrongARM);
    EXPECT_EQ(file->Options(), TFileOptions{foSelfRegister});
    EXPECT_EQ(file->CopyMode(), 2);
    ASSERT_EQ(ListOf(Files)->RowCount(), 1);
    EXPECT_EQ(Cell(ListOf(Files), 0, 0), QStringLiteral("new.exe"));
    EXPECT_EQ(Cell(ListOf(Files), 0, 1), QString::fromLatin1(Project.DefaultFolder()->GetPath().c_str()));
    EXPECT_EQ(Cell(ListOf(Files), 0, 2), QStringLiteral("/home/me/build/ARMV4"));
    EXPECT_EQ(Cell(ListOf(Files), 0, 3), QStringLiteral("StrongARM"));
}

TEST_F(ListFramesTest, OkRefusesAnEmptySourceAndNoPlatformAndStoresNothing)
{
    TFile* file = AddFile("a.exe");
    Files.RefreshList();
    Select(ListOf(Files), {0});
    std::vector<std::string> errors;
    Runner = [&](QDialog& dialog) {
        Checks(dialog)->SetChecked(plPPC2K, false);
        Checks(dialog)->SetChecked(plHPC, true);
        Checks(dialog)->SetChecked(plHPC, false);
        EXPECT_EQ(Press(dialog, "btOK"), QDialog::Rejected);
        return Press(dialog, "btCancel");
    };
    ListOf(Files)->PropertiesAction()->trigger();
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Kind, TScriptedMessages::TShown::Error);
    EXPECT_EQ(Messages.Shown()[0].Text, "You have to specify at least one destination platform!");
    EXPECT_EQ(file->Platforms(), TPlatforms{plPPC2K});

    Messages.Clear();
    auto empty = std::make_unique<TFile>();
    empty->SetPlatforms(TPlatforms{plHPC});
    Runner = [](QDialog& dialog) { return Press(dialog, "btOK"); };
    EXPECT_FALSE(empty->Edit(&Project));
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(Messages.Shown()[0].Text, "You have to specify a source file!");
}

TEST_F(ListFramesTest, PropertiesNeedsExactlyOneRowAndDoubleClickFollowsIt)
{
    AddFile("a.exe");
    AddFile("b.exe");
    Files.RefreshList();
    Runner = [this](QDialog& dialog) {
        ++Shown;
        return Press(dialog, "btCancel");
    };
    Select(ListOf(Files), {0, 1});
    EXPECT_FALSE(ListOf(Files)->PropertiesAction()->isEnabled());
    EXPECT_TRUE(ListOf(Files)->DeleteAction()->isEnabled());
    EXPECT_FALSE(Files.findChild<QPushButton*>(QStringLiteral("btProperties"))->isEnabled());
    QTableView* view = ListOf(Files)->View();
    emit view->doubleClicked(view->model()->index(1, 0));
    EXPECT_EQ(Shown, 0);

    Select(ListOf(Files), {1});
    EXPECT_TRUE(ListOf(Files)->PropertiesAction()->isEnabled());
    emit view->doubleClicked(view->model()->index(1, 0));
    EXPECT_EQ(Shown, 1);

    Select(ListOf(Files), {});
    EXPECT_FALSE(ListOf(Files)->PropertiesAction()->isEnabled());
    EXPECT_FALSE(ListOf(Files)->DeleteAction()->isEnabled());
    EXPECT_TRUE(ListOf(Files)->AddAction()->isEnabled());
}

TEST_F(ListFramesTest, DeleteAsksAndRemovesExactlyTheSelectedRows)
{
    for (const char* name : {"0", "1", "2", "3", "4", "5"})
        AddFile(name);
    Files.RefreshList();
    Select(ListOf(Files), {0, 2, 3, 5});
    Messages.Answer(TAnswer::No);
    ListOf(Files)->DeleteAction()->trigger();
    EXPECT_EQ(FileNames().size(), 6u);
    Messages.Answer(TAnswer::Yes);
    ListOf(Files)->DeleteAction()->trigger();
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"1", "4"}));
    EXPECT_EQ(ListOf(Files)->RowCount(), 2);
    EXPECT_EQ(Messages.Texts(), (std::vector<std::string>{"Are you sure you want to remove the selected file(s)?",
                                                          "Are you sure you want to remove the selected file(s)?"}));
}

TEST_F(ListFramesTest, DeleteKeyDeletesInTheFileListOnly)
{
    AddFile("a.exe");
    Files.RefreshList();
    Select(ListOf(Files), {0});
    Messages.Answer(TAnswer::Yes);
    QTest::keyRelease(ListOf(Files)->View(), Qt::Key_Delete);
    EXPECT_EQ(Project.Files().Count(), 0);

    AddFile("b.exe");
    auto dll = std::make_unique<TSetupDLL>();
    Project.SetupDlls().Add(std::move(dll));
    Dlls.RefreshList();
    Select(ListOf(Dlls), {0});
    QTest::keyRelease(ListOf(Dlls)->View(), Qt::Key_Delete);
    EXPECT_EQ(Project.SetupDlls().Count(), 1);
}

TEST_F(ListFramesTest, DeletingFilesNamesAndRemovesTheShortcutsThatStartThem)
{
    TFile* a = AddFile("a.exe");
    TFile* b = AddFile("b.exe");
    AddFile("c.exe");
    for (TFile* target : {a, a, b}) {
        auto shortcut = std::make_unique<TCEShortCut>();
        shortcut->SetName("to " + target->FileName());
        shortcut->SetTarget(target);
        Project.Shortcuts().Add(std::move(shortcut));
    }
    Files.RefreshList();
    Shortcuts.RefreshList();
    int changed = 0;
    QObject::connect(&Files, &TfrmBase::ProjectChanged, [&] {
        ++changed;
        Shortcuts.RefreshList();
    });
    Select(ListOf(Files), {0});
    Messages.Answer(TAnswer::No);
    Files.DeleteSelected();
    EXPECT_EQ(Messages.Texts().back(),
              "Are you sure you want to remove the selected file(s) and the 2 shortcuts that start them?");
    Select(ListOf(Files), {0, 1});
    Messages.Answer(TAnswer::Yes);
    Files.DeleteSelected();
    EXPECT_EQ(Messages.Texts().back(),
              "Are you sure you want to remove the selected file(s) and the 3 shortcuts that start them?");
    EXPECT_EQ(FileNames(), std::vector<std::string>{"c.exe"});
    EXPECT_EQ(Project.Shortcuts().Count(), 0);
    EXPECT_EQ(ListOf(Shortcuts)->RowCount(), 0);
    EXPECT_EQ(changed, 1);
}

TEST_F(ListFramesTest, RefreshKeepsTheSelectionOfRowsStillThere)
{
    TFile* a = AddFile("a.exe");
    TFile* b = AddFile("b.exe");
    TFile* c = AddFile("c.exe");
    Files.RefreshList();
    Select(ListOf(Files), {0, 2});
    Project.Files().Remove(b);
    AddFile("d.exe");
    Files.RefreshList();
    EXPECT_EQ(ListOf(Files)->SelectedObjects(), (std::vector<void*>{a, c}));

    // Deleting through the list forgets the rows before the objects go.
    Select(ListOf(Files), {0});
    Messages.Answer(TAnswer::Yes);
    Files.DeleteSelected();
    AddFile("e.exe");
    Files.RefreshList();
    EXPECT_TRUE(ListOf(Files)->SelectedObjects().empty());
    EXPECT_FALSE(ListOf(Files)->PropertiesAction()->isEnabled());
}

TEST_F(ListFramesTest, DefaultFolderRowsFollowTheNewDefaultFolder)
{
    TFile* file = AddFile("a.exe");
    file->SetUseDefaultFolder(true);
    Files.RefreshList();
    TFolder* windows = Project.Folders().FindWindowsFolder();
    Project.SetDefaultFolder(windows);
    Files.RefreshList();
    EXPECT_EQ(Cell(ListOf(Files), 0, 1), QStringLiteral("\\Windows\\"));
}

TEST_F(ListFramesTest, ContextMenuEnablesByTheSelection)
{
    AddFile("a.exe");
    AddFile("b.exe");
    Files.RefreshList();
    Files.resize(600, 400);
    Files.show();
    Select(ListOf(Files), {0, 1});
    QTableView* view = ListOf(Files)->View();
    emit view->customContextMenuRequested(QPoint(5, 5));
    auto* menu = ListOf(Files)->findChild<QMenu*>(QStringLiteral("pmList"));
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&Add"), QStringLiteral("&Properties"), QStringLiteral("&Delete")}));
    EXPECT_FALSE(ListOf(Files)->PropertiesAction()->isEnabled());
    EXPECT_TRUE(ListOf(Files)->DeleteAction()->isEnabled());
    menu->hide();
    Files.hide();
}

TEST_F(ListFramesTest, ShortcutAddNeedsAFileAndStartsFromIt)
{
    ListOf(Shortcuts)->AddAction()->trigger();
    EXPECT_EQ(Messages.Texts(), std::vector<std::string>{"No files added to the project. Add files first!"});
    EXPECT_EQ(Project.Shortcuts().Count(), 0);

    TFile* file = AddFile("app.exe", TPlatforms{plHPC});
    AddFile("other.exe", TPlatforms{plPPC300});
    Runner = [this](QDialog& dialog) {
        ++Shown;
        TCheckList* checks = Checks(dialog);
        for (int i = 0; i < PlatformCount; ++i)
            EXPECT_EQ(checks->IsChecked(i), i == plHPC) << i;
        auto* tree = dialog.findChild<QTreeWidget*>();
        EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("Start Menu"));
        EXPECT_EQ(Press(dialog, "btOK"), QDialog::Rejected);
        dialog.findChild<QLineEdit*>(QStringLiteral("eName"))->setText(QStringLiteral("App"));
        return Press(dialog, "btOK");
    };
    ListOf(Shortcuts)->AddAction()->trigger();
    EXPECT_EQ(Messages.Texts().back(), "You have to specify a valid name for the shortcut!");
    ASSERT_EQ(Project.Shortcuts().Count(), 1);
    TCEShortCut* shortcut = Project.Shortcuts().Item(0);
    EXPECT_EQ(shortcut->Name(), "App");
    EXPECT_EQ(shortcut->Target(), file);
    EXPECT_EQ(shortcut->GetFolder(), Project.Folders().FindStartMenuFolder());
    ASSERT_EQ(ListOf(Shortcuts)->RowCount(), 1);
    EXPECT_EQ(Cell(ListOf(Shortcuts), 0, 2), QString::fromLatin1(file->GetDevicePath().c_str()));
}

TEST_F(ListFramesTest, ShortcutDeleteAsksNothingAndRemovesFromTheLast)
{
    TFile* file = AddFile("app.exe");
    for (const char* name : {"0", "1", "2"}) {
        auto shortcut = std::make_unique<TCEShortCut>();
        shortcut->SetName(name);
        shortcut->SetTarget(file);
        Project.Shortcuts().Add(std::move(shortcut));
    }
    Shortcuts.RefreshList();
    Select(ListOf(Shortcuts), {0, 2});
    ListOf(Shortcuts)->DeleteAction()->trigger();
    EXPECT_TRUE(Messages.Shown().empty());
    ASSERT_EQ(Project.Shortcuts().Count(), 1);
    EXPECT_EQ(Project.Shortcuts().Item(0)->Name(), "1");
}

TEST_F(ListFramesTest, SetupDllIsStoredWithAnEmptySourceAndNoPlatform)
{
    Runner = [](QDialog& dialog) {
        for (int i = 0; i < PlatformCount; ++i)
            Checks(dialog)->SetChecked(i, false);
        return Press(dialog, "btOK");
    };
    TSetupDLL* dll = AddThrough(Dlls, Project.SetupDlls());
    ASSERT_NE(dll, nullptr);
    EXPECT_EQ(dll->FileName(), "");
    EXPECT_EQ(dll->SourceDir(), "");
    EXPECT_TRUE(dll->Platforms().Empty());
    EXPECT_EQ(dll->Processor(), pStrongARM);
    EXPECT_TRUE(Messages.Shown().empty());
    EXPECT_EQ(ListOf(Dlls)->RowCount(), 1);

    Select(ListOf(Dlls), {0});
    Runner = [this](QDialog& dialog) {
        auto* source = dialog.findChild<QLineEdit*>(QStringLiteral("eSource"));
        EXPECT_EQ(source->text(), QString());
        Dialogs.AnyFileAnswer = "/opt/sdk/setup.dll";
        dialog.findChild<QToolButton*>(QStringLiteral("btSource"))->click();
        dialog.findChild<QComboBox*>(QStringLiteral("cbProcessor"))->setCurrentIndex(pMIPSR4000);
        return Press(dialog, "btOK");
    };
    ListOf(Dlls)->PropertiesAction()->trigger();
    EXPECT_EQ(dll->SourceDir(), "/opt/sdk/");
    EXPECT_EQ(dll->FileName(), "setup.dll");
    EXPECT_EQ(Cell(ListOf(Dlls), 0, 1), QStringLiteral("/opt/sdk/"));
    EXPECT_EQ(Cell(ListOf(Dlls), 0, 2), QStringLiteral("MIPS R4000"));
}

}

TEST(ListColumnsTest, ColumnsShareTheWidthAndKeepWhatTheAuthorSet)
{
    TfrmList list;
    list.SetColumns({{QStringLiteral("Name"), 80},
                     {QStringLiteral("Destination"), 120},
                     {QStringLiteral("Source"), 120},
                     {QStringLiteral("Processor"), 80}});
    list.resize(800, 300);
    list.show();
    QApplication::processEvents();
    QTableView* view = list.View();
    const int width = view->viewport()->width();
    ASSERT_GT(width, 400);
    // In proportion, the last column taking what is left.
    EXPECT_EQ(view->columnWidth(0), width * 80 / 400);
    EXPECT_EQ(view->columnWidth(1), width * 120 / 400);
    EXPECT_EQ(view->columnWidth(2), width * 120 / 400);

    // The author drags a border: the new shares are reported, and they hold
    // when the list changes its width.
    int reported = 0;
    list.OnColumnsResized = [&] { ++reported; };
    view->horizontalHeader()->resizeSection(0, width / 8);
    EXPECT_EQ(reported, 1);
    const std::string shares = list.ColumnShares();
    list.resize(1200, 300);
    QApplication::processEvents();
    EXPECT_EQ(reported, 1);
    EXPECT_NEAR(view->columnWidth(0), view->viewport()->width() / 8, 2);

    // Shares come back from the settings; a text that does not fit is ignored.
    TfrmList other;
    other.SetColumns(
        {{QStringLiteral("A"), 1}, {QStringLiteral("B"), 1}, {QStringLiteral("C"), 1}, {QStringLiteral("D"), 1}});
    for (const char* bad : {"1,2,3", "1,2,x,4", "1,2,0,4", ""})
        other.SetColumnShares(bad);
    EXPECT_EQ(other.ColumnShares(), "1,1,1,1");
    other.SetColumnShares(shares);
    EXPECT_EQ(other.ColumnShares(), shares);
}
