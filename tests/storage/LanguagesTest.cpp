#include "storage/LanguageManager.h"
#include "storage/Languages.h"
#include "storage/MessageBox.h"
#include "storage/Resource.h"
#include "storage/TextKeys.h"
#include "storage/uScramble.h"

#include "common/Exception.h"
#include "common/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

class RecordingMessageBox : public TMessageBox {
public:
    void ShowMessage(const std::string& text) override { Shown.push_back(text); }
    std::vector<std::string> Shown;
};

std::vector<int32_t> Ids(const TLanguages& languages)
{
    std::vector<int32_t> ids;
    for (int i = 0; i < languages.Count(); ++i)
        ids.push_back(languages.Items(i)->FLanguage);
    return ids;
}

// A texts file with the given plain content, loaded, and a manager over it.
struct Project {
    explicit Project(const std::string& plain)
    {
        WriteFileAtomic(dir.File("p_res.dat"), ScrambleText(plain));
        texts = std::make_unique<TScrambeledMemIniFile>(dir.File("p_res.dat"));
        manager.LoadLanguages(texts.get());
    }
    TempDir dir;
    RecordingMessageBox messages;
    std::unique_ptr<TScrambeledMemIniFile> texts;
    TLanguageManager manager{&messages};
};

const char* const ThreeLanguages =
    "[German]\r\n1.String1=Willkommen\r\n\r\n"
    "[Neutral]\r\n1.String1=Welcome\r\n\r\n"
    "[Klingon]\r\n1.String1=nuqneH\r\n\r\n"
    "[English]\r\n1.String1=Welcome\r\n2.EULA=EULA\r\n4.BackBtn=< Back\r\n\r\n";

} // namespace

