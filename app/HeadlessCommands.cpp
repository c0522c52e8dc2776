#include "app/HeadlessCommands.h"

#include "package/BuildDriver.h"
#include "package/InfWriter.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/Terminal.h"
#include "model/Project.h"
#include "model/ProjectJson.h"
#include "import/CabImport.h"
#include "import/InfImport.h"
#include "storage/LanguageManager.h"
#include "storage/uScramble.h"

#include <ostream>

namespace {

// The usage text; "%s" stands for the name the program was started by.
const char* const kUsage =
    "Usage:\n"
    "  %s [PROJECT.vip] [nosplash]   start the builder\n"
    "  %s --inf PROJECT.vip          print the project's CAB Wizard .inf\n"
    "  %s --build PROJECT.vip [--only BUILDNAME]... [--remove-missing] [--quiet]\n"
    "      [--sign-pkcs12 CERT.p12 [--sign-timestamp URL]]\n"
    "      make the packages of the project's builds; --quiet prints no log;\n"
    "      [--sign-device-pkcs12 CERT.p12 [--sign-device-timestamp URL]\n"
    "       [--sign-device-digest sha1|sha256]]\n"
    "      --sign-pkcs12 signs each Setup.exe (password from VI_SIGN_PASSWORD);\n"
    "      --sign-device-pkcs12 signs the programs, setup DLLs and CAB files of\n"
    "      the builds that sign for the device (password from\n"
    "      VI_DEVICE_SIGN_PASSWORD; digest sha1 unless given)\n"
    "  %s --export PROJECT.vip [OUT.json]\n"
    "      write the project as JSON text (to standard output without OUT.json)\n"
    "  %s --import PROJECT.json OUT.vip\n"
    "      write the binary project of a JSON project\n"
    "  %s --import-inf FILE.inf OUT.vip [--cpu LABEL]...\n"
    "      make a project of a CAB Wizard .inf (of the sections of the labels\n"
    "      given, or of all) and print what could not be mapped\n"
    "  %s --import-cab A.CAB [B.CAB ...] OUT.vip\n"
    "      make one project of the CAB files of an application (one per\n"
    "      processor or platform), writing their files into \"OUT files/\"\n"
    "      beside it, and print what could not be mapped\n"
    "  %s --help | --version\n"
    "--inf and --build also take a PROJECT.json. Errors go to standard error;\n"
    "the exit status is 0 on success, 1 when a command failed and 2 for a\n"
    "command line that cannot be read.\n";

std::string UsageText(const std::string& program)
{
    std::string text = kUsage;
    for (size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s", at + program.size()))
        text.replace(at, 2, program);
    return text;
}

bool IsOption(const std::string& arg)
{
    return arg.size() > 2 && arg[0] == '-' && arg[1] == '-';
}

// The options of --build from the words after it; what is wrong with them,
// or empty.
std::string ReadBuildOptions(const std::vector<std::string>& args, TBuildCommandOptions& options)
{
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--only" && i + 1 < args.size()) {
            options.Only.push_back(args[++i]);
        } else if (args[i] == "--remove-missing") {
            options.RemoveMissing = true;
        } else if (args[i] == "--quiet" || args[i] == "-q") {
            options.Quiet = true;
        } else if (args[i] == "--sign-pkcs12" && i + 1 < args.size()) {
            // The build runs in the project folder: a relative path is
            // taken from where the command was given.
            options.Signing.Pkcs12 = ExpandFileName(args[++i]);
        } else if (args[i] == "--sign-timestamp" && i + 1 < args.size()) {
            options.Signing.TimestampUrl = args[++i];
        } else if (args[i] == "--sign-device-pkcs12" && i + 1 < args.size()) {
            options.DeviceSigning.Pkcs12 = ExpandFileName(args[++i]);
        } else if (args[i] == "--sign-device-timestamp" && i + 1 < args.size()) {
            options.DeviceSigning.TimestampUrl = args[++i];
        } else if (args[i] == "--sign-device-digest" && i + 1 < args.size()) {
            options.DeviceSigning.Digest = args[++i];
            if (options.DeviceSigning.Digest != "sha1" && options.DeviceSigning.Digest != "sha256")
                return "--sign-device-digest takes sha1 or sha256.";
        } else if (!IsOption(args[i]) && options.ProjectPath.empty()) {
            options.ProjectPath = args[i];
        } else {
            return "--build: unexpected " + args[i] + ".";
        }
    }
    if (options.ProjectPath.empty())
        return "--build takes one project file.";
    if (!options.Signing.TimestampUrl.empty() && !options.Signing.Enabled())
        return "--sign-timestamp needs --sign-pkcs12.";
    if ((!options.DeviceSigning.TimestampUrl.empty() || !options.DeviceSigning.Digest.empty()) &&
        !options.DeviceSigning.Enabled())
        return "--sign-device-timestamp and --sign-device-digest need --sign-device-pkcs12.";
    return std::string();
}

