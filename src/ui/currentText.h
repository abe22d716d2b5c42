// The current-data window's texts, built from RegImage: every value label, the right-hand
// column of the state list, and the two text arrays the report and the periodic log copy
// (CurrentSummaryText, CurrentValueText). Also the window's per-language table. No window is
// touched here; labelupdate puts these texts into the controls.
#pragma once

#include <array>
#include <string>

#include "ui/lang.h"

namespace talvik {

// Tab-separated summary lines: charge current, load current, charge Ah, discharge Ah.
extern std::array<std::string, 4> CurrentSummaryText;
// 0..2 charge current total/internal/external, 3..5 load current, 6..8 charge Ah,
// 9..11 discharge Ah.
extern std::array<std::string, 12> CurrentValueText;

// Rows of the current-data window's per-language table (CurrentFormText).
enum CurrentTextRow : int {
    ctCaption = 1, ctWaitForTransfer, ctListTitle,
    ctListFirst,                       // list column 0, rows 1..17: ctListFirst + row - 1
    ctCompensatedVoltage = ctListFirst + 17,
    ctHours, ctConnected, ctDisconnected, ctRunning, ctStopped, ctActive, ctInactive, ctNight, ctDay,
    ctOn, ctOff, ctBoost, ctEqualise, ctAbsorbtion, ctFloat,
    ctHintForm, ctHintImage, ctHintSoc, ctHintIn, ctHintChargeCurrent, ctHintChargeAh, ctHintTemp,
    ctHintOut, ctHintLoadCurrent, ctHintLoadAh, ctHintBattery, ctHintMaxMin, ctHintList, ctHintType,
    ctHintNominal, ctHintState,
    ctRowCount = ctHintState
};
extern const std::array<LangRow, ctRowCount> CurrentFormText;
std::string CurrentFormTextOf(int row, int language);

// Everything labelupdate shows.
struct CurrentLabelTexts {
    std::string Typelab, nomvlab, batvlab, maxminlab;
    std::string Chargelab, Chargelab2, Loadlab, Loadlab2;
    std::string Camphrlab, camphrlab2, Lamphrlab, lamphrlab2;
    std::string Statelab, soclab, templab;
    std::array<std::string, 19> list;  // column 1 of the state list, rows 1..18 (0 unused)
};

// Decodes the model from RegImage (DecodeRegulatorType) and builds every text in the given
// language; also fills CurrentSummaryText and CurrentValueText.
CurrentLabelTexts BuildCurrentTexts(int language);

// Font size of the window's value labels: the language's size limited to 9..12, except that
// Chinese keeps sizes above 12.
int CurrentLabelFontSize(int language, int languageFontSize);

}  // namespace talvik
