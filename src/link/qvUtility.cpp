// Model decoding, voltage scaling, tenths formatting and the registry migration rule.
#include "link/qvUtility.h"

#include "base/debugchannel.h"
#include "base/format.h"
#include "base/rtl.h"
#include "link/qvEquates.h"
#include "link/uLog.h"
#include "link/uVar.h"

namespace talvik {

const std::array<const char*, 9> VoltageText = {"12", "24", "32", "36", "48", "96", "108", "120", "136"};

namespace {
std::int32_t ImageAt(int equate) { return At(RegImage, At(EquateAddress, equate)); }
}  // namespace

std::int32_t ModelTypeAddress() { return At(EquateAddress, 0); }
std::int32_t ModelVoltageAddress() { return At(EquateAddress, 86); }

RegulatorModel ModelOf(std::int32_t typeByte, std::int32_t voltageByte) {
    const std::int32_t T = typeByte;
    RegulatorModel m;
    m.scaleCode = voltageByte & 7;
    if (m.scaleCode > 4) m.scaleCode = 5;
    m.voltageCode = m.scaleCode;
    m.version = T & 31;

    auto model = [&m](const char* name, std::int32_t mult, std::int32_t ext) {
        m.name = name;
        m.currentMultiplier = mult;
        m.currentMultiplierExt = ext;
    };
    if (T <= 95) {
        model("Tova", 1, 1);
    } else if (T <= 127) {
        model("Xal", 1, 1);
        m.xalNewer = T >= 110;
        m.version = T - 95;
    } else if (T <= 191) {
        model("Ruka", 2, 1);
    } else if (T <= 214) {
        model("Nesk", 4, 2);
    } else if (T <= 223) {
        model("Mavo", 4, 2);
    } else if (T <= 229) {
        model("Vilk", 1, 2);
        m.voltageCode = 7;
        m.scaleCode = 0;
    } else if (T <= 239) {
        model("Tova", 1, 1);
    } else if (T <= 249) {
        model("Grend", 4, 2);
        m.voltageCode = 7;
        m.scaleCode = 0;
        m.version = T - 239;
        if (m.version == 10) {
            m.version = 1;
            m.voltageCode = 8;
        }
    } else {
        model("Tova", 1, 1);
    }
    return m;
}

void DecodeRegulatorType() {
    const RegulatorModel m = ModelOf(At(RegImage, ModelTypeAddress()), At(RegImage, ModelVoltageAddress()));
    ModelName = m.name;
    ModelVersion = m.version;
    VoltageCode = m.voltageCode;
    CurrentMultiplier = m.currentMultiplier;
    CurrentMultiplierExt = m.currentMultiplierExt;
    XalNewer = m.xalNewer;
    const std::int32_t c = m.scaleCode;

    if (DebugEnabled) DebugWindowAdd(Format("Regulator regtype is %s", ModelName.c_str()));
    ModelVersionText = ModelName + " v" + IntToStr(ModelVersion);
    VoltageScale(c, VoltMult, VoltDiv);

    std::int32_t nDiv = 0;
    switch (ImageAt(25) & 48) {
    case 0: nDiv = 1; break;
    case 16: nDiv = 2; break;
    case 32:
    case 48: nDiv = 4; break;
    }
    TALVIK_ASSERT(nDiv != 0, "Internal Error. Unexpected value of nDiv.");
    VoltageTenthsA = CheckedMul(CheckedAdd(ImageAt(174), 150), nDiv) / 2;
    VoltageTenthsB = CheckedMul(ImageAt(43), VoltMult) / VoltDiv;
}

void VoltageScale(std::int32_t Code, std::int32_t& Mult, std::int32_t& Div) {
    Div = 1;
    switch (Code) {
    case 1: Mult = 2; break;
    case 2: Mult = 8; Div = 3; break;
    case 3: Mult = 3; break;
    case 4: Mult = 4; break;
    default: Mult = 1; break;
    }
}

std::string FormatTenths(std::int32_t N) {
    // Callers pass 0 or more; a negative value keeps its sign in front rather than in the digit.
    const long long v = N;
    const long long m = v < 0 ? -v : v;
    return std::string(v < 0 ? "-" : "") + IntToStr(m / 10) + "." + IntToStr(m % 10);
}

std::string FormatTenthsCapped(std::int32_t N) {
    if (N / 10 > 999) return "999.9";
    return FormatTenths(N);
}

void MigrateRegistryKeys(const std::string& NewKey, TRegistryAccess& Registry) {
    const std::string oldKey = OldRegistryKey;
    if (!Registry.KeyExists(oldKey) || Registry.KeyExists(NewKey)) return;
    for (const char* sub : {"Font", "Phone List", "Save Options", "Settings"}) {
        const std::string from = oldKey + "\\" + sub;
        if (Registry.KeyExists(from)) Registry.CopyKey(from, NewKey + "\\" + sub);
    }
}

void LoadqvUtility() { DebugChannel("Load qvUtility"); }

}  // namespace talvik
