// Saves that survive a kill: a program saving a large project and its texts
// file in a loop is killed with SIGKILL at random moments; each time both
// files must load and hold one of the two versions the program writes, and
// the next save must leave no temporary file behind. VI_KILL_TRIALS sets
// the number of trials (default 50).

#include "common/Paths.h"
#include "common/Platform.h"
#include "model/Project.h"
#include "storage/uScramble.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> LeftoverTemps(const std::string& dir)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".tmp")
            found.push_back(entry.path().filename().string());
    return found;
}

// Starts the save loop and returns once it has written its references.
pid_t StartSaveLoop(const std::string& dir)
{
    int out[2];
    if (pipe(out) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        const std::string program = AppendPath(GetProgramDir(), "vi_save_loop"); // beside this test
        execl(program.c_str(), program.c_str(), dir.c_str(), "20000", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char line[16] = {};
    ssize_t n = read(out[0], line, sizeof line - 1);
    close(out[0]);
    if (n <= 0 || std::string(line, static_cast<size_t>(n)) != "ready\n") {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

TEST(SaveKill, EveryKillLeavesAnOldOrNewFileAndNoTemporaryFile)
{
    const char* env = std::getenv("VI_KILL_TRIALS");
    const int trials = env ? std::atoi(env) : 50;
    TempDir tmp;
    std::mt19937 rng(20261209);
    int killedMidSave = 0;
    for (int trial = 0; trial < trials; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        pid_t pid = StartSaveLoop(tmp.Path());
        ASSERT_GT(pid, 0) << "the save loop did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 60000));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        const std::string project = ReadAll(tmp.File("Big.vip"));
        EXPECT_TRUE(project == ReadAll(tmp.File("A.vip")) || project == ReadAll(tmp.File("B.vip")));
        auto opened = OpenProjectFile(tmp.File("Big.vip"));
        EXPECT_EQ(opened->Files().Count(), 20000);
        const std::string texts = ReadAll(tmp.File("Big_res.dat"));
        EXPECT_TRUE(texts == ReadAll(tmp.File("A_res.dat")) || texts == ReadAll(tmp.File("B_res.dat")));
        TScrambeledMemIniFile loaded(tmp.File("Big_res.dat"));
        EXPECT_NE(loaded.ReadString("English", "Key399", ""), "");

        // A save cut short leaves its sibling; the next save clears it.
        killedMidSave += !LeftoverTemps(tmp.Path()).empty();
        SaveProjectFile(*opened, tmp.File("Big.vip"));
        loaded.UpdateFile();
        EXPECT_EQ(LeftoverTemps(tmp.Path()), std::vector<std::string>());
    }
    // Some kills must have landed inside a save (about one in six does
    // here); a run where none did would not have tested anything.
    if (trials >= 20) {
        EXPECT_GT(killedMidSave, 0);
    }
    std::printf("%d trials, %d killed during a save\n", trials, killedMidSave);
}

}
