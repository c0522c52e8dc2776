#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The settings makesfx writes behind the ZIP archive it appends to the stub,
// and the fixed-size tail that lets the stub find both from the end of its
// own file. The layout is described in tools/sfxstub/README.md.
struct TSfxSettings {
    std::string Title; // window title, Windows-1252
    std::string Exec; // program to start, "$temp$\Setup.exe"
    bool AutoExtract = true; // false: no user interface at all
    // The package's own words, Windows-1252, each empty for the stub's
    // built-in English: the progress window's "Unpacking..." and the text
    // that leads a failure reported once these settings are read.
    std::string Unpacking;
    std::string Failure;
};

class TSfxTrailer {
public:
    static constexpr size_t TailSize = 24;
    static constexpr uint32_t MaxSettingsSize = 0x10000;

    // The settings block followed by the tail, ready to be written right
    // after a ZIP archive of zipSize bytes.
    static std::vector<uint8_t> Encode(const TSfxSettings& settings, uint64_t zipSize);

    // Reads the tail (the last TailSize bytes of the file): the sizes of the
    // ZIP archive and of the settings block. Raises Exception when the tail is
    // not ours or the sizes do not fit in a file of fileSize bytes.
    static void DecodeTail(const uint8_t* tail, uint64_t fileSize, uint64_t& zipSize, uint32_t& settingsSize);
    static TSfxSettings DecodeSettings(const uint8_t* data, size_t size);
};
