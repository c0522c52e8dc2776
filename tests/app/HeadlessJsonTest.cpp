// The --export and --import commands, and .json projects given to --inf,
// run as a program.

#include "common/Paths.h"
#include "common/Platform.h"
#include "support/SampleProject.h"
#include "support/TestSupport.h"

#include "RunBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

std::string ReadAll(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

TEST(HeadlessJson, ExampleExportsAsCommittedAndImportsToTheSameBytes)
{
    TempDir tmp;
    const std::string vip = VI_EXAMPLE_DIR "/Demo.vip";
    TBuilderRun r = RunBuilder(tmp, "--export " + Quoted(vip));
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out, ReadAll(VI_EXAMPLE_DIR "/Demo.json"));
    // The format's description shows the example as it is.
    EXPECT_NE(ReadAll(VI_DOCS_DIR "/project-json.md").find("```json\n" + r.out + "```\n"), std::string::npos);

    r = RunBuilder(tmp, "--export " + Quoted(vip) + " " + Quoted(tmp.File("Demo.json")));
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = RunBuilder(tmp, "--import " + Quoted(tmp.File("Demo.json")) + " " + Quoted(tmp.File("Again.vip")));
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(tmp.Read("Again.vip"), ReadAll(vip));
}

TEST(HeadlessJson, InfOfAJsonProjectIsThatOfItsBinaryTwin)
{
    TempDir tmp;
    auto project = MakeRichProject(tmp.Path());
    SaveProjectFile(*project, tmp.File("Rich.vip"));
    ASSERT_EQ(RunBuilder(tmp, "--export " + Quoted(tmp.File("Rich.vip")) + " " + Quoted(tmp.File("Rich.json"))).rc, 0);
    TBuilderRun fromVip = RunBuilder(tmp, "--inf " + Quoted(tmp.File("Rich.vip")));
    TBuilderRun fromJson = RunBuilder(tmp, "--inf " + Quoted(tmp.File("Rich.json")));
    ASSERT_EQ(fromJson.rc, 0) << fromJson.err;
    EXPECT_GT(fromVip.out.size(), 1000u);
    EXPECT_EQ(fromJson.out, fromVip.out);
}

TEST(HeadlessJson, RefusedImportsWriteNothing)
{
    TempDir tmp;
    tmp.Write("Bad.json", "{\"format\": \"Veltrin Installer project\",\n \"version\": 1,,}");
    TBuilderRun r = RunBuilder(tmp, "--import " + Quoted(tmp.File("Bad.json")) + " " + Quoted(tmp.File("Out.vip")));
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, tmp.File("Bad.json") +
                         ": The project text is not valid JSON: parse error at line 2, column 15: syntax error while "
                         "parsing object key - unexpected ','; expected string literal\n");
    EXPECT_FALSE(FileExists(tmp.File("Out.vip")));

    // A good project first, then one that names an unknown processor: the
    // old file stays as it was.
    std::string json = ReadAll(VI_EXAMPLE_DIR "/Demo.json");
    tmp.Write("Demo.json", json);
    ASSERT_EQ(RunBuilder(tmp, "--import " + Quoted(tmp.File("Demo.json")) + " " + Quoted(tmp.File("Out.vip"))).rc, 0);
    const std::string good = tmp.Read("Out.vip");
    json.replace(json.find("\"Hitachi SH3\""), 13, "\"Hitachi SH5\"");
    tmp.Write("Demo.json", json);
    r = RunBuilder(tmp, "--import " + Quoted(tmp.File("Demo.json")) + " " + Quoted(tmp.File("Out.vip")));
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("$.files[1].processor: unknown processor \"Hitachi SH5\"; expected one of \"All\""),
              std::string::npos)
        << r.err;
    EXPECT_EQ(tmp.Read("Out.vip"), good);

    r = RunBuilder(tmp, "--inf " + Quoted(tmp.File("Demo.json")));
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.out, "");

    EXPECT_EQ(RunBuilder(tmp, "--import " + Quoted(tmp.File("Demo.json"))).rc, 2);
    EXPECT_EQ(RunBuilder(tmp, "--export").rc, 2);
}

}
