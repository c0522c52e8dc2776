#include "tools/makesfx/MakeSfx.h"

#include "formats/SfxArchive.h"
#include "formats/SfxStreamSource.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>

namespace {

std::string Unquote(const std::string& value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

// The archive, read the way the stub will read it.
TSfxStreamSource OpenArchive(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const int64_t size = FileSize(path);
    if (!file || size < 0)
        throw Exception("Cannot open the archive \"" + path + "\".");
    return TSfxStreamSource(std::move(file), static_cast<uint64_t>(size), "Cannot read the archive \"" + path + "\".");
}

void CopyInto(std::ofstream& out, const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Exception("Cannot open \"" + path + "\".");
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        out.write(buffer.data(), in.gcount());
    }
    if (in.bad())
        throw Exception("Cannot read \"" + path + "\".");
}

uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Le16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

void PutLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

// Appends the archive with every offset moved by the stub in front of it
// (what "zip -A" does), so that ZIP readers that take offsets from the
// start of the file accept the program as it is. The stub's reader was
// given the archive checked already; the central directory and its end
// record are read again here, and every length is checked before use.
void CopyArchiveAfterStub(std::ofstream& out, const std::string& zipPath, uint64_t stubSize)
{
    constexpr size_t EndSize = 22, EntrySize = 46;
    constexpr uint32_t SigEnd = 0x06054b50, SigEntry = 0x02014b50;
    TSfxStreamSource source = OpenArchive(zipPath);
    const uint64_t size = source.Size();
    if (size < EndSize)
        throw Exception("The archive \"" + zipPath + "\" is damaged: too short.");
    uint64_t tailStart = size > EndSize + 0xFFFF ? size - EndSize - 0xFFFF : 0;
    std::vector<uint8_t> tail(static_cast<size_t>(size - tailStart));
    source.ReadAt(tailStart, tail.data(), tail.size());
    size_t end = SIZE_MAX;
    for (size_t i = tail.size() - EndSize + 1; i-- > 0;)
        if (Le32(&tail[i]) == SigEnd && i + EndSize + Le16(&tail[i + 20]) <= tail.size()) {
            end = i;
            break;
        }
    if (end == SIZE_MAX)
        throw Exception("The archive \"" + zipPath + "\" is damaged: no end of central directory record.");
    const uint64_t endPos = tailStart + end;
    const uint32_t directorySize = Le32(&tail[end + 12]), directoryOffset = Le32(&tail[end + 16]);
    const uint16_t entries = Le16(&tail[end + 10]);
    if (directoryOffset > endPos || directorySize != endPos - directoryOffset)
        throw Exception("The archive \"" + zipPath + "\" is damaged: central directory outside the archive.");
    if (stubSize + size > 0xFFFFFFFFull)
        throw Exception("The archive \"" + zipPath + "\" is too large for a self-extracting program.");
    const uint32_t shift = static_cast<uint32_t>(stubSize);

    std::vector<uint8_t> directory(static_cast<size_t>(size - directoryOffset));
    source.ReadAt(directoryOffset, directory.data(), directory.size());
    size_t pos = 0;
    for (uint16_t i = 0; i < entries; ++i) {
        if (directorySize - pos < EntrySize || Le32(&directory[pos]) != SigEntry)
            throw Exception("The archive \"" + zipPath + "\" is damaged: central directory entry " + std::to_string(i) +
                            " is cut short.");
        PutLe32(&directory[pos + 42], Le32(&directory[pos + 42]) + shift);
        pos += EntrySize + Le16(&directory[pos + 28]) + Le16(&directory[pos + 30]) + Le16(&directory[pos + 32]);
        if (pos > directorySize)
            throw Exception("The archive \"" + zipPath + "\" is damaged: central directory entry " + std::to_string(i) +
                            " is cut short.");
    }
    PutLe32(&directory[directorySize + 16], directoryOffset + shift);

    std::vector<char> buffer(1 << 20);
    for (uint64_t done = 0; done < directoryOffset;) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), directoryOffset - done));
        source.ReadAt(done, buffer.data(), n);
        out.write(buffer.data(), static_cast<std::streamsize>(n));
        done += n;
    }
    out.write(reinterpret_cast<const char*>(directory.data()), static_cast<std::streamsize>(directory.size()));
}

} // namespace

