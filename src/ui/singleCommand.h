// What the single-command panel offers and shows, as data: the command list of each mode,
// the inputs each command needs, and the panel texts that the main window's caption table has no row for. No window here.
#pragma once

#include <cstdint>
#include <string>
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

// Texts of the main window's panels that captiontext has no row for, per language.
enum PanelTextRow : int { ptPathDelay = 1, ptView = 2, ptSettingsNotSaved = 3 };
std::string PanelText(int row, int language);

}  // namespace talvik
