#include "common/RunAndWait.h"
#include "common/RunConsoleProgram.h"

#include "common/Exception.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Closes the descriptors it holds when the run ends, however it ends.
struct TPipe {
    int fd[2] = {-1, -1};
    ~TPipe()
    {
        CloseEnd(0);
        CloseEnd(1);
    }
    void CloseEnd(int i)
    {
        if (fd[i] >= 0)
            ::close(fd[i]);
        fd[i] = -1;
    }
};

void MakePipe(TPipe& pipe, const char* message)
{
    if (::pipe2(pipe.fd, O_CLOEXEC) != 0)
        throw Exception(message);
}

// Reads and discards what the child writes while waiting for it to end.
// The wait is on the child itself, not on the pipes: a grandchild that
// inherited them must not keep the caller waiting after the child is gone.
int WaitAndDrain(pid_t pid, int out, int err, std::string* captured)
{
    ::fcntl(out, F_SETFL, ::fcntl(out, F_GETFL) | O_NONBLOCK);
    ::fcntl(err, F_SETFL, ::fcntl(err, F_GETFL) | O_NONBLOCK);
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    char buffer[65536];
    auto drain = [&](pollfd& p) {
        for (;;) {
            ssize_t got = ::read(p.fd, buffer, sizeof buffer);
            if (got > 0) {
                if (captured && captured->size() < CapturedLimit)
                    captured->append(buffer,
                                     std::min<size_t>(static_cast<size_t>(got), CapturedLimit - captured->size()));
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                p.fd = -1; // closed: poll ignores negative descriptors
            return;
        }
    };
    for (;;) {
        bool anyOpen = fds[0].fd >= 0 || fds[1].fd >= 0;
        // Both pipes closed: nothing more to read, so block in waitpid.
        int n = anyOpen ? ::poll(fds, 2, 55) : 0;
        if (n < 0 && errno != EINTR)
            throw Exception(OSErrorText(errno));
        for (auto& p : fds)
            if (p.fd >= 0 && p.revents != 0)
                drain(p);
        int status = 0;
        pid_t done = ::waitpid(pid, &status, anyOpen ? WNOHANG : 0);
        if (done < 0 && errno != EINTR)
            throw Exception(OSErrorText(errno));
        if (done == pid) {
            for (auto& p : fds)
                if (p.fd >= 0)
                    drain(p);
            if (WIFEXITED(status))
                return WEXITSTATUS(status);
            return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        }
    }
}

class TBusyGuard {
public:
    explicit TBusyGuard(const TBusyHook& hook) : FHook(hook)
    {
        if (FHook)
            FHook(true);
    }
    ~TBusyGuard()
    {
        if (FHook)
            FHook(false);
    }

private:
    const TBusyHook& FHook;
};

} // namespace

int RunConsoleProgram(const std::string& program, const std::string& arguments, const std::string& workingDir,
                      const TBusyHook& busy, std::string* captured)
{
    TPipe in, out, err;
    MakePipe(in, "Could not create IN_PIPE");
    MakePipe(out, "Could not create OUT_PIPE");
    MakePipe(err, "Could not create ERR_PIPE");

    std::string path = UnquoteProgram(program);
    std::vector<std::string> args = SplitWindowsArguments(arguments);
    std::vector<char*> argv;
    argv.push_back(path.data());
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        throw Exception(OSErrorText(errno));
    // dup2 onto 0..2 clears close-on-exec for the child's copies only.
    posix_spawn_file_actions_adddup2(&actions, in.fd[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out.fd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err.fd[1], 2);
    if (!workingDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());

    // A builder that ignores SIGPIPE must not hand that on to the tool.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    int rc = posix_spawnp(&pid, path.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0)
        throw Exception(OSErrorText(rc));

    // Only the child holds these ends now: our standard input stays empty
    // and end-of-file on the others means the child has let go of them.
    in.CloseEnd(0);
    in.CloseEnd(1);
    out.CloseEnd(1);
    err.CloseEnd(1);

    TBusyGuard guard(busy);
    try {
        return WaitAndDrain(pid, out.fd[0], err.fd[0], captured);
    } catch (...) {
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        throw;
    }
}

TGuiStarter SystemGuiStarter()
{
    // No windows, no message queue and no elevation here: Create runs the
    // program to its end with the console runner and keeps its exit code as
    // the "process", which Wait hands back.
    TGuiStarter starter;
    starter.Create = [](const std::string& program, const std::string& arguments, const std::string& workingDir,
                        intptr_t& process) {
        process = RunAndWait(program, arguments, workingDir);
        return 0;
    };
    starter.Shell = starter.Create;
    starter.Wait = [](intptr_t process) { return static_cast<int>(process); };
    return starter;
}
