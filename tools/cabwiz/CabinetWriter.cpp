#include "tools/cabwiz/CabinetWriter.h"

#include "common/Exception.h"
#include "common/Platform.h"
#include "formats/FormatChoices.h"

#include <libgcab.h>

#include <chrono>
#include <filesystem>
#include <memory>

namespace {

// Folder offsets and the cabinet size are 32-bit; keep clear of the top.
constexpr uint64_t MaxCabinetPayload = 0xFFF00000ull;

struct TGObjectDeleter {
    void operator()(gpointer p) const
    {
        if (p)
            g_object_unref(p);
    }
};
template <typename T>
using TGPtr = std::unique_ptr<T, TGObjectDeleter>;

struct TGErrorHolder {
    GError* FError = nullptr;
    ~TGErrorHolder()
    {
        if (FError)
            g_error_free(FError);
    }
    std::string Text() const { return FError ? FError->message : "unknown error"; }
};

void SetMemberInfo(GCabFile* file, int64_t unixTime, bool utc)
{
    // CAB dates are local time in DOS form, as on the desktop that builds;
    // a fixed time is the same everywhere, so it is written as UTC.
    GDateTime* dt = utc ? g_date_time_new_from_unix_utc(unixTime) : g_date_time_new_from_unix_local(unixTime);
    if (dt) {
        gcab_file_set_date_time(file, dt);
        g_date_time_unref(dt);
    }
    gcab_file_set_attributes(file, FormatChoices::MemberAttributes);
}

} // namespace

int64_t FileModifiedTime(const std::string& path)
{
    std::error_code ec;
    auto t = std::filesystem::last_write_time(path, ec);
    if (ec)
        return 0;
    auto sys = std::chrono::file_clock::to_sys(t);
    return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

void TCabinetWriter::AddFile(const std::string& memberName, const std::string& sourcePath)
{
    FMembers.push_back(TMember{memberName, sourcePath, {}, FileModifiedTime(sourcePath)});
}

void TCabinetWriter::AddData(const std::string& memberName, std::vector<uint8_t> data, int64_t unixTime)
{
    FMembers.push_back(TMember{memberName, std::string(), std::move(data), unixTime});
}

void TCabinetWriter::Write(const std::string& path) const
{
    const std::string failed = "CAB file \"" + path + "\" could not be created: ";
    uint64_t total = 0;
    for (const auto& m : FMembers)
        total += m.FSourcePath.empty() ? m.FData.size() : uint64_t(std::max<int64_t>(FileSize(m.FSourcePath), 0));
    if (total > MaxCabinetPayload)
        throw Exception(failed + "the files are too large for one cabinet");

    TGPtr<GCabCabinet> cabinet(gcab_cabinet_new());
    GCabFolder* folder = gcab_folder_new(FCompressed ? GCAB_COMPRESSION_MSZIP : GCAB_COMPRESSION_NONE);
    {
        TGErrorHolder error;
        if (!gcab_cabinet_add_folder(cabinet.get(), folder, &error.FError)) {
            g_object_unref(folder);
            throw Exception(failed + error.Text());
        }
        g_object_unref(folder); // the cabinet holds its own reference
    }
    for (const auto& m : FMembers) {
        TGPtr<GCabFile> file;
        if (m.FSourcePath.empty()) {
            GBytes* bytes = g_bytes_new(m.FData.data(), m.FData.size());
            file.reset(gcab_file_new_with_bytes(m.FName.c_str(), bytes));
            g_bytes_unref(bytes);
        } else {
            TGPtr<GFile> source(g_file_new_for_path(m.FSourcePath.c_str()));
            file.reset(gcab_file_new_with_file(m.FName.c_str(), source.get()));
        }
        TGErrorHolder error;
        if (!gcab_folder_add_file(folder, file.get(), FALSE, nullptr, &error.FError))
            throw Exception(failed + error.Text());
        // Set after adding: adding reads the file's own date and attributes.
        SetMemberInfo(file.get(), FFixedTime.value_or(m.FTime), FFixedTime.has_value());
    }

    std::string temp = path + ".~" + std::to_string(CurrentProcessId()) + "." +
                       std::to_string(reinterpret_cast<uintptr_t>(this) & 0xFFFF) + ".tmp";
    TGPtr<GFile> target(g_file_new_for_path(temp.c_str()));
    TGErrorHolder error;
    TGPtr<GFileOutputStream> stream(
        g_file_replace(target.get(), nullptr, FALSE, G_FILE_CREATE_NONE, nullptr, &error.FError));
    if (!stream)
        throw Exception(failed + error.Text());
    bool ok = gcab_cabinet_write_simple(cabinet.get(), G_OUTPUT_STREAM(stream.get()), nullptr, nullptr, nullptr,
                                        &error.FError);
    if (ok)
        ok = g_output_stream_close(G_OUTPUT_STREAM(stream.get()), nullptr, &error.FError);
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(temp, path, ec);
        if (!ec)
            return;
    }
    std::filesystem::remove(temp, ec);
    throw Exception(failed + (ok ? std::string("cannot rename the temporary file") : error.Text()));
}
