#include "launcher/Deskstart.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/Registry.h"
#include "common/RunAndWait.h"
#include "storage/uScramble.h"

namespace {

const char* const kAppPathsKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
const char* const kCurrentVersionKey = "\\Software\\Microsoft\\Windows\\CurrentVersion";

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

TDeskstart::TDeskstart(std::string folder) : FFolder(std::move(folder)) {}

TDeskstart::~TDeskstart() = default;

void TDeskstart::ReadIndexFile()
{
    std::string index = AppendPath(FFolder, "VI.INI");
    FResFileName = ReadPlainIniValue(index, "Setup Info", "Res_file");
    FIniFileName = ReadPlainIniValue(index, "Setup Info", "ini_file");
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
    if (RegistryKeyExists(TRegRoot::LocalMachine, kAppPathsKey)) {
        // The key opens: its default value is the path, and an empty or
        // unreadable one just means not found here.
        try {
            FAppManagerPath = ReadRegistryValue(TRegRoot::LocalMachine, kAppPathsKey, "").AsText();
        } catch (const Exception&) {
            FAppManagerPath.clear();
        }
        if (!FAppManagerPath.empty())
            return true;
    }
    std::string programFiles =
        ReadRegistryValue(TRegRoot::LocalMachine, kCurrentVersionKey, "ProgramFilesdir").AsText();
    std::string candidate = AppendPath(programFiles, "CeAppMgr.exe");
    if (FileExists(candidate)) {
        FAppManagerPath = candidate;
        return true;
    }
    return false;
}

void TDeskstart::RunAppManager()
{
    RunAndWait("\"" + FAppManagerPath + "\"", "\"" + AppendPath(FFolder, FIniFileName) + "\"");
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
