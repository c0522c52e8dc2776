#include "FakeServices.h"
#include "support/TestSupport.h"

#include "model/Project.h"
#include "storage/LanguageManager.h"
#include "storage/uScramble.h"
#include "ui/build/fmBuildMaker.h"
#include "ui/build/fmMissingFiles.h"
#include "ui/build/fmPairChoose.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include <functional>
#include <memory>

namespace {

constexpr int32_t English = 9, German = 7, French = 12;

// The dialogs' controls, reached by their object names.
QListWidget* Builds(const QObject* wizard)
{
    return Named<QListWidget>(wizard, "lbBuilds");
}

QComboBox* DefaultLanguages(const QObject* dialog)
{
    return Named<QComboBox>(dialog, "cbDefaultLanguage");
}

// Checks or unchecks a row of the dialog's named check list, as a click
// does; the row is given by its number or its text.
void CheckRow(const QObject* dialog, const char* list, int row, bool checked)
{
    QListWidgetItem* item = Named<QListWidget>(dialog, list)->item(row);
    ASSERT_NE(item, nullptr) << list << " " << row;
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void CheckRow(const QObject* dialog, const char* list, const char* text, bool checked)
{
    QList<QListWidgetItem*> found =
        Named<QListWidget>(dialog, list)->findItems(QString::fromLatin1(text), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << list << " " << text;
    found.first()->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

// Two pairs as a .inf with a StrongARM and an SH3 section lists them, and a
// language manager over a texts file with Neutral, English, German and French.
class BuildDialogsTest : public ::testing::Test {
protected:
    BuildDialogsTest()
    {
        Pairs.push_back(std::make_unique<TPlatformProcPair>(plPPC300, pStrongARM));
        Pairs.push_back(std::make_unique<TPlatformProcPair>(plPPC300, pHitachiSH3));
        Temp.Write("Demo_res.dat", ScrambleText("[Neutral]\r\n1.String1=N\r\n\r\n[French]\r\n1.String1=F\r\n\r\n"
                                                "[English]\r\n1.String1=E\r\n\r\n[German]\r\n1.String1=G\r\n"));
        Texts = std::make_unique<TScrambeledMemIniFile>(Temp.File("Demo_res.dat"));
        Languages.LoadLanguages(Texts.get());
    }

    TBuild* AddBuild(const std::string& name, std::initializer_list<int32_t> languages, bool allInOne = false)
    {
        auto build = std::make_unique<TBuild>();
        build->SetName(name);
        build->SetAllInOne(allInOne);
        for (int32_t id : languages)
            build->Languages().Add(id);
        build->SetDefaultLanguage(0);
        build->AddPair(std::make_unique<TPlatformProcPair>(plPPC300, pHitachiSH3));
        return Project.Builds().Add(std::move(build));
    }

    // The wizard, filled as the build run fills it; its Build Configuration
    // dialogs are worked by Edit, which returns the dialog's result.
    std::unique_ptr<TfmBuildMaker> Wizard(std::function<int(TfmPairChoose&)> edit = nullptr)
    {
        auto wizard = std::make_unique<TfmBuildMaker>(&Messages);
        wizard->SetModalRunner([this, edit](QDialog& dialog) {
            auto* choose = qobject_cast<TfmPairChoose*>(&dialog);
            EXPECT_TRUE(choose);
            ++Edits;
            return choose && edit ? edit(*choose) : int(QDialog::Rejected);
        });
        wizard->SetPairs(&Pairs);
        wizard->SetLanguageManager(&Languages);
        wizard->SetProject(&Project);
        return wizard;
    }

    std::vector<std::string> ItemTexts(QListWidget* list)
    {
        std::vector<std::string> texts;
        for (int i = 0; i < list->count(); ++i)
            texts.push_back(list->item(i)->text().toStdString());
        return texts;
    }

    std::vector<std::string> Names(const std::vector<TBuild*>& builds)
    {
        std::vector<std::string> names;
        for (const TBuild* build : builds)
            names.push_back(build->Name());
        return names;
    }

    static std::vector<int32_t> LanguageIds(const TBuild& build)
    {
        std::vector<int32_t> ids;
        for (int i = 0; i < build.Languages().Count(); ++i)
            ids.push_back(build.Languages().Items(i)->FLanguage);
        return ids;
    }

    static std::vector<std::string> PairNames(const TBuild& build)
    {
        std::vector<std::string> names;
        for (int i = 0; i < build.PairCount(); ++i)
            names.push_back(build.GetPair(i)->GetPairName());
        return names;
    }

    // A Build Configuration dialog for the build, loaded as the wizard loads it.
    std::unique_ptr<TfmPairChoose> Configure(TBuild& build)
    {
        auto dialog = std::make_unique<TfmPairChoose>(&Messages);
        dialog->SetPairs(&Pairs);
        dialog->SetBuilds(&Project.Builds());
        dialog->SetLanguageManager(&Languages);
        dialog->SetBuild(&build);
        return dialog;
    }

    TempDir Temp;
    TScriptedMessages Messages;
    TPairList Pairs;
    std::unique_ptr<TScrambeledMemIniFile> Texts;
    TLanguageManager Languages;
    TProject Project{"Firm"};
    int Edits = 0;
};

TEST_F(BuildDialogsTest, ProjectWithoutBuildsGetsACheckedAllInOne)
{
    auto wizard = Wizard();
    ASSERT_EQ(Project.Builds().Count(), 1);
    const TBuild& build = *Project.Builds().GetBuild(0);
    EXPECT_EQ(build.Name(), "All In One");
    EXPECT_TRUE(build.AllInOne());
    EXPECT_EQ(PairNames(build), (std::vector<std::string>{"PPC300_2577", "PPC300_10003"}));
    // Every language but Neutral, in the manager's (table) order.
    EXPECT_EQ(LanguageIds(build), (std::vector<int32_t>{English, German, French}));
    EXPECT_EQ(build.DefaultLanguage(), English);
    EXPECT_EQ(ItemTexts(Builds(wizard.get())), std::vector<std::string>{"All In One"});
    EXPECT_EQ(Builds(wizard.get())->currentRow(), 0);
    EXPECT_EQ(Names(wizard->GetCheckedBuilds()), std::vector<std::string>{"All In One"});
}

TEST_F(BuildDialogsTest, AllInOneFollowsTheNewPairsWhileOtherBuildsKeepTheirs)
{
    TBuild* own = AddBuild("Own", {German});
    own->ClearPairs();
    own->AddPair(std::make_unique<TPlatformProcPair>(plHPC, pMIPSR4000)); // no longer in the .inf
    TBuild* all = AddBuild("Everything", {German}, true);
    all->SetDefaultLanguage(German);
    Pairs.push_back(std::make_unique<TPlatformProcPair>(plHPC2000, pAll));

    auto wizard = Wizard();
    EXPECT_EQ(Project.Builds().Count(), 2) << "no All In One beside existing builds";
    EXPECT_EQ(PairNames(*own), std::vector<std::string>{"HPC_4000"});
    EXPECT_EQ(PairNames(*all), (std::vector<std::string>{"PPC300_2577", "PPC300_10003", "HPC2000"}));
    EXPECT_EQ(LanguageIds(*all), (std::vector<int32_t>{English, German, French}));
    EXPECT_EQ(all->DefaultLanguage(), German) << "a default among the languages is kept";
    EXPECT_EQ(ItemTexts(Builds(wizard.get())), (std::vector<std::string>{"Own", "Everything"}));
}

TEST_F(BuildDialogsTest, CheckedBuildsInListOrderOrNone)
{
    AddBuild("A", {English});
    AddBuild("B", {English});
    AddBuild("C", {English});
    auto wizard = Wizard();
    Builds(wizard.get())->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(Names(wizard->GetCheckedBuilds()), (std::vector<std::string>{"A", "C"}));
    Builds(wizard.get())->item(0)->setCheckState(Qt::Unchecked);
    Builds(wizard.get())->item(2)->setCheckState(Qt::Unchecked);
    EXPECT_TRUE(wizard->GetCheckedBuilds().empty());
}

TEST_F(BuildDialogsTest, EditAndDeleteWithoutSelectionAskForABuild)
{
    AddBuild("A", {English});
    auto wizard = Wizard();
    Builds(wizard.get())->clearSelection();
    Press(*wizard, "btEditBuild");
    Press(*wizard, "btDeleteBuild");
    EXPECT_EQ(Messages.Texts(), (std::vector<std::string>{"Choose a build first.", "Choose a build first."}));
    EXPECT_EQ(Edits, 0);
    EXPECT_EQ(Project.Builds().Count(), 1);
}

TEST_F(BuildDialogsTest, DeleteRemovesTheBuildAndAllInOneComesBackOnlyWhenNoneIsLeft)
{
    AddBuild("A", {English});
    AddBuild("All In One", {}, true);
    auto wizard = Wizard();
    Builds(wizard.get())->setCurrentRow(1);
    Press(*wizard, "btDeleteBuild");
    EXPECT_EQ(ItemTexts(Builds(wizard.get())), std::vector<std::string>{"A"});
    ASSERT_EQ(Project.Builds().Count(), 1);
    EXPECT_EQ(Project.Builds().GetBuild(0)->Name(), "A");
    EXPECT_EQ(Names(wizard->GetCheckedBuilds()), std::vector<std::string>{"A"});

    // The next run keeps the project without an all-in-one build...
    EXPECT_EQ(ItemTexts(Builds(Wizard().get())), std::vector<std::string>{"A"});
    // ...until no build is left at all.
    wizard = Wizard();
    Builds(wizard.get())->setCurrentRow(0);
    Press(*wizard, "btDeleteBuild");
    EXPECT_EQ(Project.Builds().Count(), 0);
    EXPECT_EQ(ItemTexts(Builds(Wizard().get())), std::vector<std::string>{"All In One"});
}

TEST_F(BuildDialogsTest, AddBuildStartsWithEveryLanguageAndAppendsOnlyWithOk)
{
    AddBuild("All In One", {}, true);
    TBuild* seen = nullptr;
    auto wizard = Wizard([&](TfmPairChoose& dialog) {
        EXPECT_TRUE(Named<QLineEdit>(&dialog, "eBuildName")->text().isEmpty());
        EXPECT_EQ(DefaultLanguages(&dialog)->currentText(), QStringLiteral("English"));
        EXPECT_EQ(DefaultLanguages(&dialog)->count(), 3);
        EXPECT_TRUE(Named<QCheckBox>(&dialog, "cbShowWelcome")->isChecked());
        EXPECT_TRUE(Named<QCheckBox>(&dialog, "cbShowEULA")->isChecked());
        EXPECT_TRUE(Named<QCheckBox>(&dialog, "cbShowFinish")->isChecked());
        CheckRow(&dialog, "lbPairs", 1, true);
        Named<QLineEdit>(&dialog, "eBuildName")->setText(QStringLiteral("Other"));
        Press(dialog, "BitBtn1");
        return dialog.result();
    });
    Press(*wizard, "brAddBuild");
    EXPECT_TRUE(Messages.Shown().empty()) << Messages.Texts().front();
    ASSERT_EQ(Project.Builds().Count(), 2);
    seen = Project.Builds().GetBuild(1);
    EXPECT_EQ(seen->Name(), "Other");
    EXPECT_FALSE(seen->AllInOne());
    EXPECT_EQ(PairNames(*seen), std::vector<std::string>{"PPC300_10003"});
    EXPECT_EQ(LanguageIds(*seen), (std::vector<int32_t>{English, German, French}));
    EXPECT_EQ(seen->DefaultLanguage(), English);
    EXPECT_EQ(ItemTexts(Builds(wizard.get())), (std::vector<std::string>{"All In One", "Other"}));
    EXPECT_EQ(wizard->GetCheckedBuilds().back(), seen);

    auto cancelled = Wizard([](TfmPairChoose& dialog) {
        CheckRow(&dialog, "lbPairs", 0, true);
        Named<QLineEdit>(&dialog, "eBuildName")->setText(QStringLiteral("Dropped"));
        return int(QDialog::Rejected);
    });
    Press(*cancelled, "brAddBuild");
    EXPECT_EQ(Project.Builds().Count(), 2);
    EXPECT_EQ(Builds(cancelled.get())->count(), 2);
}

TEST_F(BuildDialogsTest, EditRenamesTheItemWithOkOnly)
{
    TBuild* build = AddBuild("Old", {English});
    auto rename = [](const char* name, bool ok) {
        return [name, ok](TfmPairChoose& dialog) {
            EXPECT_EQ(Named<QLineEdit>(&dialog, "eBuildName")->text(), QStringLiteral("Old"));
            Named<QLineEdit>(&dialog, "eBuildName")->setText(QString::fromLatin1(name));
            if (!ok)
                return int(QDialog::Rejected);
            Press(dialog, "BitBtn1");
            return dialog.result();
        };
    };
    auto wizard = Wizard(rename("Kept", false));
    Press(*wizard, "btEditBuild");
    EXPECT_EQ(build->Name(), "Old");
    EXPECT_EQ(ItemTexts(Builds(wizard.get())), std::vector<std::string>{"Old"});

    wizard = Wizard(rename("New", true));
    Press(*wizard, "btEditBuild");
    EXPECT_EQ(build->Name(), "New");
    EXPECT_EQ(ItemTexts(Builds(wizard.get())), std::vector<std::string>{"New"});
}

TEST_F(BuildDialogsTest, ConfigurationShowsTheBuild)
{
    TBuild* build = AddBuild("Shown", {French, English});
    build->SetDefaultLanguage(English);
    build->SetSetupType(1);
    build->SetSfxMode(1);
    build->SetShowEULA(false);
    build->SetSignForDevice(true);
    auto dialog = Configure(*build);

    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Build Configuration"));
    EXPECT_TRUE(Named<QCheckBox>(dialog.get(), "cbSignForDevice")->isChecked());
    EXPECT_EQ(ItemTexts(Named<QListWidget>(dialog.get(), "lbPairs")),
              (std::vector<std::string>{"Pocket PC / StrongARM", "Pocket PC / Hitachi SH3"}));
    EXPECT_EQ(Named<QListWidget>(dialog.get(), "lbPairs")->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(Named<QListWidget>(dialog.get(), "lbPairs")->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(ItemTexts(Named<QListWidget>(dialog.get(), "lbLanguages")),
              (std::vector<std::string>{"English", "German", "French"}));
    EXPECT_EQ(Named<QListWidget>(dialog.get(), "lbLanguages")->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(Named<QListWidget>(dialog.get(), "lbLanguages")->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(Named<QListWidget>(dialog.get(), "lbLanguages")->item(2)->checkState(), Qt::Checked);
    // The default list follows the build's own order.
    ASSERT_EQ(DefaultLanguages(dialog.get())->count(), 2);
    EXPECT_EQ(DefaultLanguages(dialog.get())->itemText(0), QStringLiteral("French"));
    EXPECT_EQ(dialog->SelectedDefaultLanguage(), English);
    EXPECT_EQ(Named<QComboBox>(dialog.get(), "cbSetupType")->currentText(), QStringLiteral("Modern"));
    EXPECT_TRUE(Named<QRadioButton>(dialog.get(), "rbShowProgress")->isChecked());
    EXPECT_TRUE(Named<QCheckBox>(dialog.get(), "cbShowWelcome")->isChecked());
    EXPECT_FALSE(Named<QCheckBox>(dialog.get(), "cbShowEULA")->isChecked());
    EXPECT_TRUE(Named<QCheckBox>(dialog.get(), "cbShowFinish")->isChecked());
}

TEST_F(BuildDialogsTest, LanguageChecksRefillTheDefaultList)
{
    TBuild* build = AddBuild("B", {English, French});
    build->SetDefaultLanguage(French);
    auto dialog = Configure(*build);

    CheckRow(dialog.get(), "lbLanguages", "German", true);
    ASSERT_EQ(DefaultLanguages(dialog.get())->count(), 3);
    EXPECT_EQ(DefaultLanguages(dialog.get())->itemText(1), QStringLiteral("German")) << "list order";
    EXPECT_EQ(dialog->SelectedDefaultLanguage(), French) << "the selection survives";

    CheckRow(dialog.get(), "lbLanguages", "French", false);
    EXPECT_EQ(DefaultLanguages(dialog.get())->count(), 2);
    EXPECT_EQ(DefaultLanguages(dialog.get())->currentIndex(), -1) << "the unchecked default is not replaced";

    // OK without a selected default takes the build's first language.
    Press(*dialog, "BitBtn1");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(LanguageIds(*build), (std::vector<int32_t>{English, German}));
    EXPECT_EQ(build->DefaultLanguage(), English);
}

TEST_F(BuildDialogsTest, NewLanguageChosenAsDefaultStays)
{
    TBuild* build = AddBuild("B", {English});
    auto dialog = Configure(*build);
    CheckRow(dialog.get(), "lbLanguages", "German", true);
    DefaultLanguages(dialog.get())->setCurrentText(QStringLiteral("German"));
    Named<QComboBox>(dialog.get(), "cbSetupType")->setCurrentIndex(1);
    Named<QRadioButton>(dialog.get(), "rbShowProgress")->setChecked(true);
    Named<QCheckBox>(dialog.get(), "cbShowWelcome")->setChecked(false);
    Named<QCheckBox>(dialog.get(), "cbSignForDevice")->setChecked(true);
    Press(*dialog, "BitBtn1");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(build->DefaultLanguage(), German);
    EXPECT_EQ(build->SetupType(), 1);
    EXPECT_EQ(build->SfxMode(), 1);
    EXPECT_FALSE(build->ShowWelcome());
    EXPECT_TRUE(build->ShowEULA());
    EXPECT_TRUE(build->SignForDevice());

    // Unchecked again, the build signs nothing for the device.
    auto again = Configure(*build);
    Named<QCheckBox>(again.get(), "cbSignForDevice")->setChecked(false);
    Press(*again, "BitBtn1");
    EXPECT_FALSE(build->SignForDevice());
}

// Each refusal keeps the dialog open and the build as it was, whatever else
// the author changed before pressing OK.
struct RefusalCase {
    const char* Name;
    bool CheckPair;
    const char* Message;
};

class ConfigurationRefusalTest : public BuildDialogsTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ConfigurationRefusalTest, KeepsTheDialogOpenAndTheBuildUnchanged)
{
    const RefusalCase& c = GetParam();
    AddBuild("Taken", {English});
    TBuild* build = AddBuild("Mine", {English});
    build->ClearPairs();
    auto dialog = Configure(*build);
    Named<QLineEdit>(dialog.get(), "eBuildName")->setText(QString::fromUtf8(c.Name));
    CheckRow(dialog.get(), "lbPairs", 0, c.CheckPair);
    CheckRow(dialog.get(), "lbLanguages", "German", true);
    DefaultLanguages(dialog.get())->setCurrentText(QStringLiteral("German"));
    Named<QCheckBox>(dialog.get(), "cbShowFinish")->setChecked(false);
    Named<QCheckBox>(dialog.get(), "cbSignForDevice")->setChecked(true);
    Named<QComboBox>(dialog.get(), "cbSetupType")->setCurrentIndex(1);

    Press(*dialog, "BitBtn1");
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(Messages.Texts(), std::vector<std::string>{c.Message});
    EXPECT_EQ(build->Name(), "Mine");
    EXPECT_EQ(build->PairCount(), 0);
    EXPECT_EQ(LanguageIds(*build), std::vector<int32_t>{English});
    EXPECT_EQ(build->DefaultLanguage(), English);
    EXPECT_TRUE(build->ShowFinish());
    EXPECT_FALSE(build->SignForDevice());
    EXPECT_EQ(build->SetupType(), 0);

    // Putting the one fault right lets the same dialog close.
    Named<QLineEdit>(dialog.get(), "eBuildName")->setText(QStringLiteral("Fixed"));
    CheckRow(dialog.get(), "lbPairs", 0, true);
    Press(*dialog, "BitBtn1");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(build->Name(), "Fixed");
    EXPECT_EQ(PairNames(*build), std::vector<std::string>{"PPC300_2577"});
    EXPECT_EQ(build->DefaultLanguage(), German);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Refusals, ConfigurationRefusalTest,
    ::testing::Values(
        // The pair check comes first, even before a taken or empty name.
        RefusalCase{"Taken", false, "You have to select at least 1 platform/processor pair."},
        RefusalCase{"", false, "You have to select at least 1 platform/processor pair."},
        RefusalCase{"Taken", true, "Another build already has this name. Choose a different name!"},
        RefusalCase{"", true, "Choose a name for the build first!"},
        // Names that give the folder of another build's package, on file
        // systems that ignore letter case too.
        RefusalCase{"Ta/ken", true,
                    "The build \"Taken\" already makes its package in the folder \"Taken\". Please choose another name."},
        RefusalCase{"tAKEN", true,
                    "The build \"Taken\" already makes its package in the folder \"Taken\". Please choose another name."},
        RefusalCase{"..", true,
                    "The package is written to a folder of the build's name, and this name leaves no folder "
                    "name. Choose a different name!"},
        RefusalCase{"/ :", true,
                    "The package is written to a folder of the build's name, and this name leaves no folder "
                    "name. Choose a different name!"},
        RefusalCase{"\xe2\x82\xac \xe4\xb8\xad", true,
                    "The character U+4E2D cannot be stored in the project, whose texts are Windows-1252. It was "
                    "not accepted."}));
// clang-format on

TEST_F(BuildDialogsTest, NamesGivingTheFolderOfAnotherPackageAreRefused)
{
    AddBuild("A/B", {English});
    AddBuild("Demo", {English});
    TBuild* build = AddBuild("Mine", {English});
    auto dialog = Configure(*build);
    for (const char* name : {"AB", "demo"}) {
        Named<QLineEdit>(dialog.get(), "eBuildName")->setText(QString::fromLatin1(name));
        Press(*dialog, "BitBtn1");
        EXPECT_EQ(dialog->result(), QDialog::Rejected) << name;
    }
    EXPECT_EQ(Messages.Texts(),
              (std::vector<std::string>{
                  "The build \"A/B\" already makes its package in the folder \"AB\". Please choose another name.",
                  "The build \"Demo\" already makes its package in the folder \"Demo\". Please choose another name."}));
    EXPECT_EQ(build->Name(), "Mine");
}

TEST_F(BuildDialogsTest, OwnNameIsNoConflictAndPairsFollowListOrder)
{
    TBuild* build = AddBuild("Same", {English});
    auto dialog = Configure(*build);
    CheckRow(dialog.get(), "lbPairs", 0, true);
    Press(*dialog, "BitBtn1");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(Messages.Shown().empty());
    EXPECT_EQ(PairNames(*build), (std::vector<std::string>{"PPC300_2577", "PPC300_10003"}));
}

TEST_F(BuildDialogsTest, OutOfTableValuesSurviveOk)
{
    TBuild* build = AddBuild("Odd", {English});
    build->SetSetupType(7);
    build->SetSfxMode(5);
    auto dialog = Configure(*build);
    EXPECT_EQ(Named<QComboBox>(dialog.get(), "cbSetupType")->currentIndex(), -1);
    EXPECT_FALSE(Named<QRadioButton>(dialog.get(), "rbNoUserInterface")->isChecked());
    EXPECT_FALSE(Named<QRadioButton>(dialog.get(), "rbShowProgress")->isChecked());
    Press(*dialog, "BitBtn1");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(build->SetupType(), 7);
    EXPECT_EQ(build->SfxMode(), 5);
}

TEST_F(BuildDialogsTest, MissingFilesListsEachFileAndAnswersTheButton)
{
    auto file = std::make_unique<TFile>();
    file->SetSourceDir("C:\\gone\\arm\\");
    file->SetFileName("app.exe");
    file->SetProcessor(pHitachiSH3);
    file->SetUseDefaultFolder(true);
    file->SetFolder(Project.AppFolder());
    TFile* defaultFolderFile = Project.Files().Add(std::move(file));
    file = std::make_unique<TFile>();
    file->SetSourceDir("C:\\gone");
    file->SetFileName("readme.txt");
    file->SetProcessor(pAll);
    file->SetFolder(Project.Folders().Root());
    TFile* rootFile = Project.Files().Add(std::move(file));
    std::vector<TFile*> files{defaultFolderFile, rootFile};

    for (bool confirm : {true, false}) {
        TfmMissingFiles dialog;
        dialog.SetProject(&Project);
        dialog.SetFiles(&files);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Missing Files"));
        QTableWidget* list = Named<QTableWidget>(&dialog, "lvFiles");
        ASSERT_EQ(list->rowCount(), 2);
        ASSERT_EQ(list->columnCount(), 4);
        EXPECT_EQ(list->horizontalHeaderItem(1)->text(), QStringLiteral("Destination"));
        EXPECT_EQ(list->columnWidth(0), 80);
        EXPECT_GE(list->columnWidth(1), 120);
        EXPECT_GE(list->columnWidth(2), 120);
        auto cell = [list](int row, int column) { return list->item(row, column)->text().toStdString(); };
        EXPECT_EQ(cell(0, 0), "app.exe");
        EXPECT_EQ(cell(0, 1), Project.DefaultFolder()->GetPath());
        EXPECT_EQ(cell(0, 2), "C:\\gone\\arm");
        EXPECT_EQ(cell(0, 3), "Hitachi SH3");
        EXPECT_EQ(cell(1, 1), "\\");
        EXPECT_EQ(cell(1, 3), "All");

        EXPECT_EQ(Press(dialog, confirm ? "btDelete" : "btCancel"), confirm ? QDialog::Accepted : QDialog::Rejected);
    }
}

}
