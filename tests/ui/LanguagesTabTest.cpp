#include "FakeServices.h"
#include "support/TestSupport.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "storage/LanguageManager.h"
#include "storage/Languages.h"
#include "storage/Resource.h"
#include "storage/RichText.h"
#include "storage/Settings.h"
#include "storage/TextKeys.h"
#include "storage/uScramble.h"
#include "ui/languages/RichTextConvert.h"
#include "ui/languages/fmAddLanguage.h"
#include "ui/languages/frmContainter.h"
#include "ui/languages/frmLicense.h"
#include "ui/languages/frmMemoEditor.h"
#include "ui/languages/frmStringEditor.h"
#include "ui/main/fmMain.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdlib>
#include <random>

namespace {

std::string FileText(const std::string& path)
{
    auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The object name of the page the wizard preview shows ("" for none, all
// the names for more than one).
std::string ShownPage(const TfrmContainter* preview)
{
    std::string shown;
    for (const char* page : {"frmWelcome", "frmLicense", "frmFinish"})
        if (!Named<QWidget>(preview, page)->isHidden())
            shown += page;
    return shown;
}

// Placeholders split by the markup are found in the text the reader sees.
const char* const LicenceRtf =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 %appname% is made by "
    "{\\b %COMPANY}{\\i NAME%}.\\par Ask %Company{\\i Name}% about %App\r\nName%.\\par}";

// A project folder with a texts file, and a program folder with its own
// default licence, so that every copy can be told from its source.
struct TextsFixture {
    TextsFixture()
    {
        Program.Write("EULA_Neutral.txt", "{\\rtf1 Default licence of the program\\par}");
        Project.Write("p_res.dat", ScrambleText("[Neutral]\r\n"
                                                "1.String1=Welcome\r\n1.TopString=Welcome heading\r\n"
                                                "2.TopString=Licence heading\r\n3.TopString=Finish heading\r\n"
                                                "2.EULA=EULA\r\n2.Accept=I &accept\r\n2.DoNotAccept=I do &not\r\n"
                                                "\r\n"
                                                "[German]\r\n1.String1=Willkommen\r\n1.TopString=Willkommen!\r\n"
                                                "2.EULA=EULA\r\n4.BackBtn=< &Zur\xfc"
                                                "ck\r\n4.NextBtn=&Weiter >\r\n"
                                                "4.FinishBtn=&Fertig\r\n4.CancelBtn=\r\n\r\n"));
        Texts = std::make_unique<TScrambeledMemIniFile>(Project.File("p_res.dat"));
    }
    TempDir Program;
    TempDir Project;
    std::unique_ptr<TScrambeledMemIniFile> Texts;
};

class PreviewTest : public ::testing::Test, public TextsFixture {
protected:
    void SetUp() override
    {
        Preview = std::make_unique<TfrmContainter>(Program.Path());
        Preview->SetDesignMode(true);
        Preview->resize(640, 420);
        Preview->RecreatePages();
        Preview->SetAppName("Demo App");
        Preview->SetCompanyName("Demo Company");
        Preview->SetProjectFolder(Project.Path());
        Preview->SetTextsFile(Texts.get());
        Preview->SetLanguage(NeutralLanguage);
        Preview->show();
    }
    QPushButton* Button(const char* name) const { return Named<QPushButton>(Preview.get(), name); }
    bool Shown(const char* name) const { return Button(name)->isVisibleTo(Preview.get()); }
    QTextEdit* Licence() const { return Named<QTextEdit>(Preview.get(), "RichEdit1"); }

    std::unique_ptr<TfrmContainter> Preview;
};

} // namespace

TEST_F(PreviewTest, ButtonsFollowThePageAndTheLicenceChoice)
{
    Preview->ShowPageNumber(1);
    EXPECT_FALSE(Shown("btBack"));
    EXPECT_TRUE(Shown("btNext"));
    EXPECT_TRUE(Button("btNext")->isEnabled());
    EXPECT_FALSE(Shown("btFinish"));
    EXPECT_EQ(Button("btNext")->x() + Button("btNext")->width() + 8, Button("btCancel")->x());

    QTest::mouseClick(Button("btNext"), Qt::LeftButton);
    EXPECT_EQ(ShownPage(Preview.get()), "frmLicense");
    EXPECT_TRUE(Shown("btBack"));
    EXPECT_TRUE(Shown("btNext"));
    EXPECT_FALSE(Button("btNext")->isEnabled()) << "the refusing choice is selected at first";
    EXPECT_FALSE(Preview->CanGoNext());
    EXPECT_EQ(Button("btBack")->x() + Button("btBack")->width() + 8, Button("btNext")->x());

    auto* accept = Named<QRadioButton>(Preview.get(), "rbAccept");
    auto* refuse = Named<QRadioButton>(Preview.get(), "rbDoNotAccept");
    EXPECT_EQ(accept->text(), QStringLiteral("I &accept"));
    // A choice reacts to clicks on its circle and text, not the empty rest of its row.
    auto choose = [](QRadioButton* choice) {
        QTest::mouseClick(choice, Qt::LeftButton, {}, QPoint(6, choice->height() / 2));
    };
    choose(accept);
    EXPECT_TRUE(Button("btNext")->isEnabled());
    choose(refuse);
    EXPECT_FALSE(Button("btNext")->isEnabled());
    choose(accept);

    QTest::mouseClick(Button("btNext"), Qt::LeftButton);
    EXPECT_EQ(ShownPage(Preview.get()), "frmFinish");
    EXPECT_TRUE(Shown("btBack"));
    EXPECT_FALSE(Shown("btNext"));
    EXPECT_TRUE(Shown("btFinish"));
    EXPECT_EQ(Button("btFinish")->x() + Button("btFinish")->width() + 8, Button("btCancel")->x());
    EXPECT_EQ(Button("btBack")->x() + Button("btBack")->width() + 8, Button("btFinish")->x());

    // Finish and Cancel do nothing in the builder.
    QTest::mouseClick(Button("btFinish"), Qt::LeftButton);
    QTest::mouseClick(Button("btCancel"), Qt::LeftButton);
    EXPECT_EQ(ShownPage(Preview.get()), "frmFinish");
    QTest::mouseClick(Button("btBack"), Qt::LeftButton);
    EXPECT_EQ(ShownPage(Preview.get()), "frmLicense");
}

TEST_F(PreviewTest, HeadingAndButtonCaptionsComeFromTheLanguageWithDefaults)
{
    Preview->ShowPageNumber(2);
    auto* heading = Named<QLabel>(Preview.get(), "lTopString");
    EXPECT_EQ(heading->text(), QStringLiteral("Licence heading"));
    // Neutral has no button keys: the defaults show.
    EXPECT_EQ(Button("btBack")->text(), QStringLiteral("Back"));
    EXPECT_EQ(Button("btNext")->text(), QStringLiteral("Next"));
    EXPECT_EQ(Button("btFinish")->text(), QStringLiteral("Finish"));
    EXPECT_EQ(Button("btCancel")->text(), QStringLiteral("Cancel"));

    Preview->SetLanguage(7);
    EXPECT_EQ(Button("btBack")->text(), QString::fromUtf8("< &Zur\xc3\xbc"
                                                          "ck"));
    EXPECT_EQ(Button("btNext")->text(), QStringLiteral("&Weiter >"));
    EXPECT_EQ(Button("btFinish")->text(), QStringLiteral("&Fertig"));
    // As the setup wizard shows them: empty is missing, and a missing text
    // comes from Neutral, then from the wizard's own default.
    EXPECT_EQ(Button("btCancel")->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(heading->text(), QStringLiteral("Licence heading"));
    Preview->ShowPageNumber(1);
    EXPECT_EQ(heading->text(), QStringLiteral("Willkommen!"));
    EXPECT_EQ(Named<QLabel>(Preview.get(), "lWelcome1")->text(), QStringLiteral("Willkommen"));
}

TEST_F(PreviewTest, LicenceShowsTheNamesWhileTheFileKeepsItsPlaceholders)
{
    Project.Write("EULA_Neutral.txt", LicenceRtf);
    Preview->SetLanguage(NeutralLanguage);
    Preview->ShowPageNumber(2);
    EXPECT_EQ(Licence()->toPlainText(),
              QStringLiteral("Demo App is made by Demo Company.\nAsk Demo Company about Demo App."));
    EXPECT_EQ(FileText(Project.File("EULA_Neutral.txt")), LicenceRtf);
    // The name replaces the placeholder inside its bold run and stays bold.
    QTextCursor cursor = Licence()->document()->find(QStringLiteral("Demo Company"));
    ASSERT_FALSE(cursor.isNull());
    EXPECT_GT(cursor.charFormat().fontWeight(), QFont::Medium);
}

TEST_F(PreviewTest, NamesThatHoldTheirOwnPlaceholderEndTheReplacement)
{
    Project.Write("EULA_Neutral.txt", LicenceRtf);
    Preview->SetAppName("My %APPNAME% App");
    Preview->SetCompanyName("%companyname%%CompanyName%");
    Preview->SetLanguage(NeutralLanguage);
    EXPECT_EQ(Licence()->toPlainText(), QStringLiteral("My %APPNAME% App is made by %companyname%%CompanyName%.\n"
                                                       "Ask %companyname%%CompanyName% about My %APPNAME% App."));
}

TEST_F(PreviewTest, MissingLicenceIsCopiedAndAnExistingOneNeverOverwritten)
{
    // German's licence is missing: it is made from the program's default.
    Preview->SetLanguage(7);
    EXPECT_EQ(FileText(Project.File("EULA_German.txt")), FileText(Program.File("EULA_Neutral.txt")));
    EXPECT_EQ(Licence()->toPlainText(), QStringLiteral("Default licence of the program"));

    Project.Write("EULA_German.txt", "Eigener Text");
    Preview->SetLanguage(7);
    EXPECT_EQ(FileText(Project.File("EULA_German.txt")), "Eigener Text");
    EXPECT_EQ(Licence()->toPlainText(), QStringLiteral("Eigener Text"));
}

TEST(LicenceFile, ACopyThatFailsRaisesTheFileError)
{
    TextsFixture f;
    DeleteFileIfExists(f.Program.File("EULA_Neutral.txt"));
    std::string error = ErrorOf([&] { ProvideLicenceFile(f.Project.Path(), 7, *f.Texts, f.Program.Path()); });
    EXPECT_NE(error.find("EULA_German.txt"), std::string::npos) << error;
    EXPECT_FALSE(FileExists(f.Project.File("EULA_German.txt")));
}

// A string editor over the texts file of the fixture, with the resource
// the test names.
class StringEditor : public ::testing::Test, public TextsFixture {
protected:
    void Edit(const char* key, const char* caption)
    {
        Resource = std::make_unique<TStringResource>(key, Texts.get(), caption);
        Editor.SetResource(Resource.get());
    }
    QPlainTextEdit* Memo(const char* name) { return Named<QPlainTextEdit>(&Editor, name); }

    TScriptedMessages Messages;
    TfrmStringEditor Editor{&Messages};
    std::unique_ptr<TStringResource> Resource;
};

TEST_F(StringEditor, SwitchingLanguagesKeepsNeutralAbove)
{
    Edit("1.String1", "String 1");
    auto* neutral = Memo("Memo1");
    auto* current = Memo("Memo2");
    EXPECT_TRUE(neutral->isReadOnly());
    EXPECT_EQ(current->toPlainText(), QStringLiteral("Welcome"));
    Editor.SetLanguage(7);
    EXPECT_EQ(neutral->toPlainText(), QStringLiteral("Welcome"));
    EXPECT_EQ(current->toPlainText(), QStringLiteral("Willkommen"));
}

TEST_F(StringEditor, TypingIntoAMissingKeyCreatesItAndLineBreaksStayOut)
{
    Editor.SetLanguage(7);
    Edit("3.String2", "Text 2");
    auto* current = Memo("Memo2");
    EXPECT_EQ(current->toPlainText(), QString());
    EXPECT_EQ(Texts->ReadString("German", "3.String2", "<missing>"), "<missing>");

    QTest::keyClicks(current, "Fertig");
    EXPECT_EQ(Texts->ReadString("German", "3.String2", "<missing>"), "Fertig");
    QTest::keyClick(current, Qt::Key_Return);
    EXPECT_EQ(Texts->ReadString("German", "3.String2", ""), "Fertig");
    QTest::keyClicks(current, "Klicken");
    QTest::keyClick(current, Qt::Key_Return);
    EXPECT_EQ(Texts->ReadString("German", "3.String2", ""), "Fertig Klicken");
    EXPECT_EQ(Texts->ReadString("Neutral", "3.String2", "<missing>"), "<missing>");
    EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(StringEditor, ACharacterTheCodePageLacksIsRefusedWhole)
{
    Edit("1.String1", "String 1");
    auto* current = Memo("Memo2");
    current->moveCursor(QTextCursor::End);
    current->insertPlainText(QString::fromUtf8(" \xe4\xb8\xad"));
    EXPECT_EQ(Messages.Shown().size(), 1u);
    EXPECT_EQ(current->toPlainText(), QStringLiteral("Welcome"));
    EXPECT_EQ(Texts->ReadString("Neutral", "1.String1", ""), "Welcome");
}

TEST_F(StringEditor, StoredLinesHoldNoLineBreak)
{
    struct Case {
        const char* typed;
        const char* stored;
    } cases[] = {{"a\n", "a"}, {"a\r\n\r\n", "a"}, {"a\nb", "a b"}, {"a\r\nb\rc", "a b c"}, {"\n", ""}, {"a b", "a b"}};
    for (const Case& c : cases)
        EXPECT_EQ(StoredLine(QString::fromLatin1(c.typed)), QString::fromLatin1(c.stored)) << c.typed;
    EXPECT_EQ(StoredLine(QStringLiteral("a") + QChar::LineSeparator + QStringLiteral("b")), QStringLiteral("a b"));
}

namespace {

class MemoEditorTest : public ::testing::Test, public TextsFixture {
protected:
    void SetUp() override
    {
        Editor = std::make_unique<TfrmMemoEditor>(Program.Path());
        Editor->SetProjectFolder(Project.Path());
        Editor->resize(600, 400);
        Editor->show();
    }
    QTextEdit* Box() const { return Named<QTextEdit>(Editor.get(), "RichEdit"); }
    QToolButton* Tool(const char* name) const { return Named<QToolButton>(Editor.get(), name); }
    void Select(const QString& word)
    {
        QTextCursor found = Box()->document()->find(word);
        ASSERT_FALSE(found.isNull()) << word.toStdString();
        Box()->setTextCursor(found);
    }
    // Leaving the box is what writes the licence.
    void LeaveBox()
    {
        Box()->setFocus();
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(Box(), &out);
    }

    TMemoResource Resource{"2.EULA", Texts.get(), "License agreement"};
    std::unique_ptr<TfrmMemoEditor> Editor;
};

} // namespace

TEST_F(MemoEditorTest, FormattingReachesTheFileWhenTheBoxLosesTheFocus)
{
    Project.Write("EULA_Neutral.txt",
                  "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Sie bekommen es gratis.\\par Ende\\par}");
    Editor->SetResource(&Resource);
    EXPECT_EQ(Editor->LicencePath(), Project.File("EULA_Neutral.txt"));
    Select(QStringLiteral("gratis"));
    Tool("BoldButton")->click();
    // Keys reach the editor's shortcuts only in the active window.
    QApplication::setActiveWindow(Editor.get());
    Box()->setFocus();
    QTest::keyClick(Box(), Qt::Key_U, Qt::ControlModifier);
    Box()->moveCursor(QTextCursor::End);
    Tool("BulletsButton")->click();
    Box()->moveCursor(QTextCursor::Start);
    Tool("CenterAlign")->click();
    std::string before = FileText(Project.File("EULA_Neutral.txt"));
    LeaveBox();
    std::string after = FileText(Project.File("EULA_Neutral.txt"));
    ASSERT_NE(after, before);

    TRichDocument saved = ReadRtf(after);
    ASSERT_EQ(saved.Paragraphs.size(), 2u);
    EXPECT_EQ(saved.Paragraphs[0].Align, TRichAlign::Center);
    EXPECT_FALSE(saved.Paragraphs[0].Bullet);
    EXPECT_TRUE(saved.Paragraphs[1].Bullet);
    bool boldWord = false;
    for (const TRichRun& run : saved.Paragraphs[0].Runs) {
        if (run.Text == "gratis")
            boldWord = run.Bold && run.Underline;
        else
            EXPECT_FALSE(run.Bold) << run.Text;
        EXPECT_EQ(run.FontName, "Arial");
        EXPECT_EQ(run.HalfPoints, 20);
    }
    EXPECT_TRUE(boldWord);
}

TEST_F(MemoEditorTest, AnUntouchedLicenceIsNotRewritten)
{
    const std::string foreign = "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1 Rot\\par}";
    Project.Write("EULA_Neutral.txt", foreign);
    Editor->SetResource(&Resource);
    LeaveBox();
    Editor->SetLanguage(7);
    EXPECT_EQ(FileText(Project.File("EULA_Neutral.txt")), foreign);
}

TEST_F(MemoEditorTest, ToolbarFollowsTheSelection)
{
    Project.Write("EULA_Neutral.txt",
                  "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}\\f0\\fs20 plain "
                  "{\\b\\i\\f1\\fs32 strong}\\par\\pard\\qr right\\par}");
    Editor->SetResource(&Resource);
    auto* size = Named<QSpinBox>(Editor.get(), "FontSize");
    auto* name = Named<QComboBox>(Editor.get(), "FontName");
    Select(QStringLiteral("strong"));
    EXPECT_TRUE(Tool("BoldButton")->isChecked());
    EXPECT_TRUE(Tool("ItalicButton")->isChecked());
    EXPECT_EQ(size->value(), 16);
    EXPECT_EQ(name->currentText(), QStringLiteral("Courier New"));
    Select(QStringLiteral("plain"));
    EXPECT_FALSE(Tool("BoldButton")->isChecked());
    EXPECT_EQ(size->value(), 10);
    EXPECT_EQ(name->currentText(), QStringLiteral("Arial"));
    EXPECT_TRUE(Tool("LeftAlign")->isChecked());
    Select(QStringLiteral("right"));
    EXPECT_TRUE(Tool("RightAlign")->isChecked());
    // Following the selection changed nothing in the text.
    EXPECT_FALSE(Box()->document()->isModified());
}

TEST_F(MemoEditorTest, FontDialogAndSizeApplyToTheSelection)
{
    Project.Write("EULA_Neutral.txt", "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 one two\\par}");
    Editor->SetResource(&Resource);
    QFont chosen(QStringLiteral("Courier New"));
    chosen.setPointSize(14);
    chosen.setItalic(true);
    Editor->ChooseFont = [&](const QFont& initial) -> std::optional<QFont> {
        EXPECT_EQ(initial.pointSize(), 10);
        return chosen;
    };
    Select(QStringLiteral("two"));
    Tool("FontButton")->click();
    Select(QStringLiteral("one"));
    Named<QSpinBox>(Editor.get(), "FontSize")->setValue(18);
    Editor->SaveLicence();
    TRichDocument saved = ReadRtf(FileText(Project.File("EULA_Neutral.txt")));
    ASSERT_EQ(saved.Paragraphs.size(), 1u);
    std::map<std::string, TRichRun> runs;
    for (const TRichRun& run : saved.Paragraphs[0].Runs)
        runs[run.Text] = run;
    EXPECT_EQ(runs["one"].HalfPoints, 36);
    EXPECT_EQ(runs["two"].FontName, "Courier New");
    EXPECT_EQ(runs["two"].HalfPoints, 28);
    EXPECT_TRUE(runs["two"].Italic);
    EXPECT_EQ(runs[" "].HalfPoints, 20);
}

TEST(RichTextConvert, GeneratedDocumentsSurviveTheEditorsDocument)
{
    const char* fonts[] = {"Arial", "Courier New", "Times New Roman"};
    const char* pieces[] = {"Lizenz", " ", "f\xc3\xbcr", "\t", "\n", "\xe2\x82\xac", "{x}"};
    for (unsigned round = 0; round < 60; ++round) {
        std::mt19937 random(round);
        auto pick = [&](int n) { return int(random() % unsigned(n)); };
        TRichDocument rich;
        int paragraphs = 1 + pick(5);
        for (int p = 0; p < paragraphs; ++p) {
            TRichParagraph paragraph;
            paragraph.Align = TRichAlign(pick(4));
            paragraph.Bullet = pick(2);
            for (int r = pick(4); r > 0; --r) {
                TRichRun run;
                run.Text = std::string(pieces[pick(7)]) + pieces[pick(7)];
                run.FontName = fonts[pick(3)];
                run.HalfPoints = 12 + 2 * pick(20);
                run.Bold = pick(2);
                run.Italic = pick(2);
                run.Underline = pick(2);
                paragraph.Runs.push_back(run);
            }
            rich.Paragraphs.push_back(paragraph);
        }
        rich.Normalize();
        QTextDocument document;
        RichToQt(rich, document);
        ASSERT_EQ(RichFromQt(document), rich) << "round " << round;
        ASSERT_EQ(ReadRtf(WriteRtf(RichFromQt(document))), rich) << "round " << round;
    }
}

namespace {

class LanguagesTabTest : public ::testing::Test {
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
        project.SetProjectFileName("Sample.vip");
        SaveProjectFile(project, Temp.File("Sample.vip"));
        ASSERT_TRUE(Window->OpenProject(Temp.File("Sample.vip"))) << ::testing::PrintToString(Messages.Texts());
    }
    QComboBox* Languages() const { return Named<QComboBox>(Window.get(), "cbLanguages"); }
    QStringList LanguageNames() const
    {
        QStringList names;
        for (int i = 0; i < Languages()->count(); ++i)
            names << Languages()->itemText(i);
        return names;
    }
    // Answers "Add Language" with the new language and the one it is based on.
    void AddLanguage(const QString& name, const QString& basedOn)
    {
        Window->SetModalRunner([&](QDialog& dialog) {
            auto* newLanguage = Named<QComboBox>(&dialog, "cbNewLanguage");
            auto* copyFrom = Named<QComboBox>(&dialog, "cbCopyFrom");
            Offered.clear();
            for (int i = 0; i < newLanguage->count(); ++i)
                Offered << newLanguage->itemText(i);
            newLanguage->setCurrentIndex(newLanguage->findText(name));
            copyFrom->setCurrentIndex(copyFrom->findText(basedOn));
            return int(QDialog::Accepted);
        });
        Named<QPushButton>(Window.get(), "btAddLanguage")->click();
    }
    QTreeWidgetItem* Node(const QString& caption) const
    {
        auto* tree = Named<QTreeWidget>(Window.get(), "TreeView1");
        QList<QTreeWidgetItem*> found = tree->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
        EXPECT_FALSE(found.isEmpty()) << caption.toStdString();
        return found.isEmpty() ? nullptr : found.first();
    }

    TempDir Temp;
    TScriptedMessages Messages;
    TFakeFileDialogs Dialogs;
    std::unique_ptr<TfmMain> Window;
    QStringList Offered;
};

} // namespace

TEST_F(LanguagesTabTest, ShowsTheProjectsLanguagesAndTextTree)
{
    EXPECT_EQ(Languages()->currentText(), QStringLiteral("Neutral"));
    auto* tree = Named<QTreeWidget>(Window.get(), "TreeView1");
    QStringList groups;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        groups << tree->topLevelItem(i)->text(0);
    EXPECT_EQ(groups,
              QStringList({"Messages", "Welcome Screen", "License Agreement Screen", "Finish Screen", "Buttons"}));
    int texts = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        texts += tree->topLevelItem(i)->childCount();
    EXPECT_EQ(texts, int(TextKeyTable().size()));

    auto* preview = Named<TfrmContainter>(Window.get(), "frmContainter");
    auto* licence = Named<TfrmMemoEditor>(Window.get(), "frmMemoEditor");
    auto* text = Named<TfrmStringEditor>(Window.get(), "frmStringEditor");
    ASSERT_TRUE(preview && licence && text);
    tree->setCurrentItem(Node(QStringLiteral("Welcome Screen")));
    EXPECT_TRUE(preview->isVisibleTo(Window.get()) || !preview->isHidden());
    EXPECT_EQ(ShownPage(preview), "frmWelcome");
    tree->setCurrentItem(Node(QStringLiteral("Finish Screen")));
    EXPECT_EQ(ShownPage(preview), "frmFinish");
    tree->setCurrentItem(Node(QStringLiteral("License agreement")));
    EXPECT_FALSE(licence->isHidden());
    EXPECT_TRUE(preview->isHidden());
    EXPECT_EQ(licence->LicencePath(), Temp.File("EULA_Neutral.txt"));
    tree->setCurrentItem(Node(QStringLiteral("Top String")));
    EXPECT_FALSE(text->isHidden());
    EXPECT_TRUE(licence->isHidden());
    EXPECT_EQ(text->Resource()->Key(), "1.TopString");
}

TEST_F(LanguagesTabTest, AddingALanguageCopiesTextsAndLicenceAndSelectsIt)
{
    Temp.Write("EULA_Neutral.txt", "{\\rtf1 Neutral licence\\par}");
    AddLanguage(QStringLiteral("German"), QStringLiteral("Neutral"));
    // Every language of the table the project lacks, in table order.
    QStringList expected;
    for (const TLanguageRow& row : LanguageTable())
        if (!Window->LanguageManager().Languages().Find(row.Id) || row.Id == 7)
            expected << QString::fromLatin1(row.Name);
    EXPECT_EQ(Offered, expected);
    EXPECT_FALSE(Offered.contains(QStringLiteral("Neutral")));
    EXPECT_EQ(Languages()->currentText(), QStringLiteral("German"));
    EXPECT_EQ(Window->LanguageManager().CurrentLanguage(), 7);
    EXPECT_EQ(FileText(Temp.File("EULA_German.txt")), "{\\rtf1 Neutral licence\\par}");
    TScrambeledMemIniFile* texts = Window->TextsFile();
    for (const TTextKey& key : TextKeyTable())
        EXPECT_EQ(texts->ReadString("German", key.Key, "<missing>"), texts->ReadString("Neutral", key.Key, "<none>"))
            << key.Key;

    // The string editor now edits German; Neutral stays as it was.
    Named<QTreeWidget>(Window.get(), "TreeView1")->setCurrentItem(Node(QStringLiteral("String 1")));
    auto* current = Named<QPlainTextEdit>(Window.get(), "Memo2");
    current->selectAll();
    QTest::keyClicks(current, "Willkommen");
    EXPECT_EQ(texts->ReadString("German", "1.String1", ""), "Willkommen");
    EXPECT_NE(texts->ReadString("Neutral", "1.String1", ""), "Willkommen");
    AddLanguage(QStringLiteral("French"), QStringLiteral("German"));
    EXPECT_FALSE(Offered.contains(QStringLiteral("German")));
    EXPECT_EQ(texts->ReadString("French", "1.String1", ""), "Willkommen");
}

TEST_F(LanguagesTabTest, AnExistingLicenceOfTheNewLanguageStays)
{
    Temp.Write("EULA_German.txt", "Alte deutsche Lizenz");
    AddLanguage(QStringLiteral("German"), QStringLiteral("Neutral"));
    EXPECT_EQ(FileText(Temp.File("EULA_German.txt")), "Alte deutsche Lizenz");
}

TEST_F(LanguagesTabTest, DeletingALanguageSelectsTheFirstEntry)
{
    AddLanguage(QStringLiteral("German"), QStringLiteral("Neutral"));
    AddLanguage(QStringLiteral("French"), QStringLiteral("Neutral"));
    QStringList before = LanguageNames();
    ASSERT_TRUE(before.contains(QStringLiteral("German")));
    Languages()->setCurrentIndex(Languages()->findText(QStringLiteral("German")));

    Messages.Answer(TAnswer::No);
    Named<QPushButton>(Window.get(), "btDeleteLanguage")->click();
    EXPECT_EQ(LanguageNames(), before);
    EXPECT_EQ(Messages.Texts().back(), "Are you sure you want to remove the selected language?");

    Messages.Answer(TAnswer::Yes);
    Named<QPushButton>(Window.get(), "btDeleteLanguage")->click();
    QStringList after = before;
    after.removeAll(QStringLiteral("German"));
    EXPECT_EQ(LanguageNames(), after);
    EXPECT_EQ(Languages()->currentIndex(), 0);
    EXPECT_EQ(Window->LanguageManager().CurrentLanguage(), LanguageFromName(after.first().toStdString()));
    EXPECT_EQ(Window->TextsFile()->ReadString("German", "1.String1", "<gone>"), "<gone>");
    EXPECT_TRUE(FileExists(Temp.File("EULA_German.txt")));

    Messages.Clear();
    Languages()->setCurrentIndex(Languages()->findText(QStringLiteral("Neutral")));
    Named<QPushButton>(Window.get(), "btDeleteLanguage")->click();
    ASSERT_EQ(Messages.Texts().size(), 1u);
    EXPECT_EQ(Messages.Texts()[0], "You can not delete the Neutral language!");
    EXPECT_EQ(LanguageNames(), after);
}

TEST_F(LanguagesTabTest, SavingWritesTheLicenceBeingEdited)
{
    Named<QTreeWidget>(Window.get(), "TreeView1")->setCurrentItem(Node(QStringLiteral("License agreement")));
    auto* box = Named<QTextEdit>(Window.get(), "RichEdit");
    box->moveCursor(QTextCursor::Start);
    box->insertPlainText(QStringLiteral("Zusatz "));
    ASSERT_TRUE(Window->Save());
    EXPECT_EQ(ReadRtf(FileText(Temp.File("EULA_Neutral.txt"))).PlainText().rfind("Zusatz ", 0), 0u);
}
