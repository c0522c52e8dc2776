#include "common/Platform.h"

#include "common/AnsiText.h"
#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Terminal.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>

std::string GetTempDir()
{
    const char* dir = std::getenv("TMPDIR");
    std::string result = (dir && *dir) ? dir : "/tmp";
    return IncludeTrailingPathDelimiter(result);
}

std::string GetSystemDir()
{
    return std::string();
}

std::string GetWindowsDir()
{
    return GetEnvironmentText("windir");
}

std::string GetLocalAppDataDir()
{
    std::string local = GetEnvironmentText("LOCALAPPDATA");
    if (!local.empty())
        return local;
    std::string home = GetEnvironmentText("HOME");
    return home.empty() ? std::string() : AppendPath(home, ".local/share");
}

std::string GetEnvironmentText(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    return value ? value : std::string();
}

std::filesystem::path FsPath(const std::string& path)
{
    return std::filesystem::path(path);
}

std::string FromFsPath(const std::filesystem::path& path)
{
    return path.native();
}

std::string WinePrefixDir()
{
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
        return ExcludeTrailingPathDelimiter(prefix);
    if (const char* home = std::getenv("HOME"); home && *home)
        return AppendPath(home, ".wine");
    return std::string();
}

std::string WineDrivePath(const std::string& path)
{
    namespace fs = std::filesystem;
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])))
        return std::string();
    std::string prefix = WinePrefixDir();
    if (prefix.empty())
        return std::string();
    std::error_code ec;
    // dosdevices/c: is a link to ../drive_c (or anywhere the user pointed it).
    fs::path current = fs::path(prefix) / "dosdevices" /
                       (std::string(1, char(std::tolower(static_cast<unsigned char>(path[0])))) + ":");
    if (!fs::is_directory(current, ec))
        return std::string();

    std::string rest = path.substr(2);
    size_t start = 0;
    bool resolving = true;
    while (start <= rest.size()) {
        size_t end = rest.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = rest.size();
        std::string part = rest.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        fs::path exact = current / part;
        if (resolving && !fs::exists(exact, ec)) {
            // Windows names ignore case; the folders on disk may not.
            resolving = false;
            for (fs::directory_iterator it(current, ec), endIt; !ec && it != endIt; it.increment(ec)) {
                if (SameText(it->path().filename().string(), part)) {
                    exact = it->path();
                    resolving = true;
                    break;
                }
            }
        }
        current = exact;
    }
    return current.string();
}

std::string GetProgramDir()
{
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return std::string();
    buffer[n] = 0;
    return ExtractFilePath(buffer);
}

std::string GetProjectsBaseDir(const std::string& programDir)
{
    std::string home = GetEnvironmentText("HOME");
    if (home.empty())
        if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
            home = entry->pw_dir;
    return IncludeTrailingPathDelimiter(AppendPath(home.empty() ? programDir : home, "My Projects"));
}

std::string SystemErrorMessage(int code)
{
    return std::strerror(code);
}

int LastSystemError()
{
    return errno;
}

void ShowErrorBox(const std::string& caption, const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

unsigned long CurrentProcessId()
{
    return static_cast<unsigned long>(getpid());
}

bool ProcessIsRunning(unsigned long pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

namespace {

// Makes a rename in the folder survive a power cut.
void SyncFolderOf(const std::string& path)
{
    std::string dir = ExtractFilePath(path);
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes all of data to fd. On failure closes fd, removes the half-written
// file `written` and raises the error naming `path`, the file the caller
// meant to write.
void WriteAllOrDiscard(int fd, const std::string& written, const std::string& path, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            int err = n == 0 ? EIO : errno;
            ::close(fd);
            ::unlink(written.c_str());
            throw Exception("Cannot write file \"" + path + "\". " + SystemErrorMessage(err));
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

}

void WriteFileAtomic(const std::string& path, const void* data, size_t size)
{
    std::string temp = AtomicSaveTempName(path, CurrentProcessId());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw Exception("Cannot create file \"" + path + "\". " + SystemErrorMessage(errno));
    WriteAllOrDiscard(fd, temp, path, data, size);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        throw Exception("Cannot write file \"" + path + "\". " + SystemErrorMessage(err));
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        throw Exception("Cannot write file \"" + path + "\". " + SystemErrorMessage(err));
    }
    SyncFolderOf(path);
    RemoveStaleSaveFiles(path);
}

void ReplaceFileWith(const std::string& target, const std::string& replacement)
{
    if (::rename(replacement.c_str(), target.c_str()) != 0)
        throw Exception("Cannot replace \"" + target + "\". " + SystemErrorMessage(errno));
    SyncFolderOf(target);
}

void WritePrivateFile(const std::string& path, const std::string& data)
{
    // O_EXCL: a file planted at that name beforehand must not receive the secret.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        throw Exception("Cannot create file \"" + path + "\". " + SystemErrorMessage(errno));
    WriteAllOrDiscard(fd, path, path, data.data(), data.size());
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(path.c_str());
        throw Exception("Cannot write file \"" + path + "\". " + SystemErrorMessage(err));
    }
}

std::string HostFileName(const std::string& ansiPath)
{
    if (!HasNonAscii(ansiPath))
        return ansiPath;
    std::string utf8 = AnsiToUtf8(ansiPath);
    return FileExists(utf8) ? utf8 : ansiPath;
}

bool StandardErrorIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

std::string FileReadProblem(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return SystemErrorMessage(errno);
    // Opening a folder read-only succeeds; reading it tells it apart.
    char byte;
    ssize_t got;
    do
        got = read(fd, &byte, 1);
    while (got < 0 && errno == EINTR);
    int error = got < 0 ? errno : 0;
    close(fd);
    return error ? SystemErrorMessage(error) : std::string();
}
