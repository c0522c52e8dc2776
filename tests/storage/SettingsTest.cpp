#include "storage/Settings.h"

#include "common/Exception.h"
#include "common/Platform.h"
#include "support/TestSupport.h"

#include <QSettings>
#include <QSysInfo>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Points every user-scope QSettings store at a temporary folder (and the
// environment that Qt would otherwise consult at the user's home), so no
// test reads or writes the real settings.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
        setenv("HOME", dir.Path().c_str(), 1);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.Path()));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(dir.Path()));
    }

    TSettings Make(std::optional<std::string> userCompany = std::nullopt)
    {
        TSettings settings(Organization, "1.0");
        settings.SetCompanySource([userCompany] { return userCompany; });
        return settings;
    }

    // Made and loaded from the store.
    TSettings Loaded(std::optional<std::string> userCompany = std::nullopt)
    {
        TSettings settings = Make(std::move(userCompany));
        settings.LoadSettings();
        return settings;
    }

    std::vector<std::string> Recent(const TSettings& s)
    {
        std::vector<std::string> list;
        for (int i = 0; i < RecentProjectCount; ++i)
            list.push_back(s.RecentProject(i));
        return list;
    }

    void SetRecent(TSettings& s, const std::vector<std::string>& list)
    {
        for (int i = 0; i < RecentProjectCount; ++i)
            s.WriteSetting("recent" + std::to_string(i + 1), list[i]);
    }

    // A path, and the recent list A B C D after the change with it. The
    // names stand for /p/A and so on; a path starting with "/" is taken as
    // it is.
    struct TRecentCase {
        std::string Path;
        std::vector<std::string> Expected;
    };

    void ExpectRecentAfter(void (TSettings::*change)(const std::string&), const std::vector<TRecentCase>& cases)
    {
        auto full = [](const std::string& name) { return name.empty() || name[0] == '/' ? name : "/p/" + name; };
        for (const TRecentCase& c : cases) {
            TSettings s = Make();
            SetRecent(s, {"/p/A", "/p/B", "/p/C", "/p/D"});
            (s.*change)(full(c.Path));
            std::vector<std::string> expected;
            for (const std::string& name : c.Expected)
                expected.push_back(full(name));
            EXPECT_EQ(Recent(s), expected) << "with " << c.Path;
        }
    }

    const std::string Organization = "Veltrin Installer Test";
    TempDir dir;
};

} // namespace

TEST_F(SettingsTest, CompanyDefaultsToNoneAndThenToTheUserDefault)
{
    TSettings none = Loaded();
    EXPECT_EQ(none.ReadSetting("company"), "<none>");
    EXPECT_EQ(none.ReadSetting("lastfolder"), "");

    TSettings user = Loaded("  Acme Ltd \t");
    EXPECT_EQ(user.ReadSetting("Company"), "Acme Ltd");
}

TEST_F(SettingsTest, SavedCompanyWinsOverTheUserDefault)
{
    TSettings first = Loaded();
    first.WriteSetting("company", "Firm");
    first.SaveSettings();

    TSettings second = Loaded("Acme Ltd");
    EXPECT_EQ(second.ReadSetting("company"), "Firm");
}

TEST_F(SettingsTest, RoundTripThroughTheStore)
{
    TSettings first = Loaded();
    first.WriteSetting("company", "  Caf\xE9 & Co  ");
    first.WriteSetting("lastfolder", "/home/a/My Projects/x, y");
    first.WriteSetting("signpkcs12", "/home/a/keys/Caf\xE9 code signing.p12");
    first.WriteSetting("signtimestamp", "http://timestamp.example.com/rfc3161?a=1");
    first.WriteSetting("devicesignpkcs12", "/home/a/keys/device.pfx");
    first.WriteSetting("devicesigntimestamp", "http://ts.example.org");
    first.WriteSetting("devicesigndigest", "sha256");
    SetRecent(first, {"/p/one.vip", "/p/two.vip", "", "/p/four.vip"});
    first.SaveSettings();
    ASSERT_TRUE(FileExists(dir.File(Organization + "/1.0.conf")));

    TSettings second = Loaded("ignored");
    EXPECT_EQ(second.ReadSetting("company"), "Caf\xE9 & Co");
    EXPECT_EQ(second.ReadSetting("lastfolder"), "/home/a/My Projects/x, y");
    EXPECT_EQ(second.ReadSetting("signpkcs12"), "/home/a/keys/Caf\xE9 code signing.p12");
    EXPECT_EQ(second.ReadSetting("signtimestamp"), "http://timestamp.example.com/rfc3161?a=1");
    EXPECT_EQ(second.ReadSetting("devicesignpkcs12"), "/home/a/keys/device.pfx");
    EXPECT_EQ(second.ReadSetting("devicesigntimestamp"), "http://ts.example.org");
    EXPECT_EQ(second.ReadSetting("devicesigndigest"), "sha256");
    EXPECT_EQ(Recent(second), (std::vector<std::string>{"/p/one.vip", "/p/two.vip", "", "/p/four.vip"}));

    TraceRecorder trace;
    second.WriteSetting("colour", "red");
    EXPECT_EQ(second.ReadSetting("colour"), "");
    EXPECT_EQ(trace.Messages().size(), 2u);
}

