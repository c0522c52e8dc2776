#pragma once

// The one place where the program talks to the operating system. Platform.cpp
// holds what the standard library does portably; Platform_posix.cpp and
// Platform_win32.cpp hold the rest; the build picks one of the two. Of the
// other sources only common/Paths tests _WIN32: for the host's separator,
// the drive colon that ends a Windows path's folder part, and the turning of
// paths written on Windows into POSIX ones.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Paths are UTF-8 on Windows (converted at each wide system call) and the
// file system's bytes elsewhere. These turn them into std::filesystem paths
// and back; a plain std::filesystem::path(std::string) would go through the
// ANSI code page on Windows and mangle names such as "C:\Users\Дима".
std::filesystem::path FsPath(const std::string& path);
std::string FromFsPath(const std::filesystem::path& path);

// The temporary folder with a trailing separator: GetTempPathA on Windows;
// $TMPDIR or /tmp elsewhere. Empty when it cannot be found.
std::string GetTempDir();
// The Windows system folder (GetSystemDirectoryA); on POSIX hosts an empty text.
std::string GetSystemDir();
// The Windows folder (GetSystemWindowsDirectory); on POSIX hosts the
// environment variable windir, which tests set, or an empty text.
std::string GetWindowsDir();
// The user's own application-data folder that stays on this computer
// (CSIDL_LOCAL_APPDATA: "Local Settings\Application Data" on XP,
// "AppData\Local" later); on POSIX hosts $LOCALAPPDATA, which tests set, else
// $HOME/.local/share. Empty when it cannot be found.
std::string GetLocalAppDataDir();
// An environment variable's value; empty when it is not set.
std::string GetEnvironmentText(const std::string& name);
// The folder of the running program, with a trailing separator.
std::string GetProgramDir();
// The folder below which new work folders are proposed, with a trailing
// separator: "My Projects" beside the program on Windows. On POSIX hosts the
// program folder normally belongs to the system and cannot be written, so
// there it is "My Projects" in the user's home folder ($HOME, else the
// password database); the program folder only when no home is known.
std::string GetProjectsBaseDir(const std::string& programDir);

// The system's own text for an error code of the last failed call.
std::string SystemErrorMessage(int code);
int LastSystemError();

// The absolute form of a path (relative paths are taken from the current folder).
std::string ExpandFileName(const std::string& path);

bool FileExists(const std::string& path);
// The path under which this host finds the file that a Windows-1252 path
// names. On Windows that is its UTF-8 form (the paths of this layer); POSIX
// file names are UTF-8 too, so there the UTF-8 form is taken when that file
// exists, and the bytes as given otherwise (a name that is UTF-8 already, or
// no file at all).
std::string HostFileName(const std::string& ansiPath);
bool DirectoryExists(const std::string& path);
// Creates the folder and its missing parents; false on failure.
bool ForceDirectories(const std::string& path);
// Removes a folder only when it is empty; false when it is still there.
bool RemoveEmptyDirectory(const std::string& path);
// Deletes a file; false when it could not be deleted (a missing file counts as deleted).
bool DeleteFileIfExists(const std::string& path);
// Copies a file without overwriting an existing target; false on failure or
// when the target exists.
bool CopyFileNoOverwrite(const std::string& source, const std::string& target);
// The file's size, or -1 when it cannot be read.
int64_t FileSize(const std::string& path);
// True when both paths name one file (the same text, or two spellings of
// one file such as a letter-case variant on Windows).
bool IsSameFile(const std::string& path, const std::string& other);
// Empty when the file can be opened and its first byte read (an empty file
// counts as readable); otherwise the system's reason. A folder is no file.
std::string FileReadProblem(const std::string& path);

// Whole-file reads and writes; failures raise Exception with the path and
// the system's message.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
// Writes a sibling file in the same folder, flushes it to disk and then puts
// it in place of the target, so that a failure never leaves a truncated file
// where a good one was.
void WriteFileAtomic(const std::string& path, const void* data, size_t size);
void WriteFileAtomic(const std::string& path, const std::string& data);
// Creates a new file that only the current user can read (mode 0600 on
// POSIX; on Windows the user's temporary folder is private already) and
// writes data into it, for secrets handed to another program through a
// file. An existing file is an error rather than reused.
void WritePrivateFile(const std::string& path, const std::string& data);
// Moves a finished file over another in the same folder in one step, so the
// target is either the old file or the new one, never a mix or missing
// (rename(2); MoveFileEx with REPLACE_EXISTING, which plain rename on
// Windows refuses). Raises Exception naming the target on failure.
void ReplaceFileWith(const std::string& target, const std::string& replacement);
// The sibling WriteFileAtomic writes first: "<path>.~<process id>.tmp".
std::string AtomicSaveTempName(const std::string& path, unsigned long pid);
// Removes the siblings that saves of processes which no longer run left
// behind (a save killed before its rename); another running process's
// save in progress is left alone. WriteFileAtomic calls it after each save.
void RemoveStaleSaveFiles(const std::string& path);
// True while a process with this id runs, or when that cannot be told.
bool ProcessIsRunning(unsigned long pid);

// A new, empty folder below the temporary folder whose name no other process
// gets; returned with a trailing separator. Raises Exception on failure.
std::string CreatePrivateTempDir(const std::string& prefix);
// Removes a folder with everything in it; missing folders are ignored.
void RemoveTree(const std::string& path);

// A modal error box with one OK button (on Windows MessageBox with the error
// icon; elsewhere the text goes to standard error).
void ShowErrorBox(const std::string& caption, const std::string& text);

// Makes a folder the process's current folder for as long as it lives; the
// previous current folder comes back at the end. An empty folder changes
// nothing.
class TCurrentFolder {
public:
    explicit TCurrentFolder(const std::string& folder);
    ~TCurrentFolder();
    TCurrentFolder(const TCurrentFolder&) = delete;
    TCurrentFolder& operator=(const TCurrentFolder&) = delete;

private:
    std::string FPrevious;
};

// The Wine prefix of the user ($WINEPREFIX, else ~/.wine), without a
// trailing separator; empty on Windows or when neither is known.
std::string WinePrefixDir();
// A Windows drive-letter path ("C:\Windows CE Tools\x.dll", either
// separator) as a host path through the drive mapping of the Wine prefix
// (dosdevices/c:), so that SDKs installed under Wine are found. Each part is
// matched without regard to case where no exact match exists, as Windows
// would; the path is answered whether or not the file exists there. Empty
// on Windows, for a path without a drive letter, and when the prefix maps no
// such drive.
std::string WineDrivePath(const std::string& path);

// A number that differs between processes running at the same time.
unsigned long CurrentProcessId();
