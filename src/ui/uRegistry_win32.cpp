// The registry-INI store over HKEY_CURRENT_USER (see uRegistry_win32.h). Names and texts are
// UTF-8 inside the program and UTF-16 in the registry, so station names in any language
// survive. A key or value that cannot be read gives the default; nothing here raises.
#include "ui/uRegistry_win32.h"

#include <windows.h>

#include <vector>

#include "base/format.h"

namespace talvik {

namespace {

std::wstring Wide(const std::string& s) {
    std::u16string w = Utf8ToUtf16(s);
    return std::wstring(w.begin(), w.end());
}

std::string Narrow(const wchar_t* s, std::size_t n) {
    return Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(s), n));
}

}  // namespace

RegIniStore::RegIniStore(std::string keyPath) : keyPath_(std::move(keyPath)) {}

std::string RegIniStore::ReadString(const std::string& section, const std::string& name,
                                    const std::string& def) {
    HKEY key = nullptr;
    std::wstring path = Wide(keyPath_ + "\\" + section);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return def;
    std::wstring wname = Wide(name);
    DWORD type = 0;
    DWORD size = 0;
    std::string result = def;
    if (RegQueryValueExW(key, wname.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        if ((type == REG_SZ || type == REG_EXPAND_SZ) && size <= 1024 * 1024) {
            std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, L'\0');
            DWORD got = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
            if (RegQueryValueExW(key, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()),
                                 &got) == ERROR_SUCCESS) {
                std::size_t n = got / sizeof(wchar_t);
                while (n > 0 && buf[n - 1] == L'\0') --n;  // stored with or without its terminator
                result = Narrow(buf.data(), n);
            }
        } else if (type == REG_DWORD) {
            // A number stored by an older program as an integer still reads as its text.
            DWORD v = 0;
            DWORD got = sizeof(v);
            if (RegQueryValueExW(key, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&v), &got) ==
                ERROR_SUCCESS)
                result = IntToStr(static_cast<std::int32_t>(v));
        }
    }
    RegCloseKey(key);
    return result;
}

bool RegIniStore::WriteString(const std::string& section, const std::string& name,
                              const std::string& value) {
    HKEY key = nullptr;
    std::wstring path = Wide(keyPath_ + "\\" + section);
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    std::wstring wname = Wide(name);
    std::wstring wvalue = Wide(value);
    LONG rc = RegSetValueExW(key, wname.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wvalue.c_str()),
                             static_cast<DWORD>((wvalue.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

}  // namespace talvik
