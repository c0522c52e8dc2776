#include "tools/cabwiz/CabWizard.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "common/SourceDate.h"
#include "formats/FormatChoices.h"
#include "formats/MemberName.h"
#include "tools/cabwiz/CabBuilder.h"
#include "tools/cabwiz/CabinetWriter.h"
#include "formats/InfFile.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

std::string TCabWizard::Usage()
{
    return "Usage: CABWIZ.exe \"<inf file>\" [/dest \"<output folder>\"] [/err <error file>] [/compress]\n"
           "                  [/cpu <label> [<label> ...]]\n"
           "\n"
           "Writes Windows CE CAB files from a CAB Wizard .inf file.\n"
           "  /dest      folder for the CAB files (default: the folder of the .inf file)\n"
           "  /err       write errors and warnings to this file instead of standard error;\n"
           "             every line of an error contains \"Error:\"\n"
           "  /compress  compress with MSZIP (only for devices known to accept it;\n"
           "             by default the data is stored, as CAB Wizard stores it)\n"
           "  /cpu       one CAB file <inf name>.<label>.CAB per label, from the sections\n"
           "             with that label and the plain ones; must be the last option.\n"
           "             Without /cpu: one CAB file <inf name>.CAB from the plain sections.\n"
           "\n"
           "With SOURCE_DATE_EPOCH set (seconds since 1970-01-01 00:00:00 UTC), every member\n"
           "is dated to that time in UTC, so the same input gives the same CAB file.\n";
}

bool TCabWizard::ParseArguments(const std::vector<std::string>& args, std::string& problem)
{
    bool cpu = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (cpu) {
            if (std::find(FLabels.begin(), FLabels.end(), a) == FLabels.end())
                FLabels.push_back(a);
        } else if (SameText(a, "/dest") || SameText(a, "/err")) {
            if (i + 1 == args.size()) {
                problem = "Option " + a + " needs a value";
                break;
            }
            (SameText(a, "/dest") ? FDestDir : FErrFile) = NormalizeHostPath(args[++i]);
        } else if (SameText(a, "/compress")) {
            FCompress = true;
        } else if (SameText(a, "/cpu")) {
            cpu = true;
        } else if (FInfPath.empty()) {
            // Checked before options: on POSIX hosts a path starts with "/".
            FInfPath = NormalizeHostPath(a);
        } else if (problem.empty()) {
            // Read on, so that a later /err still receives the report.
            problem = (a.size() > 1 && a[0] == '/' ? "Unknown option " : "Unexpected argument ") + a;
        }
    }
    if (!problem.empty())
        return false;
    if (FInfPath.empty()) {
        problem = "No .inf file given";
        return false;
    }
    if (cpu && FLabels.empty()) {
        problem = "/cpu needs at least one label";
        return false;
    }
    if (!cpu)
        FLabels.push_back(std::string());
    if (FDestDir.empty())
        FDestDir = ExtractFilePath(FInfPath);
    return true;
}

std::string TCabWizard::CabPath(const std::string& label) const
{
    std::string base = ChangeFileExt(ExtractFileName(FInfPath), "");
    std::string name = label.empty() ? base + ".CAB" : base + "." + label + ".CAB";
    return FDestDir.empty() ? name : AppendPath(FDestDir, name);
}

TCabWizard::TResult TCabWizard::MakeCab(const TInfFile& inf, const std::string& label) const
{
    TResult result;
    std::string cabPath = CabPath(label);
    std::string cabName = ExtractFileName(cabPath);
    // A CAB file left from an earlier run must not pass for this one.
    DeleteFileIfExists(cabPath);

    TCabBuilder builder(&inf, ExtractFilePath(FInfPath), label);
    bool ok = builder.Build();
    for (const auto& w : builder.Warnings())
        result.FLines.push_back("Warning: " + cabName + ": " + w);
    for (const auto& e : builder.Errors())
        result.FLines.push_back("Error: " + cabName + ": " + e);
    if (!ok) {
        result.FLines.push_back("Error: CAB file \"" + cabPath + "\" could not be created");
        result.FFailed = true;
        return result;
    }
    try {
        TCabinetWriter writer;
        writer.SetCompressed(FCompress);
        writer.SetFixedTime(FFixedTime);
        // The .000 carries the time of the .inf it was made from, so the
        // same input gives the same bytes.
        std::string setupStem = ChangeFileExt(ExtractFileName(FInfPath), "");
        writer.AddData(MemberName(setupStem + ".000", 0), builder.Setup().Write(),
                       FFixedTime.value_or(FileModifiedTime(FInfPath)));
        if (builder.HasSetupDll())
            writer.AddFile(builder.SetupDll().FMemberName, builder.SetupDll().FSourcePath);
        const auto& files = builder.Files();
        if (FormatChoices::MembersDescending) {
            for (auto it = files.rbegin(); it != files.rend(); ++it)
                writer.AddFile(it->FMemberName, it->FSourcePath);
        } else {
            for (const auto& f : files)
                writer.AddFile(f.FMemberName, f.FSourcePath);
        }
        writer.Write(cabPath);
    } catch (const Exception& e) {
        result.FLines.push_back("Error: " + cabName + ": " + e.Message());
        result.FFailed = true;
    }
    return result;
}

void TCabWizard::Report(const std::vector<std::string>& lines) const
{
    if (FErrFile.empty()) {
        for (const auto& line : lines)
            std::fprintf(stderr, "%s\n", line.c_str());
        return;
    }
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    try {
        WriteFileAtomic(FErrFile, text);
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        for (const auto& line : lines)
            std::fprintf(stderr, "%s\n", line.c_str());
    }
}

int TCabWizard::Run(const std::vector<std::string>& args)
{
    for (const auto& a : args)
        if (a == "--help" || a == "-h" || a == "/?") {
            std::fputs(Usage().c_str(), stdout);
            return 0;
        }
    std::string problem;
    if (!ParseArguments(args, problem)) {
        std::fputs(Usage().c_str(), stderr);
        Report({"Error: " + problem});
        return 2;
    }

    TInfFile inf;
    try {
        FFixedTime = SourceDateEpoch();
        inf.LoadFromFile(FInfPath);
    } catch (const Exception& e) {
        Report({"Error: " + e.Message()});
        return 1;
    }

    // Each label's CAB file is independent of the others: share them out
    // over the cores. Results keep the order of the labels.
    std::vector<TResult> results(FLabels.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < FLabels.size(); i = next++) {
            try {
                results[i] = MakeCab(inf, FLabels[i]);
            } catch (const std::exception& e) {
                results[i].FLines.push_back("Error: " + std::string(e.what()));
                results[i].FFailed = true;
            }
        }
    };
    size_t threads = std::min<size_t>(FLabels.size(), std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (auto& t : pool)
        t.join();

    std::vector<std::string> lines;
    bool failed = false;
    for (const auto& r : results) {
        lines.insert(lines.end(), r.FLines.begin(), r.FLines.end());
        failed = failed || r.FFailed;
    }
    Report(lines);
    return failed ? 1 : 0;
}
