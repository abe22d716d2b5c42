// The operator's settings as kept in the registry: the settings record with every value's
// default, the sections and value names, and readregistry/writeregistry over an abstract
// INI-style store (section = subkey, every value a text). The Win32 store over
// HKCU\Software\Corvanel\TALVIK lives in uRegistry_win32.cpp; tests use MemoryIniStore.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "link/qvEquates.h"  // BaudRates, which the "Baud Rate" index selects

namespace talvik {

// Section/name/value store in the manner of an INI file kept in the registry.
class IniStore {
public:
    virtual ~IniStore() = default;
    // The stored text, or def when the section or value is missing or unreadable.
    virtual std::string ReadString(const std::string& section, const std::string& name,
                                   const std::string& def) = 0;
    // False when the value could not be stored.
    virtual bool WriteString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;

    // Integers are kept as decimal text, Booleans as "1" or "0"; text that is no number
    // gives the default.
    std::int32_t ReadInteger(const std::string& section, const std::string& name, std::int32_t def);
    bool ReadBool(const std::string& section, const std::string& name, bool def);
    bool WriteInteger(const std::string& section, const std::string& name, std::int32_t value);
    bool WriteBool(const std::string& section, const std::string& name, bool value);
};

// An in-memory store; it also records the order of reads and writes.
class MemoryIniStore : public IniStore {
public:
    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& def) override;
    bool WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;

    std::map<std::pair<std::string, std::string>, std::string> values;
    std::vector<std::string> reads;   // "section/name" in call order
    std::vector<std::string> writes;  // "section/name" in call order
    bool failWrites = false;
};

constexpr const char* kRegistryKey = "Software\\Corvanel\\TALVIK";
constexpr const char* kSectionSettings = "Settings";
constexpr const char* kSectionSaveOptions = "Save Options";
constexpr const char* kSectionPhoneList = "Phone List";
constexpr const char* kSectionFont = "Font";

constexpr int kPhoneBookRows = 16;
constexpr int kStoredFontLanguages = 3;  // the German font is not stored
// What the controls that show the values take (and the values' use accepts).
constexpr std::int32_t kMaxPortNumber = 254;        // port edits, 1..254
constexpr std::size_t kMaxFileNameLength = 259;     // a Windows path (MAX_PATH less its end)
constexpr std::size_t kMaxModemSetLength = 40;      // a modem command line after its "AT"
constexpr std::size_t kMaxTapiDeviceLength = 255;
constexpr std::size_t kMaxStationNameLength = 255;  // a phone-book cell
constexpr std::size_t kMaxFontNameLength = 31;      // a font's face name (32 with its end)

// The number dialled for a station until the operator enters one.
constexpr const char* kDefaultStationNumber = "0399990000";

struct PhoneBookEntry {
    std::string name;
    std::string number;
};

// Everything readregistry fills and writeregistry stores, with the defaults of a first start.
struct RegistrySettings {
    // Section "Settings"
    std::int32_t PeriodicLogRate = 2;      // rateedit, hours 1..48
    std::int32_t BaudIndex = 3;            // baudbox index 0..3 (9600)
    std::int32_t DirectPortNumber = 1;
    std::int32_t ModemPortNumber = 3;
    std::int32_t LanguageNumber = 0;
    std::int32_t VoltageMultiplier = 4;
    std::int32_t CurrentMultiplier = 1;
    std::int32_t CurrentMultiplierExt = 1;
    std::int32_t PhoneListLine = 1;
    std::int32_t SiteNumber = 1;           // Sitespin 0..240
    std::string DialString = kDefaultStationNumber;
    std::string SaveFileName = "SaveFile";
    std::string LogNumber = kDefaultStationNumber;
    std::string LogFileName = "LogFile";
    std::int32_t PathTimeDelay = 2;        // TimedelayEdit, ticks 2..20
    std::string ModemSetString = "&K0&Q0&D0";
    std::string SelectedTapiDevice;
    // Section "Save Options"
    bool CurrentData = false;
    bool DayData = false;
    bool SettingsData = false;
    bool CalibrationData = false;
    bool SampleEnabled = false;
    bool LogDialUpEnabled = false;
    bool AlarmBeep = false;   // read, never written back
    bool AlarmDial = false;   // read, never written back
    bool SiteMode = false;
    bool TapiSelection = true;
    // Section "Phone List", rows 1..16 at index 0..15
    std::array<PhoneBookEntry, kPhoneBookRows> PhoneBook{};
    // Section "Font": languages 0..2 are stored, 3 always starts from its default
    std::array<std::string, 4> FontName = {"Arial", "Arial", "UWPSTJ (GB)", "Arial"};
    std::array<std::int32_t, 4> FontSize = {10, 10, 12, 10};
};

// Reads every value, falling back to the default for anything missing, unreadable or out of
// the receiving control's range (limited as the control would limit it).
void readregistry(IniStore& ini, RegistrySettings& s);
// Writes every value back; true when every write succeeded (a failed write does not stop
// the others).
bool writeregistry(IniStore& ini, const RegistrySettings& s);

// What the dial-number mask edits keep of a text: its digits, at most 16.
std::string ApplyDialMask(const std::string& text);

}  // namespace talvik