// The build run's dialogs, answered from the command line: every build (or
// those named) is chosen, the log and the boxes go to the streams.
class THeadlessBuild : public TBuildDriverCallbacks {
public:
    THeadlessBuild(TProject& project, const TLanguages& languages, const TBuildCommandOptions& options,
                   std::ostream& out, std::ostream& err)
        : FProject(project), FLanguages(languages), FOptions(options), FOut(out), FErr(err)
    {
    }

    void ShowLog(bool) override {}
    void Log(const std::string& line) override
    {
        if (FOptions.Quiet)
            return;
        ClearProgress();
        FOut << line << "\n" << std::flush;
    }

    bool ConfirmMissingFiles(const std::vector<TFile*>& files) override
    {
        for (const TFile* file : files) {
            const std::string line =
                (FOptions.RemoveMissing ? "Removed, source missing: " : "Source missing: ") + file->GetHostSourcePath();
            // A quiet run still says what it dropped or why it stopped.
            if (FOptions.Quiet)
                FErr << line << "\n" << std::flush;
            else
                Log(line);
        }
        return FOptions.RemoveMissing;
    }

    bool ChooseBuilds(const TPairList& pairs, std::vector<TBuild*>& chosen) override
    {
        PrepareBuilds(FProject, pairs, FLanguages);
        TBuilds& builds = FProject.Builds();
        for (int i = 0; i < builds.Count(); ++i)
            if (FOptions.Only.empty() || Named(builds.GetBuild(i)->Name()))
                chosen.push_back(builds.GetBuild(i));
        for (const std::string& name : FOptions.Only) {
            bool found = false;
            for (const TBuild* build : chosen)
                found = found || build->Name() == name;
            if (!found)
                throw Exception("The project has no build named \"" + name + "\".");
        }
        return true;
    }

    void ArchiveStarted(const TBuild& build) override { FArchiving = build.Name(); }
    void ArchiveProgress(const std::string& fileName, int percent) override
    {
        if (FOptions.Progress)
            ShowProgress(FArchiving + ": archiving " + fileName + " " + std::to_string(percent) + "%");
    }
    void ArchiveFinished() override { ClearProgress(); }

    void ShowInformation(const std::string& text) override { Log(text); }
    void ShowError(const std::string& text) override
    {
        ClearProgress();
        FErr << WithLineEnd(text) << std::flush;
    }
    void ShowFailure(const std::string& text) override { ShowError(text); }
    void AddTestBuilds(const std::vector<std::string>& packages) override
    {
        for (const std::string& package : packages)
            Log("Package: " + package);
    }

private:
    // The line is redrawn in place: a carriage return, the text cut to the
    // width of a common terminal, and blanks over what a longer line before
    // it left.
    void ShowProgress(std::string text)
    {
        const size_t width = 79;
        if (text.size() > width)
            text = "..." + text.substr(text.size() - (width - 3));
        const size_t shown = text.size();
        if (shown < FProgressWidth)
            text.append(FProgressWidth - shown, ' ');
        FErr << "\r" << text << std::flush;
        FProgressWidth = shown;
    }
    void ClearProgress()
    {
        if (FProgressWidth == 0)
            return;
        FErr << "\r" << std::string(FProgressWidth, ' ') << "\r" << std::flush;
        FProgressWidth = 0;
    }

    bool Named(const std::string& name) const
    {
        for (const std::string& only : FOptions.Only)
            if (only == name)
                return true;
        return false;
    }
    static std::string WithLineEnd(const std::string& text)
    {
        return !text.empty() && text.back() == '\n' ? text : text + "\n";
    }

    TProject& FProject;
    const TLanguages& FLanguages;
    const TBuildCommandOptions& FOptions;
    std::ostream& FOut;
    std::ostream& FErr;
    std::string FArchiving;
    size_t FProgressWidth = 0;
};

}

