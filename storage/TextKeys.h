#pragma once

// The wizard texts of one language, grouped as the text tree shows them. The
// UI builds its tree from this table; the shipped default texts hold every
// key of it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TResource;
class TScrambeledMemIniFile;

enum class TTextKind {
    String, // a one-line text (TStringResource)
    Memo // the licence (TMemoResource)
};

struct TTextKey {
    const char* Group;
    const char* Key;
    const char* Caption;
    TTextKind Kind;
};

// Every key, in tree order (groups in their order, keys in theirs).
const std::vector<TTextKey>& TextKeyTable();
// The group captions in tree order.
std::vector<std::string> TextKeyGroups();

// The key whose value names the licence file.
inline constexpr const char* LicenceKey = "2.EULA";

// Where the licence of the language lies: the folder joined with the name
// made from the language's "2.EULA" value (LicenceFileName).
std::string LicenceFilePath(const std::string& folder, int32_t language, const TScrambeledMemIniFile& textsFile);

// LicenceFilePath, with the default licence "EULA_Neutral.txt" of the
// program folder copied there first when the file is missing. An existing
// file is never overwritten; a copy that fails raises the file error.
std::string ProvideLicenceFile(const std::string& folder, int32_t language, const TScrambeledMemIniFile& textsFile,
                               const std::string& programDir);

// A resource of the key's kind over the texts file (not owned).
std::unique_ptr<TResource> CreateResource(const TTextKey& key, TScrambeledMemIniFile* textsFile);
