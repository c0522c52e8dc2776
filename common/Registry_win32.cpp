#include "common/Registry.h"

#include "common/Exception.h"
#include "common/Platform.h"
#include "common/WinString.h"

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

std::wstring Relative(const std::string& key)
{
    size_t start = 0;
    while (start < key.size() && key[start] == '\\')
        ++start;
    return WideFromUtf8(key.substr(start));
}

REGSAM Access(TRegView view)
{
    return KEY_QUERY_VALUE | (view == TRegView::Registry64 ? KEY_WOW64_64KEY : 0);
}

std::string Expand(const std::wstring& text)
{
    DWORD n = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (n == 0)
        return Utf8FromWide(text);
    std::wstring expanded(n, L'\0');
    n = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), n);
    if (n == 0)
        return Utf8FromWide(text);
    expanded.resize(n - 1);
    return Utf8FromWide(expanded);
}

[[noreturn]] void Fail(LONG code)
{
    throw Exception(SystemErrorMessage(static_cast<int>(code)));
}

}

bool RegistryKeyExists(TRegRoot root, const std::string& key, TRegView view)
{
    HKEY h;
    if (RegOpenKeyExW(RootKey(root), Relative(key).c_str(), 0, Access(view), &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

TRegistryValue ReadRegistryValue(TRegRoot root, const std::string& key, const std::string& name, TRegView view)
{
    HKEY h;
    LONG rc = RegOpenKeyExW(RootKey(root), Relative(key).c_str(), 0, Access(view), &h);
    if (rc != ERROR_SUCCESS)
        Fail(rc);
    struct Closer {
        HKEY h;
        ~Closer() { RegCloseKey(h); }
    } closer{h};

    std::wstring wideName = WideFromUtf8(name);
    DWORD type = 0, size = 0;
    rc = RegQueryValueExW(h, wideName.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS)
        Fail(rc);
    std::vector<BYTE> data(size + 2, 0);
    DWORD got = size;
    rc = RegQueryValueExW(h, wideName.c_str(), nullptr, &type, data.data(), &got);
    if (rc != ERROR_SUCCESS)
        Fail(rc);
    TRegistryValue value;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), got / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0')
            text.pop_back();
        value.Text = type == REG_EXPAND_SZ ? Expand(text) : Utf8FromWide(text);
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
    default: Fail(ERROR_CANTREAD);
    }
}
