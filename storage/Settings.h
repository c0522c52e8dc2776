#pragma once

// The builder's settings: the company name new projects start with, the
// folder of the last project created, the four most recently used
// project files and how packages are signed (the certificate file and the
// time-stamping service; never the certificate's password). They are read once at start-up and written once at exit.
//
// Stored through QSettings in its native format: on Windows the string
// values of HKEY_CURRENT_USER\Software\Veltrin Installer\1.0\Options, on
// other hosts the "Options" group of the user's configuration file
// "Veltrin Installer/1.0.conf". This is the one unit of storage/ that uses Qt.

#include <array>
#include <functional>
#include <optional>
#include <string>

inline constexpr int RecentProjectCount = 4;

class TSettings {
public:
    // Where the user's own default company name comes from; nullopt when
    // the host has none. The default reads the Windows registry and has
    // nothing elsewhere.
    using TCompanySource = std::function<std::optional<std::string>()>;

    // organization and application name the settings key; tests pass their
    // own (and a store path of their own) so that they never meet the user's.
    explicit TSettings(const std::string& organization = "Veltrin Installer", const std::string& application = "1.0");
    ~TSettings();

    void SetCompanySource(TCompanySource source) { FCompanySource = std::move(source); }

    void LoadSettings();
    // Errors while saving are ignored: there is nobody left to tell at exit.
    void SaveSettings() const;

    // One setting by name ("company", "recent1" .. "recent4", "lastfolder",
    // "signpkcs12", "signtimestamp", the device signature's
    // "devicesignpkcs12", "devicesigntimestamp", "devicesigndigest", and the
    // column shares of the list tabs "filecolumns", "dllcolumns",
    // "shortcutcolumns"),
    // in memory. Values are Windows-1252 text; writing trims them.
    std::string ReadSetting(const std::string& name) const;
    void WriteSetting(const std::string& name, const std::string& value);

    // Places 0..3 of the recent-projects list; an empty text is an empty place.
    std::string RecentProject(int place) const;
    // The first place whose path matches (letters a-z in any case); -1 when none.
    int RecentProjectIndex(const std::string& path) const;
    void AddRecentProject(const std::string& path);
    void RemoveRecentProject(const std::string& path);

    // The user default company of the host (Windows: "DefCompany" of
    // HKCU\SOFTWARE\MICROSOFT\MS SETUP (ACME)\USER INFO), or nullopt.
    static std::optional<std::string> HostDefaultCompany();

private:
    enum {
        Company,
        Recent1,
        Recent2,
        Recent3,
        Recent4,
        LastFolder,
        SignPkcs12,
        SignTimestamp,
        FileColumns,
        DllColumns,
        ShortcutColumns,
        DeviceSignPkcs12,
        DeviceSignTimestamp,
        DeviceSignDigest,
        SettingCount
    };
    static int SettingIndex(const std::string& name);

    std::string FOrganization;
    std::string FApplication;
    TCompanySource FCompanySource;
    std::array<std::string, SettingCount> FValues;
};

// The name of the running Windows version as the builder distinguishes them
// ("Windows NT" before version 5, "Windows 2000" from then on); empty on
// hosts that are not Windows.
std::string GetWindowsName();

// True when both files exist, have the same size and the same bytes.
// Failing to open or read either file raises Exception.
bool FilesEqual(const std::string& pathA, const std::string& pathB);
