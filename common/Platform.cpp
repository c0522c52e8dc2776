#include "common/Platform.h"

#include "common/Exception.h"
#include "common/Paths.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

std::string ExpandFileName(const std::string& path)
{
    std::error_code ec;
    fs::path full = fs::absolute(FsPath(path), ec);
    return ec ? path : FromFsPath(full.lexically_normal());
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(FsPath(path), ec);
}

bool DirectoryExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(FsPath(path), ec);
}

bool ForceDirectories(const std::string& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    fs::create_directories(FsPath(ExcludeTrailingPathDelimiter(path)), ec);
    return DirectoryExists(path);
}

bool RemoveEmptyDirectory(const std::string& path)
{
    std::error_code ec;
    if (fs::is_directory(FsPath(path), ec) && fs::is_empty(FsPath(path), ec) && !ec)
        fs::remove(FsPath(ExcludeTrailingPathDelimiter(path)), ec);
    return !DirectoryExists(path);
}

bool DeleteFileIfExists(const std::string& path)
{
    std::error_code ec;
    fs::remove(FsPath(path), ec);
    return !ec;
}

bool CopyFileNoOverwrite(const std::string& source, const std::string& target)
{
    std::error_code ec;
    if (fs::exists(FsPath(target), ec))
        return false;
    return fs::copy_file(FsPath(source), FsPath(target), fs::copy_options::none, ec) && !ec;
}

bool IsSameFile(const std::string& path, const std::string& other)
{
    if (path == other)
        return true;
    std::error_code ec;
    return fs::equivalent(FsPath(path), FsPath(other), ec) && !ec;
}

int64_t FileSize(const std::string& path)
{
    std::error_code ec;
    auto size = fs::file_size(FsPath(path), ec);
    return ec ? -1 : static_cast<int64_t>(size);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(FsPath(path), std::ios::binary);
    if (!in)
        throw Exception("Cannot open file \"" + path + "\". " + SystemErrorMessage(LastSystemError()));
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0)
        throw Exception("Cannot read file \"" + path + "\".");
    std::vector<uint8_t> data(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(data.data()), size))
        throw Exception("Cannot read file \"" + path + "\".");
    return data;
}

void WriteFileAtomic(const std::string& path, const std::string& data)
{
    WriteFileAtomic(path, data.data(), data.size());
}

std::string AtomicSaveTempName(const std::string& path, unsigned long pid)
{
    return path + ".~" + std::to_string(pid) + ".tmp";
}

void RemoveStaleSaveFiles(const std::string& path)
{
    const fs::path target = FsPath(path);
    const std::string prefix = FromFsPath(target.filename()) + ".~";
    const std::string suffix = ".tmp";
    std::error_code ec;
    fs::directory_iterator it(target.has_parent_path() ? target.parent_path() : fs::path("."), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = FromFsPath(it->path().filename());
        if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        if (digits.empty() || digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const unsigned long pid = std::stoul(digits);
        if (pid == CurrentProcessId() || ProcessIsRunning(pid))
            continue;
        std::error_code ignored;
        fs::remove(it->path(), ignored);
    }
}

std::string CreatePrivateTempDir(const std::string& prefix)
{
    static std::atomic<unsigned> counter{0};
    std::string base = GetTempDir();
    if (base.empty())
        throw Exception("The temporary folder cannot be found.");
    auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix + std::to_string(CurrentProcessId()) + "_" + std::to_string(counter++) + "_" +
                           std::to_string((stamp >> 4) % 1000000);
        fs::path dir = FsPath(AppendPath(base, name));
        std::error_code ec;
        if (fs::create_directory(dir, ec) && !ec)
            return IncludeTrailingPathDelimiter(FromFsPath(dir));
    }
    throw Exception("Cannot create a temporary folder in \"" + base + "\".");
}

void RemoveTree(const std::string& path)
{
    if (path.empty())
        return;
    std::error_code ec;
    fs::remove_all(FsPath(ExcludeTrailingPathDelimiter(path)), ec);
}

TCurrentFolder::TCurrentFolder(const std::string& folder)
{
    std::error_code ec;
    FPrevious = FromFsPath(fs::current_path(ec));
    if (!folder.empty())
        fs::current_path(FsPath(folder), ec);
}

TCurrentFolder::~TCurrentFolder()
{
    std::error_code ec;
    if (!FPrevious.empty())
        fs::current_path(FsPath(FPrevious), ec);
}