TEST_F(SettingsTest, ValueOfAnotherTypeEmptiesEverySetting)
{
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(Organization), "1.0");
        store.setValue("Options/company", "Firm");
        store.setValue("Options/recent1", "/p/one.vip");
        store.setValue("Options/recent2", QStringList{"a", "b"});
    }
    TSettings s = Loaded("Acme Ltd");
    EXPECT_EQ(s.ReadSetting("recent1"), "");
    EXPECT_EQ(s.ReadSetting("company"), "Acme Ltd");
}

TEST_F(SettingsTest, AddRecentProject)
{
    ExpectRecentAfter(&TSettings::AddRecentProject, {{"C", {"C", "A", "B", "D"}},
                                                     {"E", {"E", "A", "B", "C"}},
                                                     {"A", {"A", "B", "C", "D"}},
                                                     {"D", {"D", "A", "B", "C"}},
                                                     {"b", {"b", "A", "C", "D"}},
                                                     // Other spellings of one file are that file.
                                                     {"/p/x/../C", {"C", "A", "B", "D"}},
                                                     {"/p/./D", {"D", "A", "B", "C"}},
                                                     {"/p//E", {"E", "A", "B", "C"}}});

    // A path as typed on a command line goes in as the file it names.
    TSettings relative = Make();
    relative.AddRecentProject("Demo/Demo.vip");
    EXPECT_EQ(relative.RecentProject(0), ExpandFileName("Demo/Demo.vip"));
    EXPECT_EQ(relative.RecentProject(0)[0], '/');

    TSettings empty = Make();
    empty.AddRecentProject("/p/x.vip");
    empty.AddRecentProject("/p/y.vip");
    EXPECT_EQ(Recent(empty), (std::vector<std::string>{"/p/y.vip", "/p/x.vip", "", ""}));
}

TEST_F(SettingsTest, RemoveRecentProject)
{
    ExpectRecentAfter(&TSettings::RemoveRecentProject, {{"B", {"A", "C", "D", ""}},
                                                        {"D", {"A", "B", "C", ""}},
                                                        {"a", {"B", "C", "D", ""}},
                                                        {"Z", {"A", "B", "C", "D"}},
                                                        {"/p/q/../B", {"A", "C", "D", ""}}});
}

TEST_F(SettingsTest, RecentPathsCompareIgnoringTheCaseOfAsciiLettersOnly)
{
    TSettings s = Make();
    SetRecent(s, {"/P/One.vip", "/p/caf\xE9.vip", "", ""});
    EXPECT_EQ(s.RecentProjectIndex("/p/ONE.VIP"), 0);
    EXPECT_EQ(s.RecentProjectIndex("/p/caf\xE9.vip"), 1);
    EXPECT_EQ(s.RecentProjectIndex("/p/CAF\xC9.VIP"), -1);
    EXPECT_EQ(s.RecentProjectIndex("/p/none.vip"), -1);
}

TEST(FilesEqual, ComparesSizeAndEveryByte)
{
    TempDir dir;
    std::string big(200000, 'a');
    std::string bigOther = big;
    bigOther[150001] = 'b';
    dir.Write("a", "hello world");
    dir.Write("b", "hello worle");
    dir.Write("c", "hello world");
    dir.Write("d", "hello");
    dir.Write("e1", "");
    dir.Write("e2", "");
    dir.Write("big1", big);
    dir.Write("big2", big);
    dir.Write("big3", bigOther);
    EXPECT_FALSE(FilesEqual(dir.File("a"), dir.File("b")));
    EXPECT_TRUE(FilesEqual(dir.File("a"), dir.File("c")));
    EXPECT_FALSE(FilesEqual(dir.File("a"), dir.File("d")));
    EXPECT_TRUE(FilesEqual(dir.File("e1"), dir.File("e2")));
    EXPECT_FALSE(FilesEqual(dir.File("a"), dir.File("missing")));
    EXPECT_FALSE(FilesEqual(dir.File("missing"), dir.File("a")));
    EXPECT_TRUE(FilesEqual(dir.File("big1"), dir.File("big2")));
    EXPECT_FALSE(FilesEqual(dir.File("big1"), dir.File("big3")));
}

TEST(WindowsName, NtFamilyOnWindowsAndEmptyElsewhere)
{
    bool windows = QSysInfo::kernelType() == QLatin1String("winnt");
    EXPECT_EQ(GetWindowsName(), windows ? "Windows 2000" : "");
}
