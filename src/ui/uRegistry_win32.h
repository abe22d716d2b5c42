// The registry-INI store: sections are subkeys of one key under HKEY_CURRENT_USER and every
// value is a REG_SZ text. Win32 only.
#pragma once

#include <string>

#include "ui/uRegistry.h"

namespace talvik {

class RegIniStore : public IniStore {
public:
    // keyPath is relative to HKEY_CURRENT_USER, for instance kRegistryKey.
    explicit RegIniStore(std::string keyPath = kRegistryKey);
    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& def) override;
    bool WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;
    const std::string& KeyPath() const { return keyPath_; }

private:
    std::string keyPath_;
};

}  // namespace talvik
