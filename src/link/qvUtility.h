// Model decoding and value scaling: turns the regulator's type byte and a few configuration
// bytes of RegImage into the model, its version, the system voltage and the scale factors every
// window uses; formats values kept in tenths; moves the settings of the old registry key.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace talvik {

// Results of DecodeRegulatorType.
inline std::string ModelName;
inline std::int32_t ModelVersion = 0;
inline std::string ModelVersionText;
// 0..4 = 12, 24, 32, 36, 48 V; 5 any larger code; 7 and 8 the high-voltage models.
inline std::int32_t VoltageCode = 0;
inline std::int32_t VoltMult = 1;
inline std::int32_t VoltDiv = 1;
inline std::int32_t CurrentMultiplier = 1;
inline std::int32_t CurrentMultiplierExt = 1;
inline bool XalNewer = false;
inline std::int32_t VoltageTenthsA = 0;
inline std::int32_t VoltageTenthsB = 0;

// Nominal system voltages indexed by VoltageCode.
extern const std::array<const char*, 9> VoltageText;

// What a type byte and the system-voltage byte (address 93) say about a regulator.
struct RegulatorModel {
    std::string name;
    std::int32_t version = 0;
    std::int32_t voltageCode = 0;  // as VoltageCode
    std::int32_t scaleCode = 0;    // the code VoltageScale takes: 0 on the high-voltage models
    std::int32_t currentMultiplier = 1;
    std::int32_t currentMultiplierExt = 1;
    bool xalNewer = false;
};
RegulatorModel ModelOf(std::int32_t typeByte, std::int32_t voltageByte);

// Sets the results above from RegImage.
void DecodeRegulatorType();
// The image addresses of the two bytes DecodeRegulatorType reads: the type byte and the byte
// holding the voltage code.
std::int32_t ModelTypeAddress();
std::int32_t ModelVoltageAddress();

// A voltage v stored on the 12 V scale is shown as v * Mult / Div.
void VoltageScale(std::int32_t Code, std::int32_t& Mult, std::int32_t& Div);

// 123 -> "12.3", 5 -> "0.5".
std::string FormatTenths(std::int32_t N);
// As FormatTenths, but never more than "999.9".
std::string FormatTenthsCapped(std::int32_t N);

// The registry as the one-time migration needs it (current user's hive).
class TRegistryAccess {
public:
    virtual ~TRegistryAccess() = default;
    virtual bool KeyExists(const std::string& Key) = 0;
    // Creates To and copies every value of From into it.
    virtual void CopyKey(const std::string& From, const std::string& To) = 0;
};

// The key the settings lived under before.
inline const char* const OldRegistryKey = "software/talvik";

// Only when the old key exists and NewKey does not: copies the subkeys "Font", "Phone List",
// "Save Options" and "Settings" that exist under the old key to NewKey; the old key stays.
void MigrateRegistryKeys(const std::string& NewKey, TRegistryAccess& Registry);

void LoadqvUtility();  // writes "Load qvUtility"

}  // namespace talvik
