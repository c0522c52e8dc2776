#pragma once

// A CAB Wizard .inf text read with the usual INF rules: "[Section]" heads,
// case-insensitive section and key names, sections of the same name merged,
// ";" comments outside double quotes, comma-separated fields with optional
// double quotes, and "%key%" replaced from [Strings] and [CEStrings].
//
// A backslash at the end of a line continues it only when a blank stands
// before it (or it is alone on the line): "InstallDir=\" names the device
// root, and device paths never end that way otherwise.

#include <map>
#include <string>
#include <string_view>
#include <vector>

struct TInfLine {
    bool FHasKey = false;
    std::string FKey; // unquoted and trimmed; empty without "="
    std::string FValue; // the text after "=" (or the whole line), trimmed, quotes kept
    std::string FText; // the whole line without its comment, trimmed
    int FLineNo = 0;
};

class TInfFile {
public:
    // Fails with Exception when the file cannot be read, or names a
    // character that Windows-1252 cannot hold.
    void LoadFromFile(const std::string& path);
    // The text of an .inf file in Windows-1252, whatever editor saved it:
    // UTF-16 with its byte-order mark (either byte order), UTF-8 with or
    // without one, otherwise Windows-1252 as it is.
    static std::string DecodeText(const std::string& bytes);
    void LoadFromText(const std::string& text);

    // The lines of a section, or nullptr when the .inf has no such section.
    const std::vector<TInfLine>* Section(const std::string& name) const;
    // The section names as their first heads spell them, in the order met.
    const std::vector<std::string>& SectionNames() const { return FSectionNames; }
    // The value of the first line with this key, or nullptr.
    const TInfLine* Find(const std::string& section, const std::string& key) const;

    // Replaces %key% by the value from [Strings] (then [CEStrings]); "%%"
    // gives "%". Unknown keys, and %InstallDir% when keepInstallDir is set,
    // stay as they are for the device to resolve.
    std::string Substitute(const std::string& text, bool keepInstallDir) const;

    // The comma-separated fields of a value: quotes removed ("" inside
    // quotes is one quote), unquoted fields trimmed, then substituted.
    std::vector<std::string> Fields(const std::string& value, bool keepInstallDir) const;

    // Splits without substitution. Quoted[i] tells whether field i was quoted.
    static std::vector<std::string> SplitFields(const std::string& value, std::vector<bool>* quoted = nullptr);
    // The text after the n-th comma outside quotes (empty when there are fewer).
    static std::string TextAfterField(const std::string& value, size_t n);

private:
    // Section names compare as Windows compares them, ignoring ASCII case;
    // lookups by a view need no lower-cased copy.
    struct TNameLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    std::map<std::string, std::vector<TInfLine>, TNameLess> FSections;
    std::vector<std::string> FSectionNames;
    void AddLine(std::vector<TInfLine>*& current, std::string_view line, int lineNo);
    std::string Lookup(const std::string& key, bool keepInstallDir, int depth, int& budget) const;
    std::string SubstituteDepth(const std::string& text, bool keepInstallDir, int depth, int& budget) const;
};