TEST(LanguageTable, NamesAndIds)
{
    struct Case {
        int32_t id;
        const char* name;
    } cases[] = {{9, "English"},   {0, "Neutral"},  {99, "99"},       {-3, "-3"},
                 {2, "Bulgarian"}, {46, "Sorbian"}, {34, "Ukranian"}, {17, "Japanese"}};
    for (const Case& c : cases)
        EXPECT_EQ(LanguageName(c.id), c.name) << c.id;

    EXPECT_EQ(LanguageFromName("english"), 9);
    EXPECT_EQ(LanguageFromName("SORBIAN"), 46);
    EXPECT_EQ(LanguageFromName("99"), 99);
    EXPECT_EQ(LanguageFromName("-5"), -5);
    for (const char* bad : {"Klingon", "", "12abc", " 12", "99999999999"}) {
        try {
            LanguageFromName(bad);
            FAIL() << "accepted " << bad;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

TEST(LanguageTable, EveryRowHasItsOwnNameAndId)
{
    std::set<int32_t> ids;
    std::set<std::string> names;
    for (const TLanguageRow& row : LanguageTable()) {
        EXPECT_TRUE(ids.insert(row.Id).second) << row.Name;
        EXPECT_TRUE(names.insert(row.Name).second) << row.Name;
        EXPECT_EQ(LanguageFromName(LanguageName(row.Id)), row.Id) << row.Name;
    }
    EXPECT_EQ(LanguageTable().size(), 41u);
    EXPECT_STREQ(LanguageTable().front().Name, "English");
}

TEST(Languages, FindSearchesFromTheEnd)
{
    TLanguages list;
    list.Add(9);
    TLanguageItem* second = list.Add(9);
    list.Add()->FLanguage = 7;
    EXPECT_EQ(list.Find(9), second);
    EXPECT_EQ(list.Find(12), nullptr);
    EXPECT_EQ(list.Items(2)->GetDisplayName(), "German");
    list.Delete(0);
    EXPECT_EQ(Ids(list), (std::vector<int32_t>{9, 7}));
    TLanguages copy;
    copy.Assign(list);
    EXPECT_EQ(Ids(copy), Ids(list));
}

TEST(LanguageManager, LoadsLanguagesInTableOrder)
{
    Project p(ThreeLanguages);
    EXPECT_EQ(Ids(p.manager.Languages()), (std::vector<int32_t>{9, 7, 0}));
    EXPECT_EQ(p.manager.CurrentLanguage(), 0);
}

TEST(LanguageManager, AddCopiesTheTextsOfTheBaseLanguage)
{
    Project p(ThreeLanguages);
    ASSERT_TRUE(p.manager.AddLanguage(12, 9));
    EXPECT_EQ(Ids(p.manager.Languages()), (std::vector<int32_t>{9, 7, 0, 12}));
    EXPECT_EQ(p.texts->PlainText(), std::string(ThreeLanguages) +
                                        "[French]\r\n1.String1=Welcome\r\n2.EULA=EULA\r\n4.BackBtn=< Back\r\n\r\n"
                                        "[General]\r\nFrench=1\r\n\r\n");
    EXPECT_TRUE(p.messages.Shown.empty());

    TStringResource text("1.String1", p.texts.get(), "String 1");
    text.SetText("Bienvenue", 12);
    EXPECT_EQ(text.GetText(12), "Bienvenue");
    EXPECT_EQ(text.GetText(9), "Welcome");

    // Changes reach the disk with the save, unknown sections included.
    p.texts->UpdateFile();
    TScrambeledMemIniFile reloaded(p.dir.File("p_res.dat"));
    TLanguageManager again;
    again.LoadLanguages(&reloaded);
    EXPECT_EQ(Ids(again.Languages()), (std::vector<int32_t>{9, 7, 12, 0}));
    EXPECT_EQ(reloaded.ReadString("Klingon", "1.String1", ""), "nuqneH");
    EXPECT_EQ(reloaded.ReadString("French", "1.String1", ""), "Bienvenue");
}

TEST(LanguageManager, AddRefusesALanguageAlreadyThere)
{
    Project p(ThreeLanguages);
    std::string before = p.texts->PlainText();
    EXPECT_FALSE(p.manager.AddLanguage(7, 9));
    EXPECT_EQ(p.messages.Shown, std::vector<std::string>{"Language already added!"});
    EXPECT_EQ(p.texts->PlainText(), before);
    EXPECT_EQ(p.manager.Languages().Count(), 3);
}

TEST(LanguageManager, AddBasedOnALanguageWithoutSectionGivesAnEmptySection)
{
    Project p("[English]\r\nx=1\r\n\r\n");
    ASSERT_TRUE(p.manager.AddLanguage(10, 12));
    std::vector<std::string> sections;
    p.texts->ReadSections(sections);
    EXPECT_EQ(sections, (std::vector<std::string>{"English", "Spanish", "General"}));
    std::vector<std::string> lines;
    p.texts->ReadSectionValues("Spanish", lines);
    EXPECT_TRUE(lines.empty());
}

TEST(LanguageManager, AddingNeutralAddsTheItemOnly)
{
    Project p("[English]\r\nx=1\r\n\r\n");
    std::string before = p.texts->PlainText();
    ASSERT_TRUE(p.manager.AddLanguage(0, 9));
    EXPECT_EQ(Ids(p.manager.Languages()), (std::vector<int32_t>{9, 0}));
    EXPECT_EQ(p.texts->PlainText(), before);
}

TEST(LanguageManager, DeleteRules)
{
    Project p(ThreeLanguages);
    ASSERT_TRUE(p.manager.AddLanguage(12, 9));
    EXPECT_FALSE(p.manager.DeleteLanguage(0));
    EXPECT_FALSE(p.manager.DeleteLanguage(10));
    EXPECT_EQ(p.messages.Shown,
              (std::vector<std::string>{"You cannot delete the Netural language!", "Language is not in the list!"}));

    TStringResource text("1.String1", p.texts.get(), "String 1");
    text.SetText("Bienvenue", 12);
    ASSERT_TRUE(p.manager.DeleteLanguage(12));
    EXPECT_EQ(Ids(p.manager.Languages()), (std::vector<int32_t>{9, 7, 0}));
    std::vector<std::string> lines;
    p.texts->ReadSectionValues("French", lines);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(p.texts->ReadString("General", "French", ""), "1");

    // Adding it again copies the texts afresh.
    ASSERT_TRUE(p.manager.AddLanguage(12, 9));
    EXPECT_EQ(text.GetText(12), "Welcome");
}

TEST(LanguageManager, CurrentLanguage)
{
    Project p(ThreeLanguages);
    p.manager.SetCurrentLanguage(7);
    EXPECT_EQ(p.manager.CurrentLanguage(), 7);
    try {
        p.manager.SetCurrentLanguage(12);
        FAIL() << "accepted a language the project lacks";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Language not in the list!");
    }
    EXPECT_EQ(p.manager.CurrentLanguage(), 7);
    // A deleted language cannot stay the one being edited: editing it would
    // bring its section back behind the list's back.
    ASSERT_TRUE(p.manager.DeleteLanguage(7));
    EXPECT_EQ(p.manager.CurrentLanguage(), 0);
}

TEST(TextKeys, TableAndResources)
{
    const auto& keys = TextKeyTable();
    ASSERT_EQ(keys.size(), 27u);
    EXPECT_EQ(TextKeyGroups(), (std::vector<std::string>{"Messages", "Welcome Screen", "License Agreement Screen",
                                                         "Finish Screen", "Buttons"}));
    std::set<std::string> unique;
    int memos = 0;
    TempDir dir;
    TScrambeledMemIniFile texts(dir.File("t.dat"));
    for (const TTextKey& key : keys) {
        EXPECT_TRUE(unique.insert(key.Key).second) << key.Key;
        auto resource = CreateResource(key, &texts);
        EXPECT_EQ(resource->Key(), key.Key);
        EXPECT_EQ(resource->Caption(), key.Caption);
        bool memo = dynamic_cast<TMemoResource*>(resource.get()) != nullptr;
        EXPECT_EQ(memo, std::string(key.Key) == LicenceKey) << key.Key;
        memos += memo;
        EXPECT_EQ(resource->GetText(9), "") << "a key the section lacks reads empty";
    }
    EXPECT_EQ(memos, 1);
    EXPECT_EQ(TResource("x", &texts, "X").GetText(9), "");
}

TEST(TextKeys, LicenceFileNames)
{
    EXPECT_EQ(LicenceFileName("EULA", 9), "EULA_English.txt");
    EXPECT_EQ(LicenceFileName("EULA", 0), "EULA_Neutral.txt");
    EXPECT_EQ(LicenceFileName("Terms", 46), "Terms_Sorbian.txt");
    // The name comes from a file the author may have received from anyone.
    EXPECT_EQ(LicenceFileName("..\\..\\evil", 9), "....evil_English.txt");
    EXPECT_EQ(LicenceFileName("../x", 9), "..x_English.txt");
    EXPECT_EQ(LicenceFileName("", 9), "EULA_English.txt");
    EXPECT_EQ(LicenceFileName("..", 9), "EULA_English.txt");

    TempDir dir;
    TScrambeledMemIniFile texts(dir.File("t.dat"));
    texts.WriteString("German", "2.EULA", "Lizenz");
    EXPECT_EQ(LicenceFilePath(dir.Path(), 7, texts), dir.File("Lizenz_German.txt"));
}
