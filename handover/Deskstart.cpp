#include "handover/Deskstart.h"

#include "common/AnsiText.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/Registry.h"
#include "common/RunAndWait.h"
#include "storage/uScramble.h"

namespace {

const char* const kAppPathsKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
const char* const kCurrentVersionKey = "\\Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kActiveSyncKey = "\\Software\\Microsoft\\Windows CE Services";
const char* const kAppManagerName = "CeAppMgr.exe";

// A string value of HKEY_LOCAL_MACHINE, without the quotes that some
// installers put around paths; empty when the key or value is missing or
// not readable.
std::string MachineText(const char* key, const char* name, TRegView view)
{
    if (!RegistryKeyExists(TRegRoot::LocalMachine, key, view))
        return std::string();
    std::string text;
    try {
        text = Trim(ReadRegistryValue(TRegRoot::LocalMachine, key, name, view).AsText());
    } catch (const Exception&) {
        return std::string();
    }
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return text;
}

}

std::string ReadPlainIniValue(const std::string& path, const std::string& section, const std::string& key)
{
    if (!FileExists(path))
        return std::string();
    auto bytes = ReadFileBytes(path);
    bool inSection = false;
    for (const std::string& raw : SplitIniLines(std::string(bytes.begin(), bytes.end()))) {
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            inSection = SameText(Trim(line.substr(1, line.size() - 2)), section);
            continue;
        }
        size_t eq = line.find('=');
        if (inSection && eq != std::string::npos && SameText(Trim(line.substr(0, eq)), key))
            return Trim(line.substr(eq + 1));
    }
    return std::string();
}

TDeskstart::TDeskstart(std::string folder) : FFolder(std::move(folder))
{
}

TDeskstart::~TDeskstart() = default;

void TDeskstart::ReadIndexFile()
{
    std::string index = AppendPath(FFolder, "VI.INI");
    // The builder writes the names in Windows-1252; file names here are UTF-8.
    FResFileName = AnsiToUtf8(ReadPlainIniValue(index, "Setup Info", "Res_file"));
    FIniFileName = AnsiToUtf8(ReadPlainIniValue(index, "Setup Info", "ini_file"));
    if (FResFileName.empty() || FIniFileName.empty() || !FileExists(AppendPath(FFolder, FResFileName)) ||
        !FileExists(AppendPath(FFolder, FIniFileName)))
        throw Exception("Setup Wizard could not find the necessery resource files. The setup process will terminate!");
}

void TDeskstart::OpenResourceFile()
{
    FResourceFile = std::make_unique<TScrambeledMemIniFile>(AppendPath(FFolder, FResFileName));
    FResourceFile->SetAppName(FResourceFile->ReadString("General", "AppName", ""));
    FResourceFile->SetCompanyName(FResourceFile->ReadString("General", "CompanyName", ""));
}

bool TDeskstart::FindAppManager()
{
    FAppManagerPath.clear();
    auto found = [this](const std::string& candidate) {
        if (candidate.empty() || !FileExists(candidate))
            return false;
        FAppManagerPath = candidate;
        return true;
    };
    // This program is 32-bit: on 64-bit Windows its default view of
    // HKLM\Software is the redirected one, where ActiveSync and Windows
    // Mobile Device Center (64-bit installers) leave nothing.
    if (found(MachineText(kAppPathsKey, "", TRegView::Registry64)) ||
        found(MachineText(kAppPathsKey, "", TRegView::Default)))
        return true;
    // Windows Mobile Device Center keeps it in the Windows folder.
    std::string windows = GetWindowsDir();
    if (!windows.empty() && found(AppendPath(AppendPath(windows, "WindowsMobile"), kAppManagerName)))
        return true;
    for (TRegView view : {TRegView::Registry64, TRegView::Default}) {
        std::string activeSync = MachineText(kActiveSyncKey, "InstalledDir", view);
        if (!activeSync.empty() && found(AppendPath(activeSync, kAppManagerName)))
            return true;
    }
    std::string programFiles =
        ReadRegistryValue(TRegRoot::LocalMachine, kCurrentVersionKey, "ProgramFilesdir").AsText();
    return found(AppendPath(programFiles, kAppManagerName));
}

void TDeskstart::RunAppManager()
{
    auto quoted = [](const std::string& path) {
        std::string text;
        text.reserve(path.size() + 2);
        text.append(1, '"').append(path).append(1, '"');
        return text;
    };
    RunGuiAndWait(quoted(FAppManagerPath), quoted(AppendPath(FFolder, FIniFileName)));
}

int TDeskstart::Run()
{
    try {
        ReadIndexFile();
        OpenResourceFile();
        if (!FindAppManager())
            throw Exception("No Active Sync found on the system. Setup will terminate!");
        RunAppManager();
    } catch (const std::exception& e) {
        ShowErrorBox("Error", e.what());
    }
    return 0;
}
