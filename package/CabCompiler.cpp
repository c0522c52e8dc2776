#include "package/CabCompiler.h"

#include "package/InfParser.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <algorithm>

namespace {

const char* const ErrorFileName = "errors.txt";

// Deletes the .inf file however Compile ends.
class TInfFileGuard {
public:
    explicit TInfFileGuard(const std::string& path) : FPath(path) {}
    ~TInfFileGuard() { DeleteFileIfExists(FPath); }

private:
    std::string FPath;
};

// Deletes the staged copies, and then their folder when it is empty,
// however Compile ends; a file of the same name left by a run that was
// killed goes as well.
class TStagedCopiesGuard {
public:
    explicit TStagedCopiesGuard(const std::vector<std::pair<std::string, std::string>>& copies) : FCopies(copies)
    {
        Remove();
    }
    ~TStagedCopiesGuard() { Remove(); }

private:
    void Remove() const
    {
        // Copies may lie in folders of their own inside the staging folder:
        // the deeper folders go first.
        std::set<std::string> folders;
        for (const auto& copy : FCopies) {
            DeleteFileIfExists(copy.second);
            folders.insert(ExcludeTrailingPathDelimiter(ExtractFilePath(copy.second)));
        }
        std::vector<std::string> deepestFirst(folders.begin(), folders.end());
        std::sort(deepestFirst.begin(), deepestFirst.end(),
                  [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
        for (const std::string& folder : deepestFirst)
            RemoveEmptyDirectory(folder);
    }
    const std::vector<std::pair<std::string, std::string>>& FCopies;
};

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i ? "\r\n" : "") + lines[i];
    return text;
}

} // namespace

TCabCompileErrors::TCabCompileErrors(std::vector<std::string> errors, std::string failure)
    : Exception(JoinLines(errors)), FErrors(std::move(errors)), FFailure(std::move(failure))
{
}

void TCabCompiler::SetBuilds(const std::vector<const TBuild*>& builds)
{
    FNeededPairs.clear();
    for (const TBuild* build : builds)
        for (int i = 0; i < build->PairCount(); ++i)
            if (const TPlatformProcPair* pair = build->GetPair(i))
                FNeededPairs.insert(pair->GetPairName());
}

std::vector<std::string> TCabCompiler::NeededSuffixes() const
{
    std::vector<std::string> needed;
    for (const auto& line : FInfLines) {
        std::string suffix;
        if (TInfParser::DeviceSectionSuffix(line, suffix) && IsNeeded(suffix) &&
            std::find(needed.begin(), needed.end(), suffix) == needed.end())
            needed.push_back(suffix);
    }
    return needed;
}

std::vector<std::string> TCabCompiler::ToolArguments() const
{
    std::string cpu;
    bool plainNeeded = false;
    for (const std::string& suffix : NeededSuffixes()) {
        if (suffix.empty())
            plainNeeded = true;
        else
            cpu += " " + suffix;
    }
    // A separator at the end would escape the closing quote of /dest.
    std::string dest = ExcludeTrailingPathDelimiter(FOutputDir);
    std::string args = "\"" + FInfFileName + "\"";
    if (!dest.empty())
        args += " /dest \"" + dest + "\"";
    args += " /err ";
    args += ErrorFileName;
    std::vector<std::string> runs;
    if (!cpu.empty())
        runs.push_back(args + " /cpu" + cpu);
    if (plainNeeded || cpu.empty())
        runs.push_back(args);
    return runs;
}

std::vector<std::string> TCabCompiler::NeededCabFiles() const
{
    std::string base =
        AppendPath(ExcludeTrailingPathDelimiter(FOutputDir), ChangeFileExt(ExtractFileName(FInfFileName), ""));
    std::vector<std::string> files;
    for (const std::string& suffix : NeededSuffixes())
        files.push_back(base + (suffix.empty() ? "" : "." + suffix) + ".CAB");
    return files;
}

void TCabCompiler::WriteInfFile() const
{
    std::string text;
    for (const auto& line : FInfLines)
        text += line + "\r\n";
    try {
        WriteFileAtomic(FInfFileName, text);
    } catch (const Exception&) {
        throw Exception("Cannot create file " + FInfFileName);
    }
}

void TCabCompiler::StageCopies() const
{
    for (const auto& [source, copy] : FStagedCopies) {
        std::string folder = ExcludeTrailingPathDelimiter(ExtractFilePath(copy));
        if (!ForceDirectories(folder))
            throw Exception("Cannot create " + folder + " folder!");
        if (!CopyFileNoOverwrite(source, copy))
            throw Exception("Cannot copy " + source + " to " + copy);
    }
}

void TCabCompiler::ReadErrorFile(std::vector<std::string>& errors) const
{
    std::string path = AppendPath(FOutputDir, ErrorFileName);
    if (!FileExists(path))
        return;
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::string text(bytes.begin(), bytes.end());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find("Error:") != std::string::npos)
            errors.push_back(line);
        start = end + 1;
    }
}

void TCabCompiler::RunTool(std::vector<std::string>& errors)
{
    TInfFileGuard guard(FInfFileName);
    WriteInfFile();
    TStagedCopiesGuard copies(FStagedCopies);
    StageCopies();
    FOutputDir = ExcludeTrailingPathDelimiter(FOutputDir);
    for (const std::string& arguments : ToolArguments()) {
        // The tool writes the bare name "errors.txt" into its current folder,
        // so it runs in the output folder where the file is read back; a
        // stale file from an earlier run must not be taken for its report.
        DeleteFileIfExists(AppendPath(FOutputDir, ErrorFileName));
        RunAndWait(FCabWizPath, arguments, FOutputDir, FBusyHook);
        ReadErrorFile(errors);
    }
}

void TCabCompiler::Compile()
{
    std::vector<std::string> errors;
    // A CAB file of an earlier run must never pass for one of this run,
    // whatever happens below.
    for (const std::string& cab : NeededCabFiles())
        if (!DeleteFileIfExists(cab))
            errors.push_back("Error: the old CAB file " + cab + " cannot be deleted");
    if (!FileExists(FCabWizPath)) {
        errors.push_back("MSCabWiz.exe not found! Compilation aborted!");
        throw TCabCompileErrors(std::move(errors));
    }
    try {
        RunTool(errors);
    } catch (const std::exception& e) {
        // The old CAB files that stayed are reported with the failure.
        if (errors.empty())
            throw;
        throw TCabCompileErrors(std::move(errors), e.what());
    }
    if (!errors.empty())
        throw TCabCompileErrors(std::move(errors));
}
