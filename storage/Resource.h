#pragma once

// One wizard text: the text of one key in each language's section of the
// texts file. The editors and the preview read and write through it.

#include <cstdint>
#include <string>

class TScrambeledMemIniFile;

class TResource {
public:
    // The texts file is not owned.
    TResource(const std::string& key, TScrambeledMemIniFile* textsFile, const std::string& caption);
    virtual ~TResource() = default;

    // The text of the key in the language; empty when the language's
    // section lacks the key.
    virtual std::string GetText(int32_t language) const;
    void SetText(const std::string& value, int32_t language);

    const std::string& Key() const { return FKey; }
    const std::string& Caption() const { return FCaption; }
    TScrambeledMemIniFile* TextsFile() const { return FTextsFile; }

protected:
    std::string ReadText(int32_t language) const;

private:
    TScrambeledMemIniFile* FTextsFile;
    std::string FCaption;
    std::string FKey;
};

// A text of one line, edited as plain text.
class TStringResource : public TResource {
public:
    using TResource::TResource;
    std::string GetText(int32_t language) const override { return ReadText(language); }
};

// The licence: its text is the base of the licence file's name.
class TMemoResource : public TResource {
public:
    using TResource::TResource;
    std::string GetText(int32_t language) const override { return ReadText(language); }
};
