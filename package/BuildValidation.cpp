#include "package/BuildValidation.h"

#include "common/AnsiText.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/SourceDate.h"
#include "formats/MemberName.h"
#include "model/Builds.h"
#include "package/BuildDriverCallbacks.h"
#include "model/Files.h"
#include "model/Folders.h"
#include "model/Project.h"
#include "package/DeviceSectionPlan.h"
#include "package/PackageFiles.h"

#include <fstream>
#include <unordered_map>
#include <unordered_set>

namespace {

// The bytes that tell every picture kind apart (an EMF's signature sits at 40).
constexpr size_t HeadSize = 44;
// A failure is shown in a message box: the log holds the rest.
constexpr size_t ProblemsInFailure = 5;

std::string TargetName(const TDeviceSection& section)
{
    return PlatformToName(section.Platform()) + " / " + ProcessorToName(section.Processor());
}

std::vector<uint8_t> ReadHead(const std::string& path)
{
    std::vector<uint8_t> head(HeadSize);
    std::ifstream in(FsPath(path), std::ios::binary);
    in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    head.resize(in ? head.size() : size_t(std::max<std::streamsize>(in.gcount(), 0)));
    return head;
}

bool StartsWith(const std::vector<uint8_t>& head, std::initializer_list<uint8_t> magic, size_t at = 0)
{
    if (head.size() < at + magic.size())
        return false;
    size_t i = at;
    for (uint8_t byte : magic)
        if (head[i++] != byte)
            return false;
    return true;
}

// Each file's read problem, found once however many sections install it.
class TReadChecks {
public:
    const std::string& Problem(const TFile& file)
    {
        auto [it, added] = FProblems.try_emplace(&file);
        if (added)
            it->second = FileReadProblem(HostFileName(file.GetHostSourcePath()));
        return it->second;
    }

private:
    std::unordered_map<const TFile*, std::string> FProblems;
};

std::vector<std::string> SectionProblems(const TDeviceSection& section, TReadChecks& reads)
{
    std::vector<std::string> problems;
    const auto& files = section.Files();
    if (files.size() > MaxNumberedFiles)
        problems.push_back("The target " + TargetName(section) + " has " + std::to_string(files.size()) +
                           " files, more than the " + std::to_string(MaxNumberedFiles) +
                           " that one CAB file can hold.");

    // The first file of each name in each device folder. Files of one name
    // in different folders are staged under names of their own, but in one
    // folder the device keeps only one of them.
    std::unordered_map<const TFolder*, std::unordered_map<std::string, const TFile*>> named;
    for (const TFile* file : files) {
        const TFolder* folder = section.FolderOf(*file);
        auto [it, added] = named[folder].try_emplace(FoldAnsiCase(file->FileName()), file);
        const TFile* first = it->second;
        if (added || IsSameFile(HostFileName(first->GetHostSourcePath()), HostFileName(file->GetHostSourcePath())))
            continue;
        problems.push_back("The files " + first->GetHostSourcePath() + " and " + file->GetHostSourcePath() +
                           " are both installed as " + (folder ? folder->GetPath() : std::string()) +
                           first->FileName() + " for " + TargetName(section) +
                           ": the device keeps only one of them. Rename one or put it into another folder.");
    }

    for (const TFile* file : files)
        if (const std::string& problem = reads.Problem(*file); !problem.empty())
            problems.push_back("The file " + file->GetHostSourcePath() + " cannot be read: " + problem + ".");
    return problems;
}

const TDeviceSection* SectionFor(const TDeviceSectionPlan& plan, const TPlatformProcPair& pair)
{
    for (const auto& section : plan.FDeviceSections)
        if (section->Platform() == pair.FPlatform && section->Processor() == pair.FProcessor)
            return section.get();
    return nullptr;
}

} // namespace

bool IsShowablePicture(const std::vector<uint8_t>& head)
{
    return StartsWith(head, {'B', 'M'}) || // bitmap
           StartsWith(head, {0xFF, 0xD8, 0xFF}) || // JPEG
           StartsWith(head, {'G', 'I', 'F', '8', '7', 'a'}) || // GIF
           StartsWith(head, {'G', 'I', 'F', '8', '9', 'a'}) || IsWindowsIcon(head) ||
           StartsWith(head, {0xD7, 0xCD, 0xC6, 0x9A}) || // placeable metafile
           (StartsWith(head, {1, 0, 0, 0}) && StartsWith(head, {' ', 'E', 'M', 'F'}, 40)); // enhanced metafile
}

bool IsWindowsIcon(const std::vector<uint8_t>& head)
{
    // Reserved 0, type 1, and at least one image.
    return StartsWith(head, {0, 0, 1, 0}) && head.size() >= 6 && (head[4] | head[5]) != 0;
}

std::vector<std::string> CheckDeviceSection(const TDeviceSection& section)
{
    TReadChecks reads;
    return SectionProblems(section, reads);
}