bool IsHeadlessCommand(const std::vector<std::string>& args)
{
    // "-h" too, as in other programs; other single-dash arguments stay Qt's
    // own (-platform, -style) and go to the window.
    for (const auto& arg : args)
        if (IsOption(arg) || arg == "-h")
            return true;
    return false;
}

int RunInfCommand(const std::string& projectPath, std::ostream& out, std::ostream& err)
{
    std::unique_ptr<TProject> project;
    try {
        project = OpenAnyProjectFile(projectPath);
    } catch (const Exception& e) {
        err << "\"" << e.Message() << "\" error occured while trying to open " << projectPath << ".\n";
        return 1;
    }
    if (project->Files().Count() == 0) {
        err << "There are no files defined!\n";
        return 1;
    }
    TStringList lines;
    try {
        WriteInf(*project, lines);
    } catch (const Exception& e) {
        err << e.Message() << "\n";
        return 1;
    }
    if (project->DefaultFolder())
        ReplaceInstallDir(lines, project->DefaultFolder()->GetMacroPath());
    for (const auto& line : lines)
        out << line << "\r\n";
    out.flush();
    return out ? 0 : 1;
}

int RunBuildCommand(const TBuildCommandOptions& options, std::ostream& out, std::ostream& err)
{
    std::unique_ptr<TProject> project;
    try {
        project = OpenAnyProjectFile(ExpandFileName(options.ProjectPath));
    } catch (const Exception& e) {
        err << "\"" << e.Message() << "\" error occured while trying to open " << options.ProjectPath << ".\n";
        return 1;
    }
    const std::string programDir = options.ProgramDir.empty() ? GetProgramDir() : options.ProgramDir;

    std::unique_ptr<TScrambeledMemIniFile> textsFile;
    TLanguageManager languages;
    try {
        // As when the builder opens a project: a missing texts file starts
        // as a copy of the default texts.
        const std::string textsPath = project->GetResourceFileName();
        if (!FileExists(textsPath))
            CopyFileNoOverwrite(AppendPath(programDir, "Resources.dat"), textsPath);
        textsFile = std::make_unique<TScrambeledMemIniFile>(textsPath);
        languages.LoadLanguages(textsFile.get());
    } catch (const Exception& e) {
        err << e.Message() << "\n";
        return 1;
    }

    TCurrentFolder folder(project->ProjectDir());
    THeadlessBuild callbacks(*project, languages.Languages(), options, out, err);
    TBuildDriver driver(*project, *textsFile, programDir, callbacks);
    if (options.Signing.Enabled())
        driver.SetSigner(std::make_unique<TPackageSigner>(options.Signing));
    if (options.DeviceSigning.Enabled())
        driver.SetDeviceSigning(options.DeviceSigning);
    return driver.Execute() ? 0 : 1;
}

int RunExportCommand(const std::string& projectPath, const std::string& outPath, std::ostream& out, std::ostream& err)
{
    std::string text;
    try {
        std::unique_ptr<TProject> project;
        if (IsJsonProjectPath(projectPath)) {
            const std::vector<uint8_t> bytes = ReadFileBytes(projectPath);
            project = ProjectFromJson(std::string(bytes.begin(), bytes.end()));
        } else {
            // Read as stored: the work folder in the file is exported as it
            // stands, not replaced by the folder the file was found in.
            TMemoryStream stream(ReadFileBytes(projectPath));
            project = std::make_unique<TProject>();
            project->LoadFromStream(stream);
        }
        text = ProjectToJson(*project);
    } catch (const Exception& e) {
        err << "\"" << e.Message() << "\" error occured while trying to export " << projectPath << ".\n";
        return 1;
    }
    if (outPath.empty()) {
        out << text;
        out.flush();
        return out ? 0 : 1;
    }
    try {
        WriteFileAtomic(outPath, text);
    } catch (const Exception& e) {
        err << e.Message() << "\n";
        return 1;
    }
    return 0;
}

int RunImportCommand(const std::string& jsonPath, const std::string& outPath, std::ostream& err)
{
    try {
        const std::vector<uint8_t> bytes = ReadFileBytes(jsonPath);
        std::unique_ptr<TProject> project = ProjectFromJson(std::string(bytes.begin(), bytes.end()));
        SaveProjectFile(*project, outPath);
    } catch (const Exception& e) {
        err << jsonPath << ": " << e.Message() << "\n";
        return 1;
    }
    return 0;
}

