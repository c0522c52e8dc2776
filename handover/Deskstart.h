#pragma once

// The desktop launcher of packages that show no wizard page. It runs in the
// folder the self-extractor unpacked the package into: it reads "VI.INI",
// opens the package's resource file, finds the ActiveSync Application
// Manager, copies the package's .ini file and the CAB files it names into a
// folder of the application's own that outlives the temporary one, hands it
// that .ini file and waits for it to end. The setup wizard takes the same
// steps one by one around its pages.

#include <memory>
#include <string>
#include <vector>

// The exit codes of the launcher and the setup wizard, which the
// self-extractor passes on: handed over, failed, cancelled by the user (the
// code Windows Installer uses for that, which deployment tools know).
inline constexpr int kExitHandedOver = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitCancelled = 1602;

// The built-in texts of the launcher and the wizard, for packages whose
// texts lack the message ("0.ElevationRefused", "0.NoActiveSync"): what the
// user sees when the elevation prompt of the Application Manager was
// refused, and when no Application Manager was found.
inline const char* const kElevationRefusedText =
    "The installation was cancelled: the Application Manager was not given the administrator rights it asks for.";
inline const char* const kNoActiveSyncText = "No Active Sync found on the system. Setup will terminate!";

class TScrambeledMemIniFile;

class TDeskstart {
public:
    // folder: the launcher's own folder, where the package files are.
    explicit TDeskstart(std::string folder);
    ~TDeskstart();

    // The whole run. Any failure is shown in one error box, in the words
    // of the package's texts where they have them; the result is the
    // process exit code: kExitHandedOver, kExitFailed, or kExitCancelled
    // when the user refused the Application Manager's elevation prompt.
    int Run();

    // The steps, each raising Exception with the message the user sees.
    void ReadIndexFile();
    void OpenResourceFile();
    // True when the Application Manager was found; its path is then AppManagerPath().
    bool FindAppManager();
    // Copies the hand-over files (CopyForHandOver) and runs the Application
    // Manager on the copy of the .ini file; TStartRefused when the user
    // refused its elevation prompt.
    void RunAppManager();
    // Copies the .ini file and the CAB files it names into the folder the
    // Application Manager gets them from, replacing an older copy of the
    // same application, and returns that folder: <company>\<application>
    // below the Application Manager's own folder when that can be written,
    // else below the user's local application-data folder.
    std::string CopyForHandOver();
    // The Wine tests' seam: Wine lets every user write the Application
    // Manager's folder, so they reach the fallback by skipping it.
    void SkipAppManagerFolder() { FSkipAppManagerFolder = true; }
    // Where Run shows its failures: ShowErrorBox unless a test variant
    // sends them elsewhere.
    void SetErrorReporter(void (*report)(const std::string& caption, const std::string& text)) { FReport = report; }

    // A message of the package's texts (UTF-8) in the build's language,
    // else in "Neutral", else fallback; fallback too before
    // OpenResourceFile. A silent build has no language to choose: its
    // texts file holds its languages like any other build's.
    std::string Text(const std::string& key, const std::string& fallback) const;

    const std::string& ResFileName() const { return FResFileName; }
    const std::string& AppManagerPath() const { return FAppManagerPath; }
    const std::string& HandOverFolder() const { return FHandOverFolder; }
    const TScrambeledMemIniFile* ResourceFile() const { return FResourceFile.get(); }

private:
    void Report(const std::string& text) const;

    std::string FFolder;
    std::string FResFileName;
    std::string FIniFileName;
    std::string FAppManagerPath;
    std::string FHandOverFolder;
    bool FSkipAppManagerFolder = false;
    void (*FReport)(const std::string& caption, const std::string& text);
    std::unique_ptr<TScrambeledMemIniFile> FResourceFile;
};

// A value of a plain INI text file: section and key matched without regard
// to letter case, blanks around "=" dropped. Empty when the file, the
// section or the key is missing.
std::string ReadPlainIniValue(const std::string& path, const std::string& section, const std::string& key);

// A name of the package's texts (Windows-1252) as one safe folder name
// (UTF-8): characters Windows refuses in names and control characters
// become "_", blanks and dots at the ends are dropped, a device name
// ("CON", "lpt1.txt") gets a "_" behind it; an empty result is fallback.
std::string SafeFolderName(const std::string& ansiName, const std::string& fallback);

// The CAB files a .ini file for the Application Manager names (the
// comma-separated CabFiles of each component's section), as UTF-8 file names.
std::vector<std::string> CabFilesOf(const std::string& iniPath);

// The message for a package that lacks some of its files: the package's own
// "0.NoResources" text (UTF-8) in the build's language when its resource
// file (a path, possibly empty) can be read and has one, else builtIn.
std::string NoResourcesText(const std::string& resourceFile, const std::string& builtIn);
