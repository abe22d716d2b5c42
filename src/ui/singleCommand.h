// What the single-command panel offers and shows, as data: the command list of each mode,
// the inputs each command needs, the number texts of its address and data inputs, and the
// panel texts that the main window's caption table has no row for. No window here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvik {

// Commands of the list by index (site mode adds 8 and 9; index 7 differs by mode).
enum SingleCommandIndex : int {
    scReadRam = 0, scReadEeprom = 1, scWriteRam = 2, scWriteEeprom = 3, scLoopback = 4,
    scClearHistory = 5, scTestHistory = 6, scModeOrZirb = 7, scProgramXal = 8, scLogMode = 9
};

// captiontext rows of the list, in list order.
std::vector<int> SendComboRows(bool siteMode);

// Which inputs an entry of the list needs, and the caption row of the data input's label.
struct SingleCommandInputs {
    bool address;
    bool data;
    int dataLabelRow;  // 78 "SITE NUMBER" for the Zirb site, 74 "Data to send" otherwise
};
SingleCommandInputs SingleInputsFor(int index, bool siteMode);

// Number kinds of the options window (registry "SingleCommandNumberKind").
enum SingleNumberKind : int { snkDecimal = 0, snkHex = 1 };

// A typed number in the chosen kind: decimal digits with an optional sign, or hexadecimal
// digits with an optional "0x" or "$". Blanks around it are allowed. Nothing else is a number.
// A number that does not fit 32 bits raises "Range check error".
std::optional<std::int32_t> ParseSendNumber(std::string_view text, bool hex);
// The text an input shows for a value: decimal, or upper-case hexadecimal of at least 2 digits.
std::string FormatSendNumber(std::int32_t value, bool hex);

// Texts of the main window's panels that captiontext has no row for, per language.
enum PanelTextRow : int { ptPathDelay = 1, ptView = 2, ptSettingsNotSaved = 3 };
std::string PanelText(int row, int language);

}  // namespace talvik
