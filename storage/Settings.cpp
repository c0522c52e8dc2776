#include "storage/Settings.h"

#include "common/AnsiText.h"
#include "common/DebugTrace.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <QSettings>
#include <QString>
#include <QSysInfo>
#include <QVariant>

#include <fstream>
#include <vector>

namespace {

const char* const SettingNames[] = {"company",
                                    "recent1",
                                    "recent2",
                                    "recent3",
                                    "recent4",
                                    "lastfolder",
                                    "signpkcs12",
                                    "signtimestamp",
                                    "filecolumns",
                                    "dllcolumns",
                                    "shortcutcolumns",
                                    "devicesignpkcs12",
                                    "devicesigntimestamp",
                                    "devicesigndigest"};

QString ToQt(const std::string& ansi)
{
    return QString::fromStdString(AnsiToUtf8(ansi));
}

std::string FromQt(const QString& text)
{
    return Utf8ToAnsiLossy(text.toStdString());
}

bool OnWindows()
{
    return QSysInfo::kernelType() == QLatin1String("winnt");
}

} // namespace

TSettings::TSettings(const std::string& organization, const std::string& application)
    : FOrganization(organization), FApplication(application), FCompanySource(&TSettings::HostDefaultCompany)
{
}

TSettings::~TSettings() = default;

int TSettings::SettingIndex(const std::string& name)
{
    for (int i = 0; i < SettingCount; ++i)
        if (SameText(name, SettingNames[i]))
            return i;
    return -1;
}

void TSettings::LoadSettings()
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, ToQt(FOrganization), ToQt(FApplication));
    store.beginGroup(QStringLiteral("Options"));
    std::array<std::string, SettingCount> values;
    bool wrongType = false;
    for (int i = 0; i < SettingCount; ++i) {
        QVariant value = store.value(QString::fromLatin1(SettingNames[i]));
        if (!value.isValid())
            continue;
        if (value.typeId() != QMetaType::QString) {
            wrongType = true;
            break;
        }
        values[i] = Trim(FromQt(value.toString()));
    }
    store.endGroup();
    if (wrongType)
        values.fill(std::string());
    FValues = values;

    if (FValues[Company].empty()) {
        std::optional<std::string> company = FCompanySource ? FCompanySource() : std::nullopt;
        FValues[Company] = Trim(company.value_or("<none>"));
    }
}

void TSettings::SaveSettings() const
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, ToQt(FOrganization), ToQt(FApplication));
    store.beginGroup(QStringLiteral("Options"));
    for (int i = 0; i < SettingCount; ++i)
        store.setValue(QString::fromLatin1(SettingNames[i]), ToQt(FValues[i]));
    store.endGroup();
    store.sync();
}

std::optional<std::string> TSettings::HostDefaultCompany()
{
    if (!OnWindows())
        return std::nullopt;
    QSettings store(QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\MS SETUP (ACME)\\USER INFO"),
                    QSettings::NativeFormat);
    QVariant value = store.value(QStringLiteral("DefCompany"));
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return std::nullopt;
    return FromQt(value.toString());
}

std::string TSettings::ReadSetting(const std::string& name) const
{
    int index = SettingIndex(name);
    if (index < 0) {
        DebugTrace("TSettings: unknown setting " + name);
        return std::string();
    }
    return FValues[index];
}

void TSettings::WriteSetting(const std::string& name, const std::string& value)
{
    int index = SettingIndex(name);
    if (index < 0) {
        DebugTrace("TSettings: unknown setting " + name);
        return;
    }
    FValues[index] = Trim(value);
}

std::string TSettings::RecentProject(int place) const
{
    if (place < 0 || place >= RecentProjectCount)
        return std::string();
    return FValues[Recent1 + place];
}

namespace {

// Entries are absolute and normalised, so that a project opened as
// "Demo/Demo.vip" from one folder still opens from another, and two
// spellings of one file make one entry.
std::string RecentEntry(const std::string& path)
{
    std::string entry = Trim(path);
    return entry.empty() ? entry : ExpandFileName(entry);
}

} // namespace

int TSettings::RecentProjectIndex(const std::string& path) const
{
    std::string wanted = UpperCase(RecentEntry(path));
    for (int place = 0; place < RecentProjectCount; ++place)
        if (UpperCase(RecentEntry(FValues[Recent1 + place])) == wanted)
            return place;
    return -1;
}

void TSettings::AddRecentProject(const std::string& path)
{
    std::string entry = RecentEntry(path);
    int place = RecentProjectIndex(entry);
    if (place == 0)
        return;
    // Not listed: everything moves down and the last entry drops out.
    // Listed lower down: the entries above it move down over it.
    int from = place < 0 ? RecentProjectCount - 1 : place;
    for (int i = from; i > 0; --i)
        FValues[Recent1 + i] = FValues[Recent1 + i - 1];
    FValues[Recent1] = entry;
}

void TSettings::RemoveRecentProject(const std::string& path)
{
    int place = RecentProjectIndex(path);
    if (place < 0)
        return;
    for (int i = place; i < RecentProjectCount - 1; ++i)
        FValues[Recent1 + i] = FValues[Recent1 + i + 1];
    FValues[Recent1 + RecentProjectCount - 1].clear();
}

std::string GetWindowsName()
{
    if (!OnWindows())
        return std::string();
    // Every Windows that runs this program is of the NT family; GetVersionEx
    // would report at least 5 on all of them.
    QString version = QSysInfo::kernelVersion();
    int major = version.section(QLatin1Char('.'), 0, 0).toInt();
    return major < 5 ? "Windows NT" : "Windows 2000";
}

bool FilesEqual(const std::string& pathA, const std::string& pathB)
{
    if (!FileExists(pathA) || !FileExists(pathB))
        return false;
    int64_t size = FileSize(pathA);
    if (size < 0 || size != FileSize(pathB))
        return false;
    std::ifstream a(pathA, std::ios::binary), b(pathB, std::ios::binary);
    if (!a)
        throw Exception("Cannot open file " + pathA);
    if (!b)
        throw Exception("Cannot open file " + pathB);
    std::vector<char> bufA(64 * 1024), bufB(64 * 1024);
    int64_t left = size;
    while (left > 0) {
        auto chunk = static_cast<std::streamsize>(std::min<int64_t>(left, static_cast<int64_t>(bufA.size())));
        if (!a.read(bufA.data(), chunk))
            throw Exception("Cannot read file " + pathA);
        if (!b.read(bufB.data(), chunk))
            throw Exception("Cannot read file " + pathB);
        if (!std::equal(bufA.begin(), bufA.begin() + chunk, bufB.begin()))
            return false;
        left -= chunk;
    }
    return true;
}
