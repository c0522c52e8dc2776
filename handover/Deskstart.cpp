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

bool IsDeviceName(const std::string& ansiName)
{
    std::string base = UpperCase(ansiName.substr(0, ansiName.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (base == device)
            return true;
    // COM1 to COM9, LPT1 to LPT9, and the superscript digits (Windows-1252
    // B9, B2, B3) that Windows takes for 1, 2 and 3 there.
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           ((base[3] >= '1' && base[3] <= '9') || base[3] == '\xB9' || base[3] == '\xB2' || base[3] == '\xB3');
}

// Puts a fresh copy of the files into folder; raises Exception with the
// system's reason when that fails, having removed what it made.
void ReplaceCopy(const std::string& sourceFolder, const std::vector<std::string>& files, const std::string& folder)
{
    RemoveTree(folder);
    if (DirectoryExists(folder))
        throw Exception("Cannot remove the older copy in " + folder + ".");
    if (!ForceDirectories(folder))
        throw Exception("Cannot create the folder " + folder + ": " + SystemErrorMessage(LastSystemError()));
    for (const std::string& name : files) {
        if (!CopyFileNoOverwrite(AppendPath(sourceFolder, name), AppendPath(folder, name))) {
            std::string reason = SystemErrorMessage(LastSystemError());
            RemoveTree(folder);
            throw Exception("Cannot copy " + name + " to " + folder + ": " + reason);
        }
    }
}

// A text of the package's texts, with the rule both programs follow: the
// language's own, else the neutral one. Texts are Windows-1252; UTF-8 out.
std::string PackageText(const TScrambeledMemIniFile& resources, const std::string& language, const std::string& key)
{
    std::string text = resources.ReadString(language, key, "");
    if (text.empty())
        text = resources.ReadString("Neutral", key, "");
    return AnsiToUtf8(text);
}

}

std::string NoResourcesText(const std::string& resourceFile, const std::string& builtIn)
{
    // Opening a missing file would create it.
    if (resourceFile.empty() || !FileExists(resourceFile))
        return builtIn;
    try {
        TScrambeledMemIniFile resources(resourceFile);
        resources.SetAppName(resources.ReadString("General", "AppName", ""));
        resources.SetCompanyName(resources.ReadString("General", "CompanyName", ""));
        std::string text = PackageText(resources, resources.ReadString("General", "Def_Lang", ""), "0.NoResources");
        return text.empty() ? builtIn : text;
    } catch (const std::exception&) {
        return builtIn;
    }
}

std::string SafeFolderName(const std::string& ansiName, const std::string& fallback)
{
    static const std::string bad = "/\\:*?\"<>|";
    std::string name;
    for (char c : ansiName)
        name += static_cast<unsigned char>(c) < 32 || bad.find(c) != std::string::npos ? '_' : c;
    size_t first = name.find_first_not_of(" .");
    size_t last = name.find_last_not_of(" .");
    name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
    if (name.empty())
        return fallback;
    if (IsDeviceName(name))
        name += '_';
    return AnsiToUtf8(name);
}

std::vector<std::string> CabFilesOf(const std::string& iniPath)
{
    std::vector<std::string> files;
    if (!FileExists(iniPath))
        return files;
    auto bytes = ReadFileBytes(iniPath);
    for (const std::string& raw : SplitIniLines(std::string(bytes.begin(), bytes.end()))) {
        std::string line = Trim(raw);
        size_t eq = line.find('=');
        if (line.empty() || line[0] == ';' || eq == std::string::npos ||
            !SameText(Trim(line.substr(0, eq)), "CabFiles"))
            continue;
        std::string list = line.substr(eq + 1);
        for (size_t start = 0; start <= list.size();) {
            size_t comma = list.find(',', start);
            std::string name = Trim(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (!name.empty())
                files.push_back(AnsiToUtf8(name));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
    }
    return files;
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

TDeskstart::TDeskstart(std::string folder) : FFolder(std::move(folder)), FReport(ShowErrorBox)
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

std::string TDeskstart::CopyForHandOver()
{
    std::vector<std::string> files = {FIniFileName};
    for (const std::string& cab : CabFilesOf(AppendPath(FFolder, FIniFileName))) {
        // The names come from a file of the package: nothing outside its folder.
        if (cab.find_first_of("/\\:") != std::string::npos || cab == "..")
            throw Exception("The setup file " + FIniFileName + " names a CAB file outside its folder: " + cab);
        files.push_back(cab);
    }
    std::string company = FResourceFile->ReadString("General", "CompanyName", "");
    std::string application = SafeFolderName(FResourceFile->ReadString("General", "AppName", ""), "Application");
    std::string own = company.empty() ? application : AppendPath(SafeFolderName(company, "_"), application);
    std::vector<std::string> folders;
    if (!FSkipAppManagerFolder)
        folders.push_back(AppendPath(ExtractFilePath(FAppManagerPath), own));
    std::string local = GetLocalAppDataDir();
    if (!local.empty())
        folders.push_back(AppendPath(local, own));
    std::string failure = "no folder to copy them to";
    for (const std::string& folder : folders) {
        try {
            ReplaceCopy(FFolder, files, folder);
            FHandOverFolder = folder;
            return folder;
        } catch (const Exception& e) {
            failure = e.Message();
        }
    }
    throw Exception("The setup files cannot be kept for the Application Manager: " + failure);
}

void TDeskstart::RunAppManager()
{
    auto quoted = [](const std::string& path) {
        std::string text;
        text.reserve(path.size() + 2);
        text.append(1, '"').append(path).append(1, '"');
        return text;
    };
    std::string folder = CopyForHandOver();
    // Started in the folder of the copy, so that nothing it leaves running
    // keeps the temporary folder in use.
    RunGuiAndWait(quoted(FAppManagerPath), quoted(AppendPath(folder, FIniFileName)), folder);
}

std::string TDeskstart::Text(const std::string& key, const std::string& fallback) const
{
    if (!FResourceFile)
        return fallback;
    std::string text = PackageText(*FResourceFile, FResourceFile->ReadString("General", "Def_Lang", ""), key);
    return text.empty() ? fallback : text;
}

// The box is titled with the application's name once the package's texts
// are open; "Error" before.
void TDeskstart::Report(const std::string& text) const
{
    std::string app = FResourceFile ? AnsiToUtf8(FResourceFile->ReadString("General", "AppName", "")) : "";
    FReport(app.empty() ? "Error" : app, text);
}

int TDeskstart::Run()
{
    try {
        ReadIndexFile();
        OpenResourceFile();
    } catch (const std::exception& e) {
        FResourceFile.reset();
        Report(NoResourcesText(FResFileName.empty() ? "" : AppendPath(FFolder, FResFileName), e.what()));
        return kExitFailed;
    }
    try {
        if (!FindAppManager()) {
            Report(Text("0.NoActiveSync", kNoActiveSyncText));
            return kExitFailed;
        }
        RunAppManager();
        return kExitHandedOver;
    } catch (const TStartRefused&) {
        Report(Text("0.ElevationRefused", kElevationRefusedText));
        return kExitCancelled;
    } catch (const std::exception& e) {
        // The package's general error leads; the reason, from the system
        // or the steps above, follows in English.
        std::string lead = Text("0.Error", "");
        Report(lead.empty() ? e.what() : lead + "\r\n\r\n" + e.what());
        return kExitFailed;
    }
}
