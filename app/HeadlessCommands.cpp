#include "app/HeadlessCommands.h"

#include "package/BuildDriver.h"
#include "package/InfWriter.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "model/ProjectJson.h"
#include "storage/LanguageManager.h"
#include "storage/uScramble.h"

#include <ostream>

namespace {

const char* const kUsage =
    "Usage:\n"
    "  VeltrinInstaller [PROJECT.vip] [nosplash]   start the builder\n"
    "  VeltrinInstaller --inf PROJECT.vip          print the project's CAB Wizard .inf\n"
    "  VeltrinInstaller --build PROJECT.vip [--only BUILDNAME]... [--remove-missing]\n"
    "                                              make the packages of the project's builds\n"
    "  VeltrinInstaller --export PROJECT.vip [OUT.json]\n"
    "                                              write the project as JSON text (to standard output\n"
    "                                              without OUT.json)\n"
    "  VeltrinInstaller --import PROJECT.json OUT.vip\n"
    "                                              write the binary project of a JSON project\n"
    "  VeltrinInstaller --help | --version\n"
    "--inf and --build also take a PROJECT.json.\n";

bool IsOption(const std::string& arg)
{
    return arg.size() > 2 && arg[0] == '-' && arg[1] == '-';
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
    void Log(const std::string& line) override { FOut << line << "\n" << std::flush; }

    bool ConfirmMissingFiles(const std::vector<TFile*>& files) override
    {
        for (const TFile* file : files)
            Log((FOptions.RemoveMissing ? "Removed, source missing: " : "Source missing: ") +
                file->GetHostSourcePath());
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

    void ShowInformation(const std::string& text) override { FOut << text << "\n" << std::flush; }
    void ShowError(const std::string& text) override { FErr << WithLineEnd(text) << std::flush; }
    void ShowFailure(const std::string& text) override { FErr << WithLineEnd(text) << std::flush; }
    void AddTestBuilds(const std::vector<std::string>& packages) override
    {
        for (const std::string& package : packages)
            FOut << "Package: " << package << "\n";
        FOut << std::flush;
    }

private:
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
};


}

bool IsHeadlessCommand(const std::vector<std::string>& args)
{
    for (const auto& arg : args)
        if (IsOption(arg))
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

int RunHeadless(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        (args.empty() ? err : out) << kUsage;
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        out << "Veltrin Installer " << VI_VERSION << "\n";
        return 0;
    }
    if (args[0] == "--inf") {
        if (args.size() != 2) {
            err << "--inf takes one project file.\n" << kUsage;
            return 2;
        }
        return RunInfCommand(args[1], out, err);
    }
    if (args[0] == "--export") {
        if (args.size() != 2 && args.size() != 3) {
            err << "--export takes one project file and an optional output file.\n" << kUsage;
            return 2;
        }
        return RunExportCommand(args[1], args.size() == 3 ? args[2] : std::string(), out, err);
    }
    if (args[0] == "--import") {
        if (args.size() != 3) {
            err << "--import takes one JSON project and the project file to write.\n" << kUsage;
            return 2;
        }
        return RunImportCommand(args[1], args[2], err);
    }
    if (args[0] == "--build") {
        TBuildCommandOptions options;
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--only" && i + 1 < args.size()) {
                options.Only.push_back(args[++i]);
            } else if (args[i] == "--remove-missing") {
                options.RemoveMissing = true;
            } else if (args[i] == "--sign-pkcs12" && i + 1 < args.size()) {
                // The build runs in the project folder: a relative path is
                // taken from where the command was given.
                options.Signing.Pkcs12 = ExpandFileName(args[++i]);
            } else if (args[i] == "--sign-timestamp" && i + 1 < args.size()) {
                options.Signing.TimestampUrl = args[++i];
            } else if (!IsOption(args[i]) && options.ProjectPath.empty()) {
                options.ProjectPath = args[i];
            } else {
                err << "--build: unexpected " << args[i] << ".\n" << kUsage;
                return 2;
            }
        }
        if (options.ProjectPath.empty()) {
            err << "--build takes one project file.\n" << kUsage;
            return 2;
        }
        if (!options.Signing.TimestampUrl.empty() && !options.Signing.Enabled()) {
            err << "--sign-timestamp needs --sign-pkcs12.\n";
            return 2;
        }
        options.Signing.Password = GetEnvironmentText(TPackageSigner::PasswordVariable);
        return RunBuildCommand(options, out, err);
    }
    err << "Unknown option " << args[0] << ".\n" << kUsage;
    return 2;
}