TMakeSfxOptions TMakeSfx::ParseArguments(const std::vector<std::string>& args)
{
    TMakeSfxOptions options;
    bool haveZip = false, haveSfx = false, haveExec = false;
    for (const std::string& arg : args) {
        if (arg.empty())
            continue;
        if (arg[0] != '/' && arg[0] != '-')
            throw Exception("Unknown argument: " + arg);
        size_t eq = arg.find('=');
        std::string key = LowerCase(arg.substr(1, eq == std::string::npos ? std::string::npos : eq - 1));
        std::string value = eq == std::string::npos ? std::string() : Unquote(arg.substr(eq + 1));
        bool hasValue = eq != std::string::npos;
        if (key == "zip" && hasValue) {
            options.Zip = value;
            haveZip = true;
        } else if (key == "sfx" && hasValue) {
            options.Sfx = value;
            haveSfx = true;
        } else if (key == "title" && hasValue) {
            options.Settings.Title = value;
        } else if (key == "unpacking" && hasValue) {
            options.Settings.Unpacking = value;
        } else if (key == "failure" && hasValue) {
            options.Settings.Failure = value;
        } else if (key == "exec" && hasValue) {
            options.Settings.Exec = value;
            haveExec = true;
        } else if (key == "autoextract" && !hasValue) {
            options.Settings.AutoExtract = true;
        } else if (key == "nogui" && !hasValue) {
            options.Settings.AutoExtract = false;
        } else if (key == "overwrite" && !hasValue) {
            options.Overwrite = true;
        } else {
            throw Exception("Unknown argument: " + arg);
        }
    }
    if (!haveZip || options.Zip.empty())
        throw Exception("No archive given (/zip=).");
    if (!haveSfx || options.Sfx.empty())
        throw Exception("No output program given (/sfx=).");
    if (!haveExec || options.Settings.Exec.empty())
        throw Exception("No program to start given (/exec=).");
    return options;
}

void TMakeSfx::Make(const TMakeSfxOptions& options, const std::string& stubPath)
{
    if (!FileExists(stubPath))
        throw Exception("The self-extractor stub \"" + stubPath + "\" is missing.");
    if (!options.Overwrite && FileExists(options.Sfx))
        throw Exception("\"" + options.Sfx + "\" exists (use /overwrite to replace it).");

    uint64_t zipSize = 0;
    {
        TSfxStreamSource source = OpenArchive(options.Zip);
        TSfxArchive archive(source);
        for (const TSfxEntry& e : archive.Entries())
            if (!TSfxArchive::IsSafeName(e.Name))
                throw Exception("The archive holds a name that would unpack outside its folder: " + e.Name);
        zipSize = source.Size();
    }
    // The stub reads everything in front of the settings as its archive;
    // with the offsets counted from the file's start that is the stub and
    // the archive together.
    const int64_t stubSize = FileSize(stubPath);
    if (stubSize < 0)
        throw Exception("Cannot read \"" + stubPath + "\".");
    std::vector<uint8_t> trailer = TSfxTrailer::Encode(options.Settings, static_cast<uint64_t>(stubSize) + zipSize);

    std::string temp = options.Sfx + ".~" + std::to_string(CurrentProcessId()) + ".tmp";
    try {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            throw Exception("Cannot create \"" + options.Sfx + "\".");
        CopyInto(out, stubPath);
        CopyArchiveAfterStub(out, options.Zip, static_cast<uint64_t>(stubSize));
        out.write(reinterpret_cast<const char*>(trailer.data()), static_cast<std::streamsize>(trailer.size()));
        out.close();
        if (!out)
            throw Exception("Cannot write \"" + options.Sfx + "\".");
        if (std::rename(temp.c_str(), options.Sfx.c_str()) != 0)
            throw Exception("Cannot replace \"" + options.Sfx + "\".");
    } catch (...) {
        DeleteFileIfExists(temp);
        throw;
    }
}