std::string JpegShowProblem(const std::string& path)
{
    std::ifstream in(FsPath(path), std::ios::binary);
    auto byte = [&in]() { return in.get(); };
    if (byte() != 0xFF || byte() != 0xD8)
        return std::string();
    // Segments up to the frame header; each but the markers without a body
    // carries its length, so big APP segments are skipped, not read.
    for (int segments = 0; in && segments < 10000; ++segments) {
        int c = byte();
        if (c != 0xFF)
            return std::string();
        int marker = byte();
        while (marker == 0xFF)
            marker = byte();
        if (marker < 0 || marker == 0xD9 || marker == 0xDA)
            return std::string();
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        const int high = byte(), low = byte();
        if (high < 0 || low < 0)
            return std::string();
        const int length = high << 8 | low;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (!frame) {
            in.seekg(length - 2, std::ios::cur);
            continue;
        }
        if (marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE)
            return "a progressive JPEG, which the setup wizard cannot show (save it as a baseline JPEG)";
        if (marker != 0xC0 && marker != 0xC1)
            return "a JPEG in a coding the setup wizard cannot show (save it as a baseline JPEG)";
        char header[6] = {};
        in.read(header, sizeof header);
        const int components = static_cast<unsigned char>(header[5]);
        if (in && components == 4)
            return "a CMYK JPEG, which the setup wizard cannot show (save it in RGB colours)";
        return std::string();
    }
    return std::string();
}

std::vector<std::string> CheckPackagePictures(const TProject& project)
{
    std::vector<std::string> problems;
    auto check = [&](const std::string& what, const std::string& path, bool (*isKind)(const std::vector<uint8_t>&),
                     const std::string& kind) {
        if (path.empty())
            return;
        if (std::string problem = FileReadProblem(path); !problem.empty())
            problems.push_back(what + " " + path + " cannot be read: " + problem + ".");
        else if (!isKind(ReadHead(path)))
            problems.push_back(what + " " + path + " is not " + kind + ".");
        else if (std::string jpeg = isKind == IsShowablePicture ? JpegShowProblem(path) : std::string(); !jpeg.empty())
            problems.push_back(what + " " + path + " is " + jpeg + ".");
    };
    check("The setup image", ExistingProjectFile(project.SetupImage()), IsShowablePicture,
          "a picture the setup wizard can show (a bitmap, JPEG, GIF, icon or metafile)");
    check("The icon file", ExistingProjectFile(project.IconFile()), IsWindowsIcon, "a Windows icon (.ico)");
    return problems;
}

std::vector<std::vector<std::string>> CheckBuilds(const TProject& project, const TDeviceSectionPlan& plan,
                                                  const std::vector<TBuild*>& builds)
{
    const std::vector<std::string> pictures = CheckPackagePictures(project);
    TReadChecks reads;
    std::unordered_map<const TDeviceSection*, std::vector<std::string>> checked;
    std::vector<std::vector<std::string>> result;
    for (const TBuild* build : builds) {
        std::vector<std::string> problems;
        std::unordered_set<std::string> seen;
        auto add = [&](const std::vector<std::string>& list) {
            for (const std::string& problem : list)
                if (seen.insert(problem).second)
                    problems.push_back(problem);
        };
        for (int i = 0; i < build->PairCount(); ++i) {
            const TPlatformProcPair* pair = build->GetPair(i);
            const TDeviceSection* section = pair ? SectionFor(plan, *pair) : nullptr;
            if (!section)
                continue;
            auto [it, added] = checked.try_emplace(section);
            if (added)
                it->second = SectionProblems(*section, reads);
            add(it->second);
        }
        add(pictures);
        result.push_back(std::move(problems));
    }
    return result;
}

std::vector<TBuild*> RejectFaultyBuilds(const TProject& project, const TDeviceSectionPlan& plan,
                                        const std::vector<TBuild*>& builds, TBuildDriverCallbacks& callbacks,
                                        std::vector<std::string>& failures)
{
    const std::vector<std::vector<std::string>> problems = CheckBuilds(project, plan, builds);
    std::vector<TBuild*> passed;
    std::unordered_set<std::string> logged;
    for (size_t i = 0; i < builds.size(); ++i) {
        if (problems[i].empty()) {
            passed.push_back(builds[i]);
            continue;
        }
        for (const std::string& problem : problems[i])
            if (logged.insert(problem).second)
                callbacks.Log(problem);
        std::string failure = BuildNotMadeMessage(*builds[i], problems[i]);
        callbacks.Log(failure);
        failures.push_back(std::move(failure));
    }
    return passed;
}

std::string BuildNotMadeMessage(const TBuild& build, const std::vector<std::string>& problems)
{
    std::string text = "The build \"" + build.Name() + "\" was not made:";
    for (size_t i = 0; i < problems.size() && i < ProblemsInFailure; ++i)
        text += "\r\n" + problems[i];
    if (problems.size() > ProblemsInFailure)
        text += "\r\n... and " + std::to_string(problems.size() - ProblemsInFailure) + " more in the log.";
    return text;
}

void CheckSourceDateEpoch()
{
    SourceDateEpoch();
}
