// The records of the line applications that running programs hold, and the clean-up after
// programs that ended without shutting theirs down.
#include "serial/KsTapiCleanup.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "base/format.h"

namespace talvik {

namespace {

const char kRegistryKey[] = "SOFTWARE\\Brellacorn\\KESL\\TAPI";

std::string ProcessValueName() { return Format("$%.8X", static_cast<unsigned>(GetCurrentProcessId())); }

}  // namespace

void CleanupDeadTapiRecords(const std::function<bool(DWORD_PTR Handle)>& HeldHere) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    std::vector<std::pair<std::string, std::string>> values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLen = sizeof name;
        BYTE data[64] = {};
        DWORD dataLen = sizeof data - 1;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
        values.emplace_back(std::string(name, nameLen), std::string(reinterpret_cast<char*>(data)));
    }
    for (const auto& [name, data] : values) {
        if (name.size() == 9 && name[0] == '$') {
            const unsigned long pid = std::strtoul(name.c_str() + 1, nullptr, 16);
            const auto handle = TryStrToInt(data);
            const auto stored = handle ? static_cast<DWORD_PTR>(static_cast<std::uint32_t>(*handle)) : 0;
            if (pid == GetCurrentProcessId()) {
                // Process numbers come round again (under Wine the first program after the
                // server starts gets the same one each time): a record under this program's own
                // number is an earlier run's, unless a device of this run holds its handle.
                if (HeldHere(stored)) continue;
            } else if (HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(pid))) {
                // A program that runs beside this one keeps its record: should it end without
                // shutting down, the next start still finds its line application.
                CloseHandle(process);
                continue;
            }
            // The line application of a process that ended without shutting it down.
            if (handle) talvik::lineShutdown(reinterpret_cast<HLINEAPP>(stored));
        }
        RegDeleteValueA(key, name.c_str());
    }
    RegCloseKey(key);
}

void WriteTapiRecord(HLINEAPP App) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    const std::string value = IntToStr(static_cast<std::int32_t>(reinterpret_cast<DWORD_PTR>(App)));
    RegSetValueExA(key, ProcessValueName().c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

void RemoveTapiRecord() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, ProcessValueName().c_str());
    RegCloseKey(key);
}

}  // namespace talvik
