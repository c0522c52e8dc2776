#include "setupwizard/WizardModel.h"

#include "common/Platform.h"
#include "handover/Deskstart.h"
#include "storage/uScramble.h"
#include "storage/RtfPlaceholders.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class WizardModelTest : public ::testing::Test {
protected:
    // A resource file as the build writes it: the build's languages, then
    // Neutral, then General.
    TScrambeledMemIniFile& Resources(const std::string& general)
    {
        FFile = std::make_unique<TScrambeledMemIniFile>(FDir.File("Demo_res.DAT"));
        std::vector<std::string> lines = {"[English]",
                                          "1.String1=Welcome to %APPNAME%",
                                          "4.NextBtn=&Next >",
                                          "[German]",
                                          "1.String1=Willkommen bei %APPNAME%",
                                          "[Neutral]",
                                          "1.String1=Neutral welcome",
                                          "3.String1=Done by %COMPANYNAME%",
                                          "[General]"};
        std::string line;
        for (char c : general + "\n") {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        FFile->SetStrings(lines);
        FFile->SetAppName(FFile->ReadString("General", "AppName", ""));
        FFile->SetCompanyName(FFile->ReadString("General", "CompanyName", ""));
        return *FFile;
    }

    TempDir FDir;
    std::unique_ptr<TScrambeledMemIniFile> FFile;
};

TEST_F(WizardModelTest, LanguagesPagesAndTexts)
{
    TWizardModel model(Resources("Def_Lang=German\nUse1=1\nUse2=0\nUse3=1\nAppName=Viewer\nCompanyName=Firm"));
    EXPECT_EQ(model.Languages(), (std::vector<std::string>{"English", "German"}));
    EXPECT_EQ(model.Language(), "German");
    EXPECT_EQ(model.Pages(), (std::vector<TWizardPage>{wpWelcome, wpFinish}));
    EXPECT_EQ(model.Text("1.String1"), "Willkommen bei Viewer");
    // A text the language lacks comes from Neutral, then from the fallback.
    EXPECT_EQ(model.Text("3.String1"), "Done by Firm");
    EXPECT_EQ(model.Text("4.NextBtn", "Next"), "Next");
    model.SetLanguage("english");
    EXPECT_EQ(model.Language(), "English");
    EXPECT_EQ(model.Text("4.NextBtn", "Next"), "&Next >");
    model.SetLanguage("Klingon");
    EXPECT_EQ(model.Language(), "English");
}

TEST_F(WizardModelTest, DefaultLanguageOutsideTheBuildFallsBackToTheFirst)
{
    TWizardModel model(Resources("Def_Lang=Neutral\nUse1=0\nUse2=1\nUse3=0"));
    EXPECT_EQ(model.Language(), "English");
    EXPECT_EQ(model.Pages(), (std::vector<TWizardPage>{wpLicence}));
}

TEST_F(WizardModelTest, LicenceOfTheLanguageOrTheNeutralOne)
{
    TWizardModel model(Resources("Def_Lang=German\nUse2=1"));
    FDir.Write("EULA_English.txt", "en");
    EXPECT_EQ(model.LicenceFile(FDir.Path()), FDir.File("EULA_Neutral.txt"));
    model.SetLanguage("English");
    EXPECT_EQ(model.LicenceFile(FDir.Path()), FDir.File("EULA_English.txt"));
}

TEST(WizardLicence, PlaceholdersInAnyCaseAndSelfContainingNames)
{
    EXPECT_EQ(ExpandLicencePlaceholders("{\\rtf %appname% by %COMPANYNAME%; %AppName%}", "Viewer", "Firm"),
              "{\\rtf Viewer by Firm; Viewer}");
    // A name that holds its own placeholder is inserted once, not again and again.
    EXPECT_EQ(ExpandLicencePlaceholders("%AppName%", "x%AppName%y", "c"), "x%AppName%y");
    // Names stay text inside Rich Text Format; a plain-text licence takes them as they are.
    EXPECT_EQ(ExpandLicencePlaceholders("{\\rtf %AppName% by %CompanyName%}", "C:\\{x}", "A}B"),
              "{\\rtf C:\\\\\\{x\\} by A\\}B}");
    EXPECT_EQ(ExpandLicencePlaceholders("%AppName%", "C:\\{x}", "c"), "C:\\{x}");
}

TEST_F(WizardModelTest, MissingFilesAreReportedInThePackagesOwnWords)
{
    const std::string builtIn = "Setup Wizard could not find the necessery resource files.";
    TScrambeledMemIniFile& resources = Resources("Def_Lang=German\nAppName=Viewer");
    resources.WriteString("German", "0.NoResources", "Dateien von %APPNAME% fehlen.");
    resources.UpdateFile();
    EXPECT_EQ(NoResourcesText(resources.FileName(), builtIn), "Dateien von Viewer fehlen.");

    // Texts without the message, and no texts at all, leave the built-in one.
    resources.EraseSection("German");
    resources.UpdateFile();
    EXPECT_EQ(NoResourcesText(resources.FileName(), builtIn), builtIn);
    EXPECT_EQ(NoResourcesText(FDir.File("missing_res.DAT"), builtIn), builtIn);
    EXPECT_FALSE(FileExists(FDir.File("missing_res.DAT")));
    EXPECT_EQ(NoResourcesText("", builtIn), builtIn);
}

}
