// The current user's registry for the one-time settings migration (Win32).
#include "link/qvRegistry_win32.h"

#include <windows.h>

#include <vector>

#include "base/rtl.h"

namespace talvik {

namespace {

struct KeyHandle {
    HKEY h = nullptr;
    ~KeyHandle() {
        if (h) RegCloseKey(h);
    }
};

}  // namespace

bool TWin32Registry::KeyExists(const std::string& Key) {
    KeyHandle k;
    return RegOpenKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_READ, &k.h) == ERROR_SUCCESS;
}

void TWin32Registry::CopyKey(const std::string& From, const std::string& To) {
    KeyHandle src, dst;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, From.c_str(), 0, KEY_READ, &src.h) != ERROR_SUCCESS)
        throw Exception("Failed to open registry key " + From);
    if (RegCreateKeyExA(HKEY_CURRENT_USER, To.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &dst.h, nullptr) != ERROR_SUCCESS)
        throw Exception("Failed to create registry key " + To);
    DWORD maxName = 0, maxData = 0;
    if (RegQueryInfoKeyA(src.h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData,
                         nullptr, nullptr) != ERROR_SUCCESS)
        throw Exception("Failed to read registry key " + From);
    std::vector<char> name(maxName + 1);
    std::vector<BYTE> data(maxData + 1);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        DWORD dataLen = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG r = RegEnumValueA(src.h, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS) throw Exception("Failed to read registry key " + From);
        if (RegSetValueExA(dst.h, name.data(), 0, type, data.data(), dataLen) != ERROR_SUCCESS)
            throw Exception("Failed to write registry key " + To);
    }
}

void MigrateRegistryKeys(const std::string& NewKey) {
    TWin32Registry registry;
    MigrateRegistryKeys(NewKey, registry);
}

}  // namespace talvik
