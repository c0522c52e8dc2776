#include "WineRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

extern char** environ;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

namespace {

const std::string& WineMode()
{
    static const std::string mode = [] {
        std::string text = ReadAll(VI_WINEPREFIX ".mode");
        return text.substr(0, text.find('\n'));
    }();
    return mode;
}

const char* const kWine64Loader = "/usr/lib/wine/wine64";

} // namespace

bool WineTwins()
{
    return WineMode() == "win64";
}

std::vector<std::string> Wine(std::vector<std::string> args)
{
    args.insert(args.begin(), WineTwins() ? kWine64Loader : "wine");
    return args;
}

std::string WinProgram(const std::string& relative)
{
    const bool test = relative.rfind("tests/", 0) == 0;
    if (WineTwins())
        return std::string(VI_WIN64_DIR "/") + (test ? "" : "bin/") + relative;
    return test ? std::string(VI_BINARY_DIR "/") + relative : std::string(VI_WIN32_TEST_VARIANT_DIR "/bin/") + relative;
}

TRunResult RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
                      const std::string& outputFile, int timeoutSeconds)
{
    std::vector<std::string> full = {"timeout", std::to_string(timeoutSeconds)};
    full.insert(full.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : full)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // Entries earlier in the list win: the test's own, then the prefix's,
    // then the caller's environment.
    std::vector<std::string> envText = extraEnv;
    envText.insert(envText.end(), {"WINEPREFIX=" VI_WINEPREFIX, "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="});
    if (WineTwins()) {
        envText.push_back("WINEARCH=win64");
        envText.push_back(std::string("WINELOADER=") + kWine64Loader);
    } else {
        envText.push_back("WINEARCH=win32");
    }
    // Every Wine process of the run must see the same display: the first one
    // to start the prefix's desktop decides it for all that follow.
    std::string display = ReadAll(VI_WINEPREFIX ".display");
    while (!display.empty() && (display.back() == '\n' || display.back() == '\r'))
        display.pop_back();
    if (!display.empty())
        envText.push_back("DISPLAY=" + display);
    for (char** e = environ; *e; ++e)
        envText.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    TRunResult result;
    if (posix_spawnp(&pid, "timeout", &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    result.Output = ReadAll(outputFile);
    return result;
}

std::string WindowsPath(const std::string& path)
{
    std::string result = "Z:" + path;
    for (char& c : result)
        if (c == '/')
            c = '\\';
    return result;
}

std::string HostPath(const std::string& windowsPath)
{
    if (windowsPath.size() < 3 || (windowsPath.compare(0, 3, "C:\\") != 0 && windowsPath.compare(0, 3, "c:\\") != 0))
        return std::string();
    std::string result = std::string(VI_WINEPREFIX) + "/drive_c/" + windowsPath.substr(3);
    for (char& c : result)
        if (c == '\\')
            c = '/';
    return result;
}

std::multimap<std::string, std::string> ReadRecord(const std::string& path)
{
    std::multimap<std::string, std::string> record;
    std::istringstream in(ReadAll(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            record.emplace(line.substr(0, eq), line.substr(eq + 1));
    }
    return record;
}

std::vector<std::string> Values(const std::multimap<std::string, std::string>& record, const std::string& key)
{
    std::vector<std::string> values;
    for (auto [it, end] = record.equal_range(key); it != end; ++it)
        values.push_back(it->second);
    return values;
}
