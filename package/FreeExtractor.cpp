#include "package/FreeExtractor.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/RunAndWait.h"

namespace {

// A value between double quotes as Windows programs split their command
// line: a quote inside the value is escaped, and so are the backslashes in
// front of it or at the end (which would otherwise escape the closing
// quote). Paths and plain titles come out unchanged.
std::string Quoted(const std::string& value)
{
    std::string result = "\"";
    size_t backslashes = 0;
    for (char c : value) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            result.append(backslashes * 2 + 1, '\\');
        } else {
            result.append(backslashes, '\\');
        }
        backslashes = 0;
        result += c;
    }
    result.append(backslashes * 2, '\\');
    result += '"';
    return result;
}

} // namespace

TFreeExtractor::TFreeExtractor(TRunProgram runner) : FRunner(std::move(runner))
{
    if (!FRunner)
        FRunner = [](const std::string& program, const std::string& arguments) {
            RunAndWait(program, arguments);
        };
}

std::string TFreeExtractor::ProgramPath() const
{
    std::string tools = FToolsDir.empty() ? AppendPath(GetProgramDir(), "Tools") : FToolsDir;
    return AppendPath(tools, "makesfx.exe");
}

std::string TFreeExtractor::Arguments() const
{
    std::string args;
    args += " /zip=" + Quoted(FArchive);
    args += " /sfx=" + Quoted(FOutput);
    args += " /title=" + Quoted(FTitle);
    args += " /exec=" + Quoted(FExec);
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
