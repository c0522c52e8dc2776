// Edit > Undo / Redo of the main window: steps across the tabs, the texts
// file and the licences, their names in the menu, the changed-mark of the
// title around a save, and the bound on the history.

#include "FakeServices.h"
#include "support/TestSupport.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "model/RegistryKeys.h"
#include "model/RegistryValues.h"
#include "storage/Settings.h"
#include "storage/uScramble.h"
#include "ui/lists/frmFiles.h"
#include "ui/lists/frmList.h"
#include "ui/main/ProjectHistory.h"
#include "ui/main/fmMain.h"
#include "ui/parts/frmFolder.h"
#include "ui/parts/QtText.h"
#include "ui/registry/frmRegKeys.h"
#include "ui/registry/frmRegistry.h"
#include "ui/registry/frmValues.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>
#include <QUndoStack>
#include <QUrl>

#include <functional>

namespace {

class UndoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        KeepSettingsIn(Temp.File("settings"));
        auto settings = std::make_unique<TSettings>("Veltrin Installer Tests", "1.0");
        settings->SetCompanySource([] { return std::optional<std::string>("Test Company"); });
        Window = std::make_unique<TfmMain>(&Messages, &Dialogs, std::move(settings), ProgramDir());
        TProject project("Sample Company");
        project.SetApplicationName("Sample App");
        project.SetProjectDir(Temp.Path());
        project.SetProjectFileName("Undo.vip");
        SaveProjectFile(project, Temp.File("Undo.vip"));
        ASSERT_TRUE(Window->OpenProject(Temp.File("Undo.vip"))) << ::testing::PrintToString(Messages.Texts());
    }

    template <class T>
    T* Named(const char* name) const
    {
        return ::Named<T>(Window.get(), name);
    }
    QTabWidget* Tabs() const { return Named<QTabWidget>("pcMain"); }
    void ShowText(const char* caption) const
    {
        auto* tree = Named<QTreeWidget>("TreeView1");
        tree->setCurrentItem(tree->findItems(QString::fromLatin1(caption), Qt::MatchExactly | Qt::MatchRecursive)[0]);
    }
    std::string FileText(const std::string& path) const
    {
        auto bytes = ReadFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
    // Files dropped onto the Files tab, as from the file manager.
    void Drop(const QStringList& paths) const
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        mime.setUrls(urls);
        auto* files = Window->findChild<TfrmFiles*>();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(files, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(files, &drop);
    }
    QString Title() const { return Window->windowTitle(); }

    TempDir Temp;
    TScriptedMessages Messages;
    TFakeFileDialogs Dialogs;
    std::unique_ptr<TfmMain> Window;
};

TEST_F(UndoTest, ChangesAcrossTheTabsUndoAndRedoInOrder)
{
    ASSERT_TRUE(ForceDirectories(Temp.File("in")));
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        Temp.Write(std::string("in/") + name, name);
    const std::string licence = Temp.File("EULA_Neutral.txt");
    const struct {
        const char* Name;
        std::function<void()> Make;
        // What the step changes, as seen from outside the window.
        std::function<std::string()> Observe;
    } steps[] = {
        {"Add 3 Files",
         [&] {
             Tabs()->setCurrentIndex(TfmMain::tsFiles);
             const QString in = HostPathToQt(Temp.File("in/"));
             Drop({in + "a.txt", in + "b.txt", in + "c.txt"});
         },
         [&] {
             return std::to_string(Window->Project()->Files().Count()) + "/" +
                    std::to_string(Window->findChild<TfrmFiles*>()->List()->RowCount());
         }},
        {"Change Registry",
         [&] {
             Tabs()->setCurrentIndex(TfmMain::tsRegistry);
             Window->SetModalRunner([](QDialog& dialog) {
                 dialog.accept();
                 return dialog.result();
             });
             auto* registry = Window->findChild<TfrmRegistry*>();
             registry->Keys()->SelectKey(Window->Project()->RegKeys().Item(1)->GetSubKey(0));
             registry->Values()->NewValue(vtString);
         },
         [&] { return std::to_string(Window->Project()->RegKeys().Item(1)->GetSubKey(0)->Values().Count()); }},
        {"Change Texts",
         [&] {
             Tabs()->setCurrentIndex(TfmMain::tsLanguages);
             ShowText("String 1");
             auto* text = Named<QPlainTextEdit>("Memo2");
             text->selectAll();
             QTest::keyClicks(text, "Welcome back");
         },
         [&] { return Window->TextsFile()->ReadString("Neutral", "1.String1", "<none>"); }},
        {"Change Licence",
         [&] {
             ShowText("License agreement");
             auto* box = Named<QTextEdit>("RichEdit");
             box->moveCursor(QTextCursor::Start);
             box->insertPlainText(QStringLiteral("Amended "));
         },
         [&] { return FileExists(licence) ? FileText(licence) : std::string("<none>"); }},
        {"Change Application Name",
         [&] {
             Tabs()->setCurrentIndex(TfmMain::tsGeneral);
             auto* edit = Named<QLineEdit>("eAppName");
             edit->selectAll();
             QTest::keyClicks(edit, "Orders");
         },
         [&] { return Window->Project()->AppName() + "/" + Named<QLineEdit>("eAppName")->text().toStdString(); }},
    };
    const int count = int(std::size(steps));
    std::vector<std::string> before, after;
    for (const auto& step : steps) {
        before.push_back(step.Observe());
        step.Make();
        // What the pause after typing does.
        Window->RecordChange();
        after.push_back(step.Observe());
        EXPECT_NE(before.back(), after.back()) << step.Name;
        EXPECT_EQ(Window->UndoAction()->text().toStdString(), std::string("&Undo ") + step.Name);
    }
    EXPECT_EQ(Window->History().Stack()->count(), count);
    EXPECT_TRUE(Messages.Shown().empty()) << ::testing::PrintToString(Messages.Texts());

    for (int i = count - 1; i >= 0; --i) {
        Window->UndoAction()->trigger();
        EXPECT_EQ(steps[i].Observe(), before[i]) << steps[i].Name;
        EXPECT_EQ(Window->RedoAction()->text().toStdString(), std::string("&Redo ") + steps[i].Name);
        // The tab the author was on stays.
        EXPECT_EQ(Tabs()->currentIndex(), int(TfmMain::tsGeneral));
    }
    EXPECT_FALSE(Window->UndoAction()->isEnabled());
    EXPECT_EQ(Window->Project()->AppName(), "Sample App");
    for (int i = 0; i < count; ++i) {
        Window->RedoAction()->trigger();
        EXPECT_EQ(steps[i].Observe(), after[i]) << steps[i].Name;
    }
    EXPECT_FALSE(Window->RedoAction()->isEnabled());
    EXPECT_TRUE(Messages.Shown().empty()) << ::testing::PrintToString(Messages.Texts());
}

