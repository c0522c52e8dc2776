#pragma once

// Scrambled INI storage, shared by the builder, the launcher and the setup
// wizard. The texts of the desktop setup wizard live in INI text whose bytes
// are shifted by a fixed key, so that a text editor shows nothing readable.
// The builder writes what the other programs read, so all of them compile
// this one unit with the one key below.
//
// Plain C++ and common/ only: this unit is built with mingw-w64 as well.

#include "common/Stream.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

// Exactly 242 printable ASCII characters. Only the first 241 take part in
// scrambling (the key position wraps before it reaches the last one), which
// stored files depend on: never change either the key or the cycle.
extern const char ScrambleKey[243];
inline constexpr size_t ScrambleKeyLength = 242;
inline constexpr size_t ScrambleCycle = ScrambleKeyLength - 1;

// One scramble or unscramble request. The key position starts afresh with
// every request, whatever the file position, so data comes back only when it
// is read in requests of the sizes it was written in (a whole file at once,
// here).
void ScrambleBytes(const uint8_t* plain, uint8_t* scrambled, size_t count);
void UnscrambleBytes(const uint8_t* scrambled, uint8_t* plain, size_t count);
std::string ScrambleText(const std::string& plain);
std::string UnscrambleText(const std::string& scrambled);

enum TFileMode {
    fmOpenRead, // an existing file, for reading
    fmCreate // a new or truncated file, for writing
};

// A file stream that scrambles every byte it writes and unscrambles every
// byte it reads. Position, size and seeking count bytes of the file, which
// holds one scrambled byte for each plain byte.
class TEncodedStream : public TStream {
public:
    // Fails with "Cannot open file <path>" (fmOpenRead) or
    // "Cannot create file <path>" (fmCreate).
    TEncodedStream(const std::string& fileName, TFileMode mode);
    ~TEncodedStream() override;
    TEncodedStream(const TEncodedStream&) = delete;
    TEncodedStream& operator=(const TEncodedStream&) = delete;

    size_t Read(void* buffer, size_t count) override;
    // Fails with "Stream write error" when the file takes fewer bytes.
    void Write(const void* buffer, size_t count) override;
    uint64_t Position() const override;
    void Seek(uint64_t position) override;
    uint64_t Size() const override;

    // Flushes and closes the file; a failure to store what was written
    // raises "Stream write error". The destructor closes silently.
    void Close();

private:
    std::string FKey;
    std::string FFileName;
    TFileMode FMode;
    mutable std::fstream FFile;
};

// One section of an INI text: its name and its lines ("ident=value", or a
// line without "=" kept as it was).
struct TIniSection {
    std::string Name;
    std::vector<std::string> Lines;
};

// An INI file held in memory, loaded from and saved to a scrambled file.
// Section names and idents are matched without regard to the case of a-z.
// ReadString replaces "%APPNAME%" and "%COMPANYNAME%" (any letter case) by
// AppName and CompanyName when those are set.
//
// The plain text never touches the disk: it is parsed from and built into
// memory, so two programs loading or saving at the same moment cannot meet
// in a shared intermediate file.
class TScrambeledMemIniFile {
public:
    // Loads the file; a missing file is created empty (0 bytes) first.
    // Fails with "Cannot open file <path>" / "Cannot create file <path>".
    explicit TScrambeledMemIniFile(const std::string& fileName);
    ~TScrambeledMemIniFile();
    TScrambeledMemIniFile(const TScrambeledMemIniFile&) = delete;
    TScrambeledMemIniFile& operator=(const TScrambeledMemIniFile&) = delete;

    // Writes the whole content to the file. The new file is written beside
    // the old one and then put in its place, so a failed save leaves the
    // previous file whole.
    void UpdateFile();
    // Writes the content to another file, which from then on is this one's
    // (the previous file is left as it is).
    void SaveAs(const std::string& fileName);

    std::string ReadString(const std::string& section, const std::string& ident, const std::string& defaultValue) const;
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    int32_t ReadInteger(const std::string& section, const std::string& ident, int32_t defaultValue) const;
    void WriteBool(const std::string& section, const std::string& ident, bool value);
    void ReadSections(std::vector<std::string>& list) const;
    void ReadSectionValues(const std::string& section, std::vector<std::string>& list) const;
    void EraseSection(const std::string& section);
    // Appends the content in its stored layout: for each section the header
    // line, its lines and one empty line.
    void GetStrings(std::vector<std::string>& list) const;
    // Replaces the content by the sections parsed from the lines.
    void SetStrings(const std::vector<std::string>& list);

    const std::string& FileName() const { return FFileName; }
    void SetAppName(const std::string& value) { FAppName = value; }
    void SetCompanyName(const std::string& value) { FCompanyName = value; }

    // The placeholder replacement that ReadString applies.
    std::string ExpandMacros(const std::string& text) const;

    // The plain text of the content as UpdateFile stores it (before scrambling).
    std::string PlainText() const;

    // Largest file a load accepts; a texts file is a few kilobytes, and a
    // larger one is refused before anything is allocated for it.
    static constexpr uint64_t MaxFileSize = 64u * 1024 * 1024;

private:
    const TIniSection* FindSection(const std::string& name) const;
    TIniSection* FindSection(const std::string& name);

    std::vector<TIniSection> FIniFile;
    std::string FFileName;
    std::string FAppName;
    std::string FCompanyName;
};

// Splits text into lines as a load does (CR LF, lone CR, lone LF; a NUL ends
// the text).
std::vector<std::string> SplitIniLines(const std::string& text);
