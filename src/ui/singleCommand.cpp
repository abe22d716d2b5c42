// The single-command panel's data (see singleCommand.h).
#include "ui/singleCommand.h"

#include <cctype>
#include <cstdint>

#include "base/format.h"
#include "base/rtl.h"
#include "ui/lang.h"

namespace talvik {

std::vector<int> SendComboRows(bool siteMode) {
    if (siteMode) return {30, 31, 32, 33, 34, 35, 36, 37, 38, 84};
    return {30, 31, 32, 33, 34, 35, 36, 83};
}

SingleCommandInputs SingleInputsFor(int index, bool siteMode) {
    SingleCommandInputs in{false, false, index == scModeOrZirb ? 78 : 74};
    switch (index) {
    case scReadRam:
    case scReadEeprom: in.address = true; break;
    case scWriteRam:
    case scWriteEeprom: in.address = in.data = true; break;
    case scModeOrZirb: in.data = siteMode; break;
    default: break;
    }
    return in;
}

std::optional<std::int32_t> ParseSendNumber(std::string_view text, bool hex) {
    std::string t = Trim(std::string(text));
    if (t.empty()) return std::nullopt;
    bool negative = false;
    std::size_t i = 0;
    if (!hex && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        i = 1;
    }
    if (hex) {
        if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'))
            i = 2;
        else if (t[0] == '$')
            i = 1;
    }
    if (i >= t.size()) return std::nullopt;
    std::int64_t v = 0;
    for (; i < t.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        int digit;
        if (std::isdigit(c))
            digit = c - '0';
        else if (hex && std::isxdigit(c))
            digit = std::toupper(c) - 'A' + 10;
        else
            return std::nullopt;
        v = v * (hex ? 16 : 10) + digit;
        if (v > 0xFFFFFFFFLL) throw ERangeError();
    }
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) throw ERangeError();
    return static_cast<std::int32_t>(v);
}

std::string FormatSendNumber(std::int32_t value, bool hex) {
    if (!hex) return IntToStr(value);
    return IntToHex(static_cast<std::uint32_t>(value), 2);
}

namespace {
const LangRow PanelTexts[] = {
    /* 1 */ {"Path Delay", "Délai de liaison", "线路延时", "Laufzeit"},
    /* 2 */ {"View", "Afficher", "查看", "Anzeigen"},
    /* 3 */ {"The settings could not be saved in the registry.",
             "Les réglages n'ont pas pu être enregistrés dans le registre.", "无法将设置保存到注册表。",
             "Die Einstellungen konnten nicht in der Registrierung gespeichert werden."},
};
}  // namespace

std::string PanelText(int row, int language) {
    return LangText(PanelTexts, sizeof PanelTexts / sizeof PanelTexts[0], row, language);
}

}  // namespace talvik
