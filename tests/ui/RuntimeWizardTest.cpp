// The runtime tables and the "Add Runtimes Wizard" over them.

#include "FakeServices.h"

#include "package/Runtimes.h"
#include "model/Project.h"
#include "ui/parts/CheckList.h"
#include "ui/wizard/fmRuntimeWizard.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

namespace {

TEST(RuntimeTablesTest, EveryOfferedProcessorHasAFolderAndEachOnce)
{
    for (int family = 0; family < RuntimeFamilyCount; ++family) {
        for (uint8_t platform : RuntimePlatforms(family)) {
            TProcessorsArray processors = RuntimeProcessors(family, TPlatform(platform));
            EXPECT_FALSE(processors.empty()) << family << " " << int(platform);
            for (size_t i = 0; i < processors.size(); ++i) {
                std::string folder = RuntimeFolder(family, TPlatform(platform), processors[i]);
                EXPECT_FALSE(folder.empty()) << family << " " << int(platform) << " " << int(processors[i]);
                EXPECT_EQ(folder.back(), '\\');
                for (size_t j = 0; j < i; ++j)
                    EXPECT_NE(processors[i], processors[j]);
            }
        }
    }
    EXPECT_EQ(RuntimeProcessors(rtVisualBasic, plHPC).size(), 4u);
    EXPECT_EQ(RuntimeProcessors(rtVisualBasic, plHPCPro), RuntimeProcessors(rtVisualBasic, plHPC));
    EXPECT_EQ(RuntimeFolder(rtOleCE, plWM2003, pStrongARM), RuntimeFolder(rtMFC, plWM2003, pStrongARM));
    EXPECT_TRUE(RuntimeFiles(rtAdoCE, plHPC, pStrongARM).empty());
}

class RuntimeWizardTest : public ::testing::Test {
protected:
    void SetUp() override { Wizard.SetProject(&Project); }

    void Choose(int item, TPlatform platform)
    {
        Wizard.findChild<QAbstractButton*>(QStringLiteral("rbRuntime%1").arg(item))->click();
        QComboBox* box = Platforms();
        int index = box->findData(int(platform));
        ASSERT_GE(index, 0) << int(platform);
        box->setCurrentIndex(index);
    }
    QComboBox* Platforms() { return Wizard.findChild<QComboBox*>(QStringLiteral("cbPlatform")); }
    TCheckList* Processors() { return Wizard.findChild<TCheckList*>(QStringLiteral("clbProcessors")); }
    QPushButton* Button(const char* name) { return Wizard.findChild<QPushButton*>(QString::fromLatin1(name)); }
    QStringList Items(TCheckList* list)
    {
        QStringList texts;
        for (int i = 0; i < list->Count(); ++i)
            texts << list->Item(i)->text();
        return texts;
    }