// Saving keeps the history; undoing back to the saved state clears the mark.
TEST_F(UndoTest, TheTitlesMarkFollowsUndoBackToTheSavedState)
{
    EXPECT_EQ(Title(), QStringLiteral("Veltrin Installer - Undo"));
    Window->Project()->SetCompanyName("First");
    Window->RecordChange();
    EXPECT_EQ(Title(), QStringLiteral("Veltrin Installer - Undo *"));
    ASSERT_TRUE(Window->Save());
    EXPECT_EQ(Title(), QStringLiteral("Veltrin Installer - Undo"));
    EXPECT_TRUE(Window->UndoAction()->isEnabled());

    Window->Project()->SetCompanyName("Second");
    Window->RecordChange();
    EXPECT_EQ(Title(), QStringLiteral("Veltrin Installer - Undo *"));
    Window->Undo();
    EXPECT_EQ(Window->Project()->CompanyName(), "First");
    EXPECT_EQ(Title(), QStringLiteral("Veltrin Installer - Undo"));
    EXPECT_FALSE(Window->IsProjectModified());
    Window->Undo();
    EXPECT_EQ(Window->Project()->CompanyName(), "Sample Company");
    EXPECT_EQ(Title(), QStringLiteral("Veltrin Installer - Undo *"));
    EXPECT_TRUE(Window->IsProjectModified());

    // Save As into another folder: the steps stay, the project stays kept
    // where it now is.
    Dialogs.SaveProjectAnswer = Temp.File("other/Moved.vip");
    ASSERT_TRUE(ForceDirectories(Temp.File("other")));
    ASSERT_TRUE(Window->SaveAs());
    EXPECT_EQ(Title(), QStringLiteral("Veltrin Installer - Moved"));
    Window->Redo();
    EXPECT_EQ(Window->Project()->CompanyName(), "First");
    EXPECT_EQ(Window->ProjectFilePath(), Temp.File("other/Moved.vip"));
    EXPECT_EQ(Title(), QStringLiteral("Veltrin Installer - Moved *"));
}

// Ctrl+Z undoes the text being typed while a text box has the focus, and
// the project's last step elsewhere.
TEST_F(UndoTest, CtrlZGoesToTheFocusedTextBoxFirst)
{
    Window->show();
    QApplication::setActiveWindow(Window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    Window->Project()->SetCompanyName("Changed");
    Window->RecordChange();
    auto* edit = Named<QLineEdit>("eAppName");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "Typed");
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("Sample App"));
    EXPECT_EQ(Window->Project()->CompanyName(), "Changed");

    QTreeWidget* folders = Named<TfrmFolder>("frmFolder")->Tree();
    folders->setFocus();
    QTest::keyClick(folders, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Window->Project()->CompanyName(), "Sample Company");
}

TEST_F(UndoTest, TheHistoryKeepsTheLastHundredSteps)
{
    for (int i = 0; i < TProjectHistory::Limit + 5; ++i) {
        Window->Project()->SetIconFile("icon" + std::to_string(i) + ".ico");
        Window->RecordChange();
    }
    QUndoStack* stack = Window->History().Stack();
    EXPECT_EQ(stack->count(), TProjectHistory::Limit);
    while (stack->canUndo())
        Window->Undo();
    EXPECT_EQ(Window->Project()->IconFile(), "icon4.ico");
}

} // namespace
