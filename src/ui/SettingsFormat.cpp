// Showing, parsing, limiting and storing setting and calibration values (see SettingsFormat.h).
#include "ui/SettingsFormat.h"

#include <algorithm>
#include <vector>

#include "base/format.h"
#include "base/rtl.h"
#include "link/qvUtility.h"
#include "link/uVar.h"

namespace talvik {

static_assert(std::tuple_size_v<MemoryImage> == ImageSize);

namespace {

bool In(std::int32_t index, std::initializer_list<std::int32_t> set) {
    return std::find(set.begin(), set.end(), index) != set.end();
}

std::int32_t Image(std::int32_t address) { return At(RegImage, address); }

// The bytes whose modes pick the caption row (and so the limits) of other settings.
constexpr std::int32_t EventModeAddress = 90, ThirdEventModeAddress = 91, GeneratorModeAddress = 92;
constexpr std::array<std::int32_t, 3> ModeAddresses = {EventModeAddress, ThirdEventModeAddress, GeneratorModeAddress};

// Bits 4..6 of address 91: the third-event mode.
std::int32_t ThirdEventMode(const MemoryImage& image = RegImage) { return (At(image, ThirdEventModeAddress) >> 4) & 7; }
// Low two bits of address 92: the generator mode that steers group 5 rows 2..4.
std::int32_t GeneratorMode(const MemoryImage& image = RegImage) { return At(image, GeneratorModeAddress) & 3; }
// Start (low nibble) and stop (high nibble) modes of address 90.
std::int32_t StartMode(const MemoryImage& image = RegImage) { return At(image, EventModeAddress) & 15; }
std::int32_t StopMode(const MemoryImage& image = RegImage) { return At(image, EventModeAddress) >> 4; }

bool IsLowNibbleSetting(std::int32_t index) { return In(index, {1, 21, 25, 29, 33, 41}); }
bool IsHighNibbleSetting(std::int32_t index) { return In(index, {2, 20, 22, 23, 31, 34}); }
bool IsWordSetting(std::int32_t index) { return index >= 36 && index <= 39; }

bool IsVoltageIndex(std::int32_t i) { return In(i, {5, 6, 9, 10, 13, 15, 16, 17, 24, 27}); }

std::string VoltageValueText(std::int32_t b) {
    if (VoltageCode < 5) return FormatTenths(CheckedMul(b, VoltMult) / VoltDiv);
    return IntToStr(b);
}

std::string Word(int row) { return LangText(CalibrationCaption.data(), CalibrationCaption.size(), row + 1, LanguageNumber); }

// Group and row of a setting index.
CaptionPick GroupRowOf(std::int32_t index) {
    for (std::int32_t g = 1; g <= kSettingGroups; ++g) {
        const std::int32_t start = At(SettingGroupStart, g);
        if (index >= start && index < start + At(SettingGroupRows, g)) return {g, index - start};
    }
    throw ERangeError();
}

std::int64_t VoltageToRaw(std::int64_t v) {
    return VoltageCode < 5 ? v * VoltDiv / VoltMult : v;
}

void StoreByte(std::int32_t address, std::int32_t value) {
    const std::uint8_t b = CheckedCast<std::uint8_t>(value);
    std::uint8_t& slot = At(RegImage, address);
    if (slot == b) return;
    slot = b;
    At(ChangedFlags, address) = true;
}

}  // namespace

std::int32_t SettingIndexOf(std::int32_t group, std::int32_t row) {
    const std::int32_t index = CheckedAdd(At(SettingGroupStart, group), row);
    if (index < 0) throw ERangeError();
    return index > 48 ? 0 : index;
}

bool IsSwitchSetting(std::int32_t index) { return In(index, {4, 8, 28, 40}); }

std::string FormatSettingValue(std::int32_t group, std::int32_t row) {
    const std::int32_t i = SettingIndexOf(group, row);
    const std::int32_t address = At(SettingAddress, i);
    const std::int32_t b = Image(address);
    switch (i) {
    case 0: case 11: case 14: case 46:
        return FormatTenths(b);
    case 1:
        return At(VoltageText, b & 7);
    case 2: case 20: case 22: case 23: case 31: case 34:
        return IntToStr(b >> 4);
    case 3:
        return Word((b & 128) ? 10 : 9);
    case 4:
        return Word((b & 1) ? 11 : 12);
    case 7: case 12: case 19: case 45: case 47: case 48:
        return IntToStr(b);
    case 8:
        return Word(13 + (b & 3));
    case 18:
        return FormatTenths(b * 5);
    case 21: case 25: case 29: case 33: case 41:
        return IntToStr(b & 15);
    case 26:
        return IntToStr(b < 50 ? b * 20 : (b - 40) * 100);
    case 28:
        return "";
    case 30: case 32: {
        const std::int32_t n = i == 30 ? StartMode() : StopMode();
        if (n < 2) return FormatTenths(b * 5);
        if (n == 14) return IntToStr(b);
        return FormatTenths(b);
    }
    case 35: {
        const std::int32_t k = ((ThirdEventMode() + 1) >> 1) & 3;
        if (k == 0) return "";
        if (k == 1) return IntToStr(b);
        return FormatTenths(b);
    }
    case 36: case 37: case 38: case 39:
        return IntToStr(b + 256 * Image(address + 1));
    case 40:
        return Word((b & 2) ? 11 : 12);
    case 42: {
        const std::int32_t m = GeneratorMode();
        if (m == 3) return "";
        if (m == 1 || m == 2 || VoltageCode >= 5) return IntToStr(b);
        return VoltageValueText(b);
    }
    case 43:
        if (GeneratorMode() > 1) return "";
        if (VoltageCode >= 5) return IntToStr(b);
        return VoltageValueText(b);
    case 44:
        return GeneratorMode() == 3 ? "" : IntToStr(b);
    default:
        return VoltageValueText(b);
    }
}

CaptionPick SelectSettingCaption(std::int32_t group, std::int32_t row) { return SelectSettingCaption(RegImage, group, row); }

CaptionPick SelectSettingCaption(const MemoryImage& image, std::int32_t group, std::int32_t row) {
    if (group == 4 && row == 1) {
        const std::int32_t n = StartMode(image);
        return {6, n < 2 ? 0 : n <= 3 ? 1 : n <= 13 ? 2 : 3};
    }
    if (group == 4 && row == 3) {
        const std::int32_t n = StopMode(image);
        return {6, n < 2 ? 4 : n <= 3 ? 5 : n <= 13 ? 6 : 7};
    }
    if (group == 4 && row == 6) {
        const std::int32_t t = ThirdEventMode(image);
        return {6, t < 3 ? 8 : t <= 4 ? 9 : 10};
    }
    if (group == 5 && row == 2) return {7, GeneratorMode(image) == 0 ? 0 : 1};
    if (group == 5 && row == 4) return {7, GeneratorMode(image) < 2 ? 2 : 3};
    return {group, row};
}

CaptionPick SettingGridCaption(std::int32_t group, std::int32_t row) {
    CaptionPick p = SelectSettingCaption(group, row);
    if (p.group == 6 && p.row == 4 && StartMode() == 15) p.row = 3;
    if (p.group == 6 && p.row == 8 && StopMode() == 15) p.row = 7;
    return p;
}

std::string SettingCaptionText(CaptionPick pick, int language) {
    const SettingCaptionRow& r = At(At(SettingCaption, pick.group), pick.row);
    return At(r.caption, language);
}

std::string SettingUnitText(CaptionPick pick, int language) {
    const SettingCaptionRow& r = At(At(SettingCaption, pick.group), pick.row);
    return At(r.unit, language);
}

std::int32_t CalibrationCellAddress(std::int32_t calRow, std::int32_t column) {
    RangeCheck(calRow, 0, kCalibrationRows - 1);
    RangeCheck(column, 1, 2);
    if (calRow <= 2) return 34 + calRow;
    return At(CalibrationAddress, column == 1 ? 2 * calRow - 1 : 2 * calRow - 2);
}

std::int32_t CalibrationMin(std::int32_t calRow, std::int32_t column) {
    RangeCheck(calRow, 0, kCalibrationRows - 1);
    if (calRow <= 2) return -16;
    return column == 1 ? -32 : -128;
}

std::int32_t CalibrationMax(std::int32_t calRow, std::int32_t column) {
    return -CalibrationMin(calRow, column) - 1;
}

std::int32_t CalibrationValue(std::int32_t calRow, std::int32_t column) {
    const std::int32_t b = Image(CalibrationCellAddress(calRow, column));
    if (calRow <= 2) {
        const std::int32_t flags = Image(CalibrationAddress[0]);
        if (column == 1) return (flags & (1 << calRow)) ? (b & 15) : (b & 15) - 16;
        return (flags & (16 << calRow)) ? (b >> 4) - 16 : (b >> 4);
    }
    if (column == 1) return (b & 63) - 32;
    return b > 127 ? b - 256 : b;
}

std::string FormatCalibrationValue(std::int32_t calRow, std::int32_t column) {
    const std::int32_t v = CalibrationValue(calRow, column);
    return v >= 0 ? " " + IntToStr(v) : IntToStr(v);
}

CalibrationBytes EncodeCalibrationValue(std::int32_t calRow, std::int32_t column, std::int32_t v,
                                        std::uint8_t oldByte, std::uint8_t flags) {
    RangeCheck(v, CalibrationMin(calRow, column), CalibrationMax(calRow, column));
    CalibrationBytes out{oldByte, flags};
    if (calRow <= 2) {
        if (column == 1) {
            const std::uint8_t bit = static_cast<std::uint8_t>(1 << calRow);
            out.value = static_cast<std::uint8_t>((oldByte & 0xF0) + (v & 15));
            out.flags = static_cast<std::uint8_t>(v >= 0 ? (flags | bit) : (flags & ~bit));
        } else {
            const std::uint8_t bit = static_cast<std::uint8_t>(16 << calRow);
            out.value = static_cast<std::uint8_t>((oldByte & 0x0F) + (v & 15) * 16);
            out.flags = static_cast<std::uint8_t>(v < 0 ? (flags | bit) : (flags & ~bit));
        }
    } else if (column == 1) {
        out.value = static_cast<std::uint8_t>(v + 32);
    } else {
        out.value = static_cast<std::uint8_t>(v < 0 ? v + 256 : v);
    }
    return out;
}

std::string ParseEditValue(const std::string& text, std::int32_t index) {
    TALVIK_ASSERT(!text.empty(), "Internal error. Length zero in editvalue");
    const std::size_t p = text.find('.');
    std::string digits = p == std::string::npos ? text : text.substr(0, p);
    const char tenth = (p != std::string::npos && p + 1 < text.size()) ? text[p + 1] : '0';
    const bool tenths = In(index, {0, 4, 11, 14, 18, 30, 32, 35, 46}) ||
                        (VoltageCode < 5 && In(index, {5, 6, 9, 10, 13, 15, 16, 17, 24, 27, 42, 43}));
    if (tenths) digits += tenth;
    return digits;
}

std::int64_t ConvertEditValue(std::int64_t v, std::int32_t index, bool& valid) {
    if (index >= 44) return v;
    if (index == 1) {
        std::int64_t code;
        if (v >= 0 && v <= 23) code = 0;
        else if (v >= 24 && v <= 31) code = 1;
        else if (v >= 32 && v <= 35) code = 2;
        else if (v >= 36 && v <= 47) code = 3;
        else if (v >= 48 && v <= 99) code = 4;
        else {
            valid = false;
            return v;
        }
        return VoltageCode >= 5 ? 0 : code;
    }
    if (IsVoltageIndex(index) || index == 43) return VoltageToRaw(v);
    switch (index) {
    case 18:
        return v / 5;
    case 26:
        return v < 1000 ? v / 20 : v / 100 + 40;
    case 30: case 32: {
        const std::int32_t n = index == 30 ? StartMode() : StopMode();
        if (n < 2) return v / 5;
        if (n == 14) return v / 10;
        return v;
    }
    case 35:
        return ThirdEventMode() >= 3 ? v : v / 10;
    case 42:
        if (GeneratorMode() == 0) return VoltageToRaw(v);
        return VoltageCode < 5 ? v / 10 : v;
    default:
        return v;
    }
}

CaptionPick SettingLimitCaption(const MemoryImage& image, std::int32_t index) {
    const CaptionPick shown = GroupRowOf(index);
    return SelectSettingCaption(image, shown.group, shown.row);
}

namespace {
// The limits of caption row c for a setting: the row's minimum and maximum (its code-8 maximum on
// a regulator of voltage code 8), the charge current's maximum by model.
SettingRange CaptionRowRange(std::int32_t index, CaptionPick c, const std::string& model, std::int32_t voltageCode) {
    const auto& limits = At(SettingLimits, c.group);
    std::int32_t max;
    if (index == 18) {
        max = model == "Ruka" ? 80 : model == "Nesk" ? 120 : model == "Mavo" ? 160 : 40;
    } else {
        max = At(limits, voltageCode == 8 ? 12 + c.row : c.row);
    }
    return {At(limits, 24 + c.row), max};
}
}  // namespace

SettingRange SettingLimitRange(std::int32_t index, const MemoryImage& image, const std::string& model,
                               std::int32_t voltageCode) {
    return CaptionRowRange(index, SettingLimitCaption(image, index), model, voltageCode);
}

std::vector<SettingRange> SettingEditableRanges(std::int32_t index, const std::string& model,
                                                std::int32_t voltageCode) {
    // Every row any value of a mode byte picks: the mode rows' own limits let the editor set every
    // mode, so each of these rows is one a value can have been typed under.
    std::vector<CaptionPick> picks;
    MemoryImage modes{};
    for (const std::int32_t address : ModeAddresses) {
        for (int b = 0; b <= 255; ++b) {
            At(modes, address) = static_cast<std::uint8_t>(b);
            const CaptionPick p = SettingLimitCaption(modes, index);
            if (std::find(picks.begin(), picks.end(), p) == picks.end()) picks.push_back(p);
        }
        At(modes, address) = 0;
    }
    std::vector<SettingRange> ranges;
    for (const CaptionPick& p : picks) ranges.push_back(CaptionRowRange(index, p, model, voltageCode));
    return ranges;
}

std::int32_t LimitEditValue(std::int64_t v, std::int32_t index) {
    const SettingRange r = SettingLimitRange(index, RegImage, ModelName, VoltageCode);
    if (v > r.most) v = r.most;
    if (v < r.least) v = r.least;
    return static_cast<std::int32_t>(v);
}

std::int32_t SettingRawValue(std::int32_t index, const MemoryImage& image) {
    const std::int32_t address = At(SettingAddress, index);
    const std::int32_t b = At(image, address);
    if (IsLowNibbleSetting(index)) return b & 15;
    if (IsHighNibbleSetting(index)) return b >> 4;
    if (IsWordSetting(index)) return b + 256 * At(image, address + 1);
    return b;
}

std::int32_t AmpHourValue(std::int32_t raw) {
    const std::int32_t b = Image(94);
    const std::int32_t capacity = b < 50 ? b * 20 : (b - 40) * 100;
    return CheckedMul(raw, capacity) / 100;
}

void StoreEditedValue(std::int32_t raw, std::int32_t index, std::int32_t address) {
    const std::int32_t old = Image(address);
    if (IsLowNibbleSetting(index)) {
        StoreByte(address, (old & 0xF0) + RangeCheck(raw, 0, 15));
    } else if (IsHighNibbleSetting(index)) {
        StoreByte(address, (old & 0x0F) + RangeCheck(raw, 0, 15) * 16);
    } else if (IsWordSetting(index)) {
        RangeCheck(raw, 0, 65535);
        StoreByte(address, raw & 255);
        StoreByte(address + 1, raw >> 8);
    } else {
        if (index == 47) EditedValue = AmpHourValue(raw);
        StoreByte(address, raw);
    }
}

SettingEditResult EditSettingValue(const std::string& text, std::int32_t group, std::int32_t row) {
    const std::int32_t index = SettingIndexOf(group, row);
    if (IsSwitchSetting(index) || index == 3) return {EditRefusal::NotEditable};
    const std::string t = Trim(text);
    if (t.empty()) return {EditRefusal::Empty};
    if (std::none_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {EditRefusal::NotANumber};
    if (t.front() == '-') return {EditRefusal::Negative};
    const std::string digits = ParseEditValue(t, index);
    const std::optional<std::int32_t> n = TryStrToInt(digits);
    if (!n) {
        // Only a run of digits can be too large; no integer part at all (".5" in a whole-number
        // row) is no number.
        const bool allDigits = !digits.empty() &&
                               std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        return {allDigits ? EditRefusal::TooLarge : EditRefusal::NotANumber};
    }
    if (*n < 0) return {EditRefusal::Negative};
    bool valid = true;
    const std::int64_t converted = ConvertEditValue(*n, index, valid);
    if (!valid) return {EditRefusal::NotAllowed};
    const std::int32_t raw = LimitEditValue(converted, index);
    StoreEditedValue(raw, index, At(SettingAddress, index));
    return {EditRefusal::None, raw};
}

std::string EditRefusalText(EditRefusal refusal, int language) {
    static const std::array<LangRow, 7> texts = {{
        {"", "", "", ""},
        {"Please enter a value - value not changed", "Veuillez saisir une valeur - valeur inchangée",
         "请输入数值，数值未更改", "Bitte einen Wert eingeben - Wert nicht geändert"},
        {"Not a number - value not changed", "Ce n'est pas un nombre - valeur inchangée",
         "不是有效数字，数值未更改", "Keine Zahl - Wert nicht geändert"},
        {"Negative values are not allowed - value not changed",
         "Les valeurs négatives ne sont pas admises - valeur inchangée", "不允许输入负值，数值未更改",
         "Negative Werte sind nicht zulässig - Wert nicht geändert"},
        {"Number too large - value not changed", "Nombre trop grand - valeur inchangée",
         "数字太大，数值未更改", "Zahl zu groß - Wert nicht geändert"},
        {"Value not allowed for this setting - value not changed",
         "Valeur non admise pour ce réglage - valeur inchangée", "此设置不允许该数值，数值未更改",
         "Wert für diese Einstellung nicht zulässig - Wert nicht geändert"},
        {"This setting cannot be typed in", "Ce réglage ne se saisit pas", "此设置不能直接输入",
         "Diese Einstellung kann nicht eingegeben werden"},
    }};
    return At(At(texts, static_cast<int>(refusal)), language);
}

}  // namespace talvik
