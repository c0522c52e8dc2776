#include "formats/SfxTrailer.h"

#include "common/Exception.h"

#include <cstring>

namespace {

const char Magic[8] = {'V', 'I', 'S', 'F', 'X', '0', '1', '\x1a'};

void PutLe(std::vector<uint8_t>& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint64_t GetLe(const uint8_t* p, int bytes)
{
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

void PutLine(std::string& text, const char* key, const std::string& value)
{
    // A line break inside a value would start a new key.
    for (char c : value)
        if (c == '\r' || c == '\n')
            throw Exception(std::string("The ") + key + " must not contain a line break.");
    text += key;
    text += '=';
    text += value;
    text += "\r\n";
}

} // namespace

std::vector<uint8_t> TSfxTrailer::Encode(const TSfxSettings& settings, uint64_t zipSize)
{
    std::string text;
    PutLine(text, "title", settings.Title);
    PutLine(text, "exec", settings.Exec);
    PutLine(text, "mode", settings.AutoExtract ? "autoextract" : "nogui");
    // Written only when set, so that a package without them is unchanged.
    if (!settings.Unpacking.empty())
        PutLine(text, "unpacking", settings.Unpacking);
    if (!settings.Failure.empty())
        PutLine(text, "failure", settings.Failure);
    if (text.size() > MaxSettingsSize)
        throw Exception("The title and program name are too long.");

    std::vector<uint8_t> out(text.begin(), text.end());
    PutLe(out, zipSize, 8);
    PutLe(out, text.size(), 4);
    PutLe(out, 0, 4); // reserved flags
    out.insert(out.end(), Magic, Magic + sizeof(Magic));
    return out;
}

void TSfxTrailer::DecodeTail(const uint8_t* tail, uint64_t fileSize, uint64_t& zipSize, uint32_t& settingsSize)
{
    if (fileSize < TailSize || std::memcmp(tail + 16, Magic, sizeof(Magic)) != 0)
        throw Exception("No archive is attached to this program.");
    zipSize = GetLe(tail, 8);
    settingsSize = static_cast<uint32_t>(GetLe(tail + 8, 4));
    if (settingsSize > MaxSettingsSize)
        throw Exception("The settings block is too large.");
    // Compared piecewise so that a hostile zipSize cannot wrap the sum.
    uint64_t room = fileSize - TailSize;
    if (settingsSize > room || zipSize > room - settingsSize)
        throw Exception("The attached archive is larger than the program file.");
}

TSfxSettings TSfxTrailer::DecodeSettings(const uint8_t* data, size_t size)
{
    TSfxSettings settings;
    bool haveExec = false;
    size_t pos = 0;
    while (pos < size) {
        size_t end = pos;
        while (end < size && data[end] != '\n')
            ++end;
        std::string line(reinterpret_cast<const char*>(data) + pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        if (key == "title") {
            settings.Title = value;
        } else if (key == "exec") {
            settings.Exec = value;
            haveExec = true;
        } else if (key == "mode") {
            settings.AutoExtract = value != "nogui";
        } else if (key == "unpacking") {
            settings.Unpacking = value;
        } else if (key == "failure") {
            settings.Failure = value;
        }
    }
    if (!haveExec || settings.Exec.empty())
        throw Exception("The settings name no program to start.");
    return settings;
}
