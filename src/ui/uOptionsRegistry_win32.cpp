// TP_Registry over the Win32 registry (see uOptionsRegistry_win32.h).
#include "ui/uOptionsRegistry_win32.h"

namespace talvik {

HKEY TP_Registry::OpenSection(const std::string& section, REGSAM access) {
    std::string path = FullKey(section);
    // A leading backslash means "from the root"; the API takes the path without it.
    while (!path.empty() && path.front() == '\\') path.erase(0, 1);
    HKEY key = nullptr;
    if (RegCreateKeyExA(root_, path.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

std::int32_t TP_Registry::ReadInteger(const std::string& section, const std::string& name, std::int32_t def) {
    if (name.empty()) return def;
    HKEY key = OpenSection(section, KEY_READ);
    if (!key) return def;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    std::int32_t result = def;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(value))
        result = static_cast<std::int32_t>(value);
    RegCloseKey(key);
    return result;
}

bool TP_Registry::WriteInteger(const std::string& section, const std::string& name, std::int32_t value) {
    if (name.empty()) return false;
    HKEY key = OpenSection(section, KEY_WRITE);
    if (!key) return false;
    DWORD v = static_cast<DWORD>(value);
    LONG rc = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

}  // namespace talvik
