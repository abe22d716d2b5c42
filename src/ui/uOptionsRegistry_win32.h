// TP_Registry: 32-bit integer values (REG_DWORD) under a base key of a registry root, one
// subkey per section. Reads fall back to their default and writes report false; nothing raises.
// Win32 only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/uOptionsRegistry.h"

namespace talvik {

class TP_Registry {
public:
    TP_Registry() = default;
    void SetRootKey(HKEY root) { root_ = root; }
    HKEY RootKey() const { return root_; }
    std::string BaseKey;  // for instance kOptionsBaseKey

    std::string FullKey(const std::string& section) const { return JoinKey(BaseKey, section); }
    std::int32_t ReadInteger(const std::string& section, const std::string& name, std::int32_t def);
    bool WriteInteger(const std::string& section, const std::string& name, std::int32_t value);

private:
    HKEY OpenSection(const std::string& section, REGSAM access);
    HKEY root_ = HKEY_CURRENT_USER;
};

}  // namespace talvik
