#include "common/Registry.h"

#include "common/Exception.h"
#include "common/Platform.h"

#include <windows.h>

#include <vector>

namespace {

HKEY RootKey(TRegRoot root)
{
    switch (root) {
    case TRegRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case TRegRoot::CurrentUser: return HKEY_CURRENT_USER;
    case TRegRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    }
    return HKEY_LOCAL_MACHINE;
}

std::string Relative(const std::string& key)
{
    size_t start = 0;
    while (start < key.size() && key[start] == '\\')
        ++start;
    return key.substr(start);
}

[[noreturn]] void Fail(LONG code)
{
    throw Exception(SystemErrorMessage(static_cast<int>(code)));
}

}

bool RegistryKeyExists(TRegRoot root, const std::string& key)
{
    HKEY h;
    if (RegOpenKeyExA(RootKey(root), Relative(key).c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

TRegistryValue ReadRegistryValue(TRegRoot root, const std::string& key, const std::string& name)
{
    HKEY h;
    LONG rc = RegOpenKeyExA(RootKey(root), Relative(key).c_str(), 0, KEY_QUERY_VALUE, &h);
    if (rc != ERROR_SUCCESS)
        Fail(rc);
    struct Closer {
        HKEY h;
        ~Closer() { RegCloseKey(h); }
    } closer{h};

    DWORD type = 0, size = 0;
    rc = RegQueryValueExA(h, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS)
        Fail(rc);
    std::vector<BYTE> data(size + 2, 0);
    DWORD got = size;
    rc = RegQueryValueExA(h, name.c_str(), nullptr, &type, data.data(), &got);
    if (rc != ERROR_SUCCESS)
        Fail(rc);
    TRegistryValue value;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::string text(reinterpret_cast<const char*>(data.data()), got);
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        value.Text = text;
        return value;
    }
    case REG_DWORD:
        if (got < sizeof(DWORD))
            Fail(ERROR_CANTREAD);
        value.Kind = TRegistryValue::DWord;
        value.Number = *reinterpret_cast<const DWORD*>(data.data());
        return value;
    case REG_BINARY:
        if (got < size)
            Fail(ERROR_CANTREAD);
        value.Kind = TRegistryValue::Binary;
        value.Text.assign(reinterpret_cast<const char*>(data.data()), got);
        return value;
    default:
        Fail(ERROR_CANTREAD);
    }
}