int RunImportInfCommand(const std::string& infPath, const std::string& outPath, const std::vector<std::string>& labels,
                        std::ostream& out, std::ostream& err)
{
    TImportResult result;
    try {
        result = ImportInfFile(infPath, TInfImportOptions{labels, ExpandFileName(outPath)});
    } catch (const Exception& e) {
        err << infPath << ": " << e.Message() << "\n";
        return 1;
    }
    try {
        MakeImportCopies(result.FCopies);
        SaveProjectFile(*result.FProject, outPath);
    } catch (const Exception& e) {
        err << e.Message() << "\n";
        return 1;
    }
    out << result.FReport.Text();
    out.flush();
    return out && result.FReport.Clean() ? 0 : 1;
}

int RunImportCabCommand(const std::vector<std::string>& cabPaths, const std::string& outPath, std::ostream& out,
                        std::ostream& err)
{
    TCabImport import;
    try {
        import = ImportCabs(cabPaths, outPath);
    } catch (const Exception& e) {
        err << e.Message() << "\n";
        return 1;
    }
    try {
        WriteCabImportFiles(import);
        SaveProjectFile(*import.FResult.FProject, outPath);
    } catch (const Exception& e) {
        err << e.Message() << "\n";
        return 1;
    }
    out << import.FResult.FReport.Text();
    out.flush();
    return out && import.FResult.FReport.Clean() ? 0 : 1;
}

// The words after --import-inf: the .inf, the project to write and the
// labels; what is wrong with them, or empty.
std::string ReadImportInfOptions(const std::vector<std::string>& args, std::vector<std::string>& files,
                                 std::vector<std::string>& labels)
{
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--cpu" && i + 1 < args.size())
            labels.push_back(args[++i]);
        else if (!IsOption(args[i]) && files.size() < 2)
            files.push_back(args[i]);
        else
            return "--import-inf: unexpected " + args[i] + ".";
    }
    return files.size() == 2 ? std::string() : "--import-inf takes one .inf file and the project file to write.";
}

int RunHeadless(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const std::string& programName)
{
    const std::string usage = UsageText(programName);
    auto usageError = [&](const std::string& problem) {
        err << programName << ": " << problem << "\n"
            << "Try '" << programName << " --help' for more information.\n";
        return 2;
    };
    if (args.empty()) {
        err << usage;
        return 2;
    }
    // Asking for help or the version wins over everything else on the line,
    // as it does in other programs.
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            out << usage;
            out.flush();
            return out ? 0 : 1;
        }
        if (arg == "--version") {
            out << "Veltrin Installer " << VI_VERSION << "\n";
            out.flush();
            return out ? 0 : 1;
        }
    }
    if (args[0] == "--inf") {
        if (args.size() != 2)
            return usageError("--inf takes one project file.");
        return RunInfCommand(args[1], out, err);
    }
    if (args[0] == "--export") {
        if (args.size() != 2 && args.size() != 3)
            return usageError("--export takes one project file and an optional output file.");
        return RunExportCommand(args[1], args.size() == 3 ? args[2] : std::string(), out, err);
    }
    if (args[0] == "--import") {
        if (args.size() != 3)
            return usageError("--import takes one JSON project and the project file to write.");
        return RunImportCommand(args[1], args[2], err);
    }
    if (args[0] == "--import-inf") {
        std::vector<std::string> files, labels;
        if (std::string problem = ReadImportInfOptions(args, files, labels); !problem.empty())
            return usageError(problem);
        return RunImportInfCommand(files[0], files[1], labels, out, err);
    }
    if (args[0] == "--import-cab") {
        std::vector<std::string> files(args.begin() + 1, args.end());
        for (const std::string& file : files)
            if (IsOption(file))
                return usageError("--import-cab: unexpected " + file + ".");
        if (files.size() < 2)
            return usageError("--import-cab takes one or more CAB files and the project file to write.");
        std::string outPath = files.back();
        files.pop_back();
        return RunImportCabCommand(files, outPath, out, err);
    }
    if (args[0] == "--build") {
        TBuildCommandOptions options;
        if (std::string problem = ReadBuildOptions(args, options); !problem.empty())
            return usageError(problem);
        options.Signing.Password = GetEnvironmentText(TPackageSigner::PasswordVariable);
        options.DeviceSigning.Password = GetEnvironmentText(TPackageSigner::DevicePasswordVariable);
        ShareOnePassword(options.DeviceSigning, options.Signing);
        options.Progress = !options.Quiet && StandardErrorIsTerminal();
        return RunBuildCommand(options, out, err);
    }
    return usageError("unknown option " + args[0] + ".");
}
