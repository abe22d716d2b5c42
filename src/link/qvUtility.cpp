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

void DecodeRegulatorType() {
    const std::int32_t T = At(RegImage, ModelTypeAddress());
    const std::int32_t V = At(RegImage, ModelVoltageAddress());

    std::int32_t c = V & 7;
    if (c > 4) c = 5;
    VoltageCode = c;
    ModelVersion = T & 31;
    XalNewer = false;

    auto model = [](const char* name, std::int32_t mult, std::int32_t ext) {
        ModelName = name;
        CurrentMultiplier = mult;
        CurrentMultiplierExt = ext;
    };
    if (T <= 95) {
        model("Tova", 1, 1);
    } else if (T <= 127) {
        model("Xal", 1, 1);
        XalNewer = T >= 110;
        ModelVersion = T - 95;
    } else if (T <= 191) {
        model("Ruka", 2, 1);
    } else if (T <= 214) {
        model("Nesk", 4, 2);
    } else if (T <= 223) {
        model("Mavo", 4, 2);
    } else if (T <= 229) {
        model("Vilk", 1, 2);
        VoltageCode = 7;
        c = 0;
    } else if (T <= 239) {
        model("Tova", 1, 1);
    } else if (T <= 249) {
        model("Grend", 4, 2);
        VoltageCode = 7;
        c = 0;
        ModelVersion = T - 239;
        if (ModelVersion == 10) {
            ModelVersion = 1;
            VoltageCode = 8;
        }
    } else {
        model("Tova", 1, 1);
    }

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
