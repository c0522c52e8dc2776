#include "package/FreeExtractor.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/RunAndWait.h"

TFreeExtractor::TFreeExtractor(TRunProgram runner) : FRunner(std::move(runner))
{
    if (!FRunner)
        FRunner = [](const std::string& program, const std::string& arguments) { RunAndWait(program, arguments); };
}

std::string TFreeExtractor::ProgramPath() const
{
    std::string tools = FToolsDir.empty() ? AppendPath(GetProgramDir(), "Tools") : FToolsDir;
    return AppendPath(tools, "makesfx.exe");
}

std::string TFreeExtractor::Arguments() const
{
    std::string args;
    args += " /zip=" + QuoteWindowsArgument(FArchive);
    args += " /sfx=" + QuoteWindowsArgument(FOutput);
    args += " /title=" + QuoteWindowsArgument(FTitle);
    args += " /exec=" + QuoteWindowsArgument(FExec);
    if (!FUnpacking.empty())
        args += " /unpacking=" + QuoteWindowsArgument(FUnpacking);
    if (!FFailure.empty())
        args += " /failure=" + QuoteWindowsArgument(FFailure);
    args += FAutoExtract ? " /autoextract" : " /nogui";
    args += " /overwrite";
    return args;
}

void TFreeExtractor::Execute()
{
    // The tool's exit code does not reach us, so an old package left in
    // place would pass for a new one: remove it first and look afterwards.
    if (!DeleteFileIfExists(FOutput))
        throw Exception("Cannot delete the old " + FOutput + ".");
    FRunner(ProgramPath(), Arguments());
    if (!FileExists(FOutput))
        throw Exception("The self-extracting program " + FOutput + " was not created.");
}