    TScriptedMessages Messages;
    TProject Project{"Firm"};
    TfmRuntimeWizard Wizard{&Messages};
};

TEST_F(RuntimeWizardTest, MfcOnPocketPc2002AddsOneFileIntoTheWindowsFolder)
{
    Choose(1, plPPC2K);
    Button("btNext")->click();
    EXPECT_EQ(Button("btNext")->text(), QStringLiteral("&Finish"));
    EXPECT_TRUE(Button("btBack")->isEnabled());
    EXPECT_EQ(Items(Processors()), QStringList{QStringLiteral("StrongARM")});
    Button("btNext")->click();
    EXPECT_EQ(Wizard.result(), QDialog::Accepted);
    ASSERT_EQ(Project.Files().Count(), 1);
    TFile* file = Project.Files().Item(0);
    EXPECT_EQ(file->FileName(), "mfcce300.dll");
    EXPECT_EQ(file->SourceDir(), "C:\\Windows CE Tools\\wce300\\Pocket PC 2002\\mfc\\Lib\\ARM\\");
    EXPECT_EQ(file->Platforms(), TPlatforms{plPPC2K});
    EXPECT_EQ(file->Processor(), pStrongARM);
    EXPECT_EQ(file->CopyMode(), 1);
    EXPECT_TRUE(file->Options().Empty());
    EXPECT_FALSE(file->UseDefaultFolder());
    EXPECT_EQ(file->GetFolder(), Project.Folders().FindWindowsFolder());
}

TEST_F(RuntimeWizardTest, VisualBasicOnPocketPcWithThreeProcessorsAddsFifteenFiles)
{
    Choose(0, plPPC300);
    Button("btNext")->click();
    EXPECT_EQ(Items(Processors()),
              (QStringList{QStringLiteral("StrongARM"), QStringLiteral("Hitachi SH3"), QStringLiteral("MIPS R4000")}));
    Button("btNext")->click();
    ASSERT_EQ(Project.Files().Count(), 15);
    int selfRegistering = 0;
    const TProcessor order[] = {pStrongARM, pHitachiSH3, pMIPSR4000};
    for (int i = 0; i < 15; ++i) {
        TFile* file = Project.Files().Item(i);
        EXPECT_EQ(file->Processor(), order[i / 5]);
        bool self = file->Options().Contains(foSelfRegister);
        EXPECT_EQ(self, file->FileName() != "pvbload.exe") << file->FileName();
        selfRegistering += self;
    }
    EXPECT_EQ(selfRegistering, 12);
}

TEST_F(RuntimeWizardTest, AdoCeOffersThreePlatformsAndBackKeepsTheChoice)
{
    Choose(3, plPPC211);
    EXPECT_EQ(Platforms()->count(), 3);
    Button("btNext")->click();
    EXPECT_EQ(Items(Processors()),
              (QStringList{QStringLiteral("Hitachi SH3"), QStringLiteral("MIPS R3000"), QStringLiteral("MIPS R4000")}));
    Button("btBack")->click();
    EXPECT_EQ(Button("btNext")->text(), QStringLiteral("&Next"));
    EXPECT_FALSE(Button("btBack")->isEnabled());
    EXPECT_EQ(Platforms()->currentData().toInt(), int(plPPC211));
    EXPECT_TRUE(Wizard.findChild<QAbstractButton*>(QStringLiteral("rbRuntime3"))->isChecked());
    EXPECT_EQ(Project.Files().Count(), 0);
}

TEST_F(RuntimeWizardTest, NothingCheckedAddsNothingAndCloses)
{
    Choose(0, plHPC);
    Button("btNext")->click();
    EXPECT_EQ(Processors()->Count(), 4);
    for (int i = 0; i < Processors()->Count(); ++i)
        Processors()->SetChecked(i, false);
    Button("btNext")->click();
    EXPECT_EQ(Wizard.result(), QDialog::Accepted);
    EXPECT_EQ(Project.Files().Count(), 0);
}

TEST_F(RuntimeWizardTest, RunningTwiceAddsTheFilesTwice)
{
    for (int run = 0; run < 2; ++run) {
        TfmRuntimeWizard wizard(&Messages);
        wizard.SetProject(&Project);
        wizard.findChild<QAbstractButton*>(QStringLiteral("rbRuntime2"))->click();
        wizard.findChild<QPushButton*>(QStringLiteral("btNext"))->click();
        wizard.findChild<QPushButton*>(QStringLiteral("btNext"))->click();
    }
    // OLE CE on Pocket PC (the first platform): three processors, one file each.
    ASSERT_EQ(Project.Files().Count(), 6);
    EXPECT_EQ(Project.Files().Item(0)->FileName(), "olece300.dll");
    EXPECT_EQ(Project.Files().Item(0)->SourceDir(), Project.Files().Item(3)->SourceDir());
}

TEST_F(RuntimeWizardTest, WithoutAWindowsFolderNothingIsAddedAndTheAuthorIsTold)
{
    Project.Folders().DeleteFolder(Project.Folders().FindWindowsFolder());
    Button("btNext")->click();
    Button("btNext")->click();
    EXPECT_EQ(Project.Files().Count(), 0);
    EXPECT_EQ(Wizard.result(), QDialog::Rejected);
    ASSERT_EQ(Messages.Shown().size(), 1u);
    EXPECT_NE(Messages.Shown()[0].Text.find("no Windows folder"), std::string::npos);
}

}
