#include "common/Registry.h"

#include "common/Exception.h"
#include "common/Numbers.h"
#include "common/Paths.h"
#include "common/Platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

const char* RootName(TRegRoot root)
{
    switch (root) {
    case TRegRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case TRegRoot::CurrentUser: return "HKEY_CURRENT_USER";
    case TRegRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
    }
    return "";
}

std::string FullKey(TRegRoot root, const std::string& key, TRegView view = TRegView::Default)
{
    if (view == TRegView::Registry64)
        return "64:" + FullKey(root, key, TRegView::Default);
    std::string k = key;
    while (!k.empty() && k.front() == '\\')
        k.erase(0, 1);
    while (!k.empty() && k.back() == '\\')
        k.pop_back();
    return k.empty() ? std::string(RootName(root)) : std::string(RootName(root)) + "\\" + k;
}

std::string StoreText()
{
    const char* path = std::getenv("VI_REGISTRY_FILE");
    if (!path || !*path || !FileExists(path))
        return std::string();
    auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Finds the key's section; true when it is there. The lines of the section
// follow in `lines`.
bool FindKey(const std::string& fullKey, std::vector<std::string>& lines)
{
    std::istringstream in(StoreText());
    std::string line;
    bool inKey = false, found = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string t = Trim(line);
        if (!t.empty() && t.front() == '[' && t.back() == ']') {
            inKey = SameText(t.substr(1, t.size() - 2), fullKey);
            found = found || inKey;
            continue;
        }
        if (inKey)
            lines.push_back(t);
    }
    return found;
}

[[noreturn]] void Fail(int code)
{
    throw Exception(SystemErrorMessage(code));
}

std::string Unquote(const std::string& s)
{
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        return s.substr(1, s.size() - 2);
    return s;
}

}

bool RegistryKeyExists(TRegRoot root, const std::string& key, TRegView view)
{
    std::vector<std::string> lines;
    return FindKey(FullKey(root, key, view), lines);
}

TRegistryValue ReadRegistryValue(TRegRoot root, const std::string& key, const std::string& name, TRegView view)
{
    std::vector<std::string> lines;
    if (!FindKey(FullKey(root, key, view), lines))
        Fail(ENOENT);
    for (const auto& line : lines) {
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string ident = Trim(line.substr(0, eq));
        std::string data = Trim(line.substr(eq + 1));
        bool match = ident == "@" ? name.empty() : SameText(Unquote(ident), name) && !name.empty();
        if (!match)
            continue;
        TRegistryValue value;
        if (data.rfind("dword:", 0) == 0) {
            value.Kind = TRegistryValue::DWord;
            std::optional<uint64_t> number = ParseDigits(Trim(data.substr(6)), 16, UINT32_MAX);
            if (!number)
                Fail(EIO); // a broken value reads as no value, never as 0
            value.Number = static_cast<uint32_t>(*number);
        } else if (data.rfind("hex:", 0) == 0) {
            value.Kind = TRegistryValue::Binary;
            std::istringstream bytes(data.substr(4));
            std::string b;
            while (std::getline(bytes, b, ','))
                if (!Trim(b).empty()) {
                    std::optional<uint64_t> byte = ParseDigits(Trim(b), 16, 0xFF);
                    if (!byte)
                        Fail(EIO);
                    value.Text += static_cast<char>(*byte);
                }
        } else if (data.rfind("expand:\"", 0) == 0 && data.size() >= 9 && data.back() == '"') {
            value.Text = ExpandEnvironmentText(data.substr(8, data.size() - 9));
        } else if (data.size() >= 2 && data.front() == '"' && data.back() == '"') {
            value.Text = data.substr(1, data.size() - 2);
        } else {
            Fail(EIO); // a type the readers do not know
        }
        return value;
    }
    Fail(ENOENT);
}
