// Saves a large project and a texts file in a loop, through the code the
// builder's Save uses, until it is killed. The kill test runs it.
//
//   vi_save_loop DIR FILES
//
// First writes the two versions of each file as references (A.vip, B.vip,
// A_res.dat, B_res.dat), then prints "ready" and saves DIR/Big.vip and
// DIR/Big_res.dat alternately as version A and B, forever.

#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "storage/uScramble.h"
#include "support/SampleProject.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void SetVersion(TProject& project, TScrambeledMemIniFile& texts, char version)
{
    const std::string name = std::string("Version ") + version;
    project.SetApplicationName(name);
    project.Files().Item(0)->SetFileName(name + ".exe");
    for (int i = 0; i < 400; ++i)
        texts.WriteString("English", "Key" + std::to_string(i), name + " text " + std::to_string(i));
}

}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: vi_save_loop DIR FILES\n");
        return 2;
    }
    const std::string dir = argv[1];
    const int count = std::atoi(argv[2]);

    TProject project("Firm");
    for (int i = 0; i < count; ++i)
        AddProjectFile(project, "C:\\Payload\\" + std::to_string(i % 97), "file" + std::to_string(i) + ".dat",
                       AllPlatforms, pAll, project.AppFolder());
    TScrambeledMemIniFile texts(AppendPath(dir, "Big_res.dat"));

    for (char version : {'A', 'B'}) {
        SetVersion(project, texts, version);
        SaveProjectFile(project, AppendPath(dir, std::string(1, version) + ".vip"));
        texts.SaveAs(AppendPath(dir, std::string(1, version) + "_res.dat"));
    }
    // From here on the texts object is the one of Big_res.dat, as in the
    // builder after "Save As".
    texts.SaveAs(AppendPath(dir, "Big_res.dat"));
    SaveProjectFile(project, AppendPath(dir, "Big.vip"));
    std::printf("ready\n");
    std::fflush(stdout);

    for (unsigned round = 0;; ++round) {
        const char version = round % 2 ? 'B' : 'A';
        SetVersion(project, texts, version);
        SaveProjectFile(project, AppendPath(dir, "Big.vip"));
        texts.UpdateFile();
    }
}
