// The current user's registry for the one-time settings migration (Win32).
#pragma once

#include <string>

#include "link/qvUtility.h"

namespace talvik {

class TWin32Registry : public TRegistryAccess {
public:
    bool KeyExists(const std::string& Key) override;
    void CopyKey(const std::string& From, const std::string& To) override;
};

// MigrateRegistryKeys over HKEY_CURRENT_USER.
void MigrateRegistryKeys(const std::string& NewKey);

}  // namespace talvik
