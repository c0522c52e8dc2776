#pragma once

// The desktop launcher of packages that show no wizard page. It runs in the
// folder the self-extractor unpacked the package into: it reads "VI.INI",
// opens the package's resource file, finds the ActiveSync Application
// Manager and hands it the package's .ini file, then waits for it to end.
// The setup wizard takes the same steps one by one around its pages.

#include <memory>
#include <string>

class TScrambeledMemIniFile;

class TDeskstart {
public:
    // folder: the launcher's own folder, where the package files are.
    explicit TDeskstart(std::string folder);
    ~TDeskstart();

    // The whole run. Any failure is shown in one error box; the result is
    // the process exit code, 0 in every case.
    int Run();

    // The steps, each raising Exception with the message the user sees.
    void ReadIndexFile();
    void OpenResourceFile();
    // True when the Application Manager was found; its path is then AppManagerPath().
    bool FindAppManager();
    void RunAppManager();

    const std::string& ResFileName() const { return FResFileName; }
    const std::string& AppManagerPath() const { return FAppManagerPath; }
    const TScrambeledMemIniFile* ResourceFile() const { return FResourceFile.get(); }

private:
    std::string FFolder;
    std::string FResFileName;
    std::string FIniFileName;
    std::string FAppManagerPath;
    std::unique_ptr<TScrambeledMemIniFile> FResourceFile;
};

// A value of a plain INI text file: section and key matched without regard
// to letter case, blanks around "=" dropped. Empty when the file, the
// section or the key is missing.
std::string ReadPlainIniValue(const std::string& path, const std::string& section, const std::string& key);
