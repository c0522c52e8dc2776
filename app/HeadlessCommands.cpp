#include "app/HeadlessCommands.h"

#include "build/InfWriter.h"
#include "common/Exception.h"
#include "model/Project.h"

#include <ostream>

namespace {

const char* const kUsage =
    "Usage:\n"
    "  VeltrinInstaller [PROJECT.vip] [nosplash]   start the builder\n"
    "  VeltrinInstaller --inf PROJECT.vip          print the project's CAB Wizard .inf\n"
    "  VeltrinInstaller --help | --version\n";

bool IsOption(const std::string& arg)
{
    return arg.size() > 2 && arg[0] == '-' && arg[1] == '-';
}

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
        project = OpenProjectFile(projectPath);
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
    err << "Unknown option " << args[0] << ".\n" << kUsage;
    return 2;
}
