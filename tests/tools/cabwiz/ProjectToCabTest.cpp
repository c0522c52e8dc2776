// A project goes the whole way to device CAB files: the .inf writer, the
// compiler and the real CAB tool, and the CAB files are read back.

#include "package/CabCompiler.h"
#include "package/InfParser.h"
#include "package/InfWriter.h"

#include "common/Paths.h"
#include "common/Platform.h"
#include "formats/SetupFileReader.h"
#include "support/SampleProject.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

std::string Shell(const std::string& command, int& rc)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while (p && (n = fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    rc = p ? WEXITSTATUS(pclose(p)) : -1;
    return out;
}

std::string Content(int salt, size_t size)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = char((i * 31 + salt * 7 + (i >> 7)) & 0xFF);
    return s;
}

TEST(ProjectToCab, EveryTargetOfTheBuildBecomesAGenuineCab)
{
    TempDir tmp;
    auto project = MakeRichProject(tmp.Path() + "src dir");
    for (const char* dir : {"src dir/bin", "src dir/lib", "src dir/setup", "work"})
        ASSERT_TRUE(ForceDirectories(tmp.File(dir)));
    const std::pair<const char*, size_t> sources[] = {{"src dir/bin/viewer.exe", 150000},
                                                      {"src dir/bin/viewer_sh3.exe", 90000},
                                                      {"src dir/lib/helper.dll", 20000},
                                                      {"src dir/bin/readme.txt", 300},
                                                      {"src dir/setup/setup.dll", 4000}};
    int salt = 0;
    for (auto [path, size] : sources)
        tmp.Write(path, Content(++salt, size));
    project->SetProjectDir(tmp.File("work/"));
    project->SetProjectFileName("Demo.vip");

    TStringList lines;
    WriteInf(*project, lines);
    ReplaceInstallDir(lines, project->DefaultFolder()->GetMacroPath());

    TInfParser parser;
    parser.SetLines(lines);
    std::vector<std::unique_ptr<TPlatformProcPair>> pairs;
    parser.Parse(pairs);
    // The readme suits every target, so every platform has a section for
    // each processor in use; the build asks for two of them.
    ASSERT_EQ(pairs.size(), 24u);
    EXPECT_EQ(pairs[0]->GetPairName(), "HPC");
    EXPECT_EQ(pairs[13]->GetPairName(), "PPC300_10003");
    EXPECT_EQ(pairs[14]->GetPairName(), "PPC300_2577");

    TCabCompiler compiler;
    compiler.SetCabWizPath(AppendPath(AppendPath(std::getenv("VI_PROGRAM_DIR"), "Tools"), "CABWIZ.exe"));
    compiler.SetInfLines(lines);
    compiler.SetOutputDir(tmp.File("work/"));
    compiler.SetInfFileName(tmp.File("work/Demo.inf"));
    compiler.SetBuilds({project->Builds().GetBuild(0)});
    ASSERT_NO_THROW(compiler.Compile());

    struct Target {
        const char* cab;
        uint32_t processor;
        std::vector<std::string> files;
        size_t values;
        size_t links;
    };
    for (const Target& t :
         {Target{"Demo.PPC300_2577.CAB", 2577, {"viewer.exe", "readme.txt", "helper.dll"}, 4, 1},
          Target{"Demo.PPC300_10003.CAB", 10003, {"viewer_sh3.exe", "readme.txt", "helper.dll"}, 3, 0}}) {
        SCOPED_TRACE(t.cab);
        std::string cab = tmp.File(std::string("work/") + t.cab);
        ASSERT_TRUE(FileExists(cab));
        std::string into = tmp.File(std::string("x_") + t.cab);
        int rc = -1;
        std::string tested = Shell("cabextract -t '" + cab + "' 2>&1", rc);
        ASSERT_EQ(rc, 0) << tested;
        Shell("cabextract -q -d '" + into + "' '" + cab + "'", rc);
        ASSERT_EQ(rc, 0);

        // The members are the sources byte for byte, whatever their numbered names.
        std::string setupDescription;
        std::vector<std::string> members;
        for (auto& entry : std::filesystem::directory_iterator(into)) {
            std::string name = entry.path().filename().string();
            members.push_back(name);
            if (name.size() > 4 && name.substr(name.size() - 4) == ".000")
                setupDescription = tmp.Read(std::string("x_") + t.cab + "/" + name);
        }
        EXPECT_EQ(members.size(), t.files.size() + 2); // the files, the setup DLL and the .000
        ASSERT_FALSE(setupDescription.empty());
        TSetupDescription s =
            ReadSetupDescription(std::vector<uint8_t>(setupDescription.begin(), setupDescription.end()));
        EXPECT_EQ(s.FAppName, "Viewer");
        EXPECT_EQ(s.FProvider, "Firm");
        EXPECT_EQ(s.FProcessor, t.processor);
        ASSERT_EQ(s.FFiles.size(), t.files.size());
        for (size_t i = 0; i < t.files.size(); ++i)
            EXPECT_EQ(s.FFiles[i].FName, t.files[i]);
        EXPECT_EQ(s.FFiles[2].FFlags, 0xB0000002u); // shared, self-registering, updates older files
        EXPECT_EQ(s.FDirectories[0].FPath, (std::vector<std::string>{"%CE1%\\Firm\\Viewer"}));
        EXPECT_EQ(s.FValues.size(), t.values);
        EXPECT_EQ(s.FLinks.size(), t.links);
        for (size_t i = 0; i < std::size(sources); ++i) {
            std::string source = tmp.Read(sources[i].first);
            bool found = false;
            for (const auto& m : members)
                found = found || tmp.Read(std::string("x_") + t.cab + "/" + m) == source;
            bool expected = std::string(sources[i].first).find(t.files[0]) != std::string::npos ||
                            i >= 2; // the processor's own program, helper, readme, setup DLL
            EXPECT_EQ(found, expected) << sources[i].first;
        }
    }
}

}
