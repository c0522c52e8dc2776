#include "tools/makesfx/MakeSfx.h"

#include "tools/sfxstub/SfxArchive.h"

#include "common/Exception.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <cstdio>
#include <fstream>

namespace {

std::string Unquote(const std::string& value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

class TFileSource : public TSfxSource {
public:
    explicit TFileSource(const std::string& path) : FPath(path), FFile(path, std::ios::binary)
    {
        int64_t size = FileSize(path);
        if (!FFile || size < 0)
            throw Exception("Cannot open the archive \"" + path + "\".");
        FSize = static_cast<uint64_t>(size);
    }

    uint64_t Size() const override { return FSize; }
    void ReadAt(uint64_t offset, void* buffer, size_t count) const override
    {
        if (offset > FSize || count > FSize - offset)
            throw Exception("Cannot read the archive \"" + FPath + "\".");
        FFile.clear();
        FFile.seekg(static_cast<std::streamoff>(offset));
        FFile.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
        if (!FFile || static_cast<size_t>(FFile.gcount()) != count)
            throw Exception("Cannot read the archive \"" + FPath + "\".");
    }

private:
    std::string FPath;
    mutable std::ifstream FFile;
    uint64_t FSize = 0;
};

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
        TFileSource source(options.Zip);
        TSfxArchive archive(source);
        for (const TSfxEntry& e : archive.Entries())
            if (!TSfxArchive::IsSafeName(e.Name))
                throw Exception("The archive holds a name that would unpack outside its folder: " + e.Name);
        zipSize = source.Size();
    }
    std::vector<uint8_t> trailer = TSfxTrailer::Encode(options.Settings, zipSize);

    std::string temp = options.Sfx + ".~" + std::to_string(CurrentProcessId()) + ".tmp";
    try {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            throw Exception("Cannot create \"" + options.Sfx + "\".");
        CopyInto(out, stubPath);
        CopyInto(out, options.Zip);
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
