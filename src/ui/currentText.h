// The texts of the current-data window, built from RegImage: the label captions, the state
// list, and the two text arrays the report and the periodic log copy instead of decoding the
// image again. Also the window's per-language table. No window is touched here.
#pragma once

#include <array>
#include <string>

#include "ui/lang.h"

namespace talvik {

// Tab-separated summary lines: charge current, load current, charge Ah, discharge Ah.
inline std::array<std::string, 4> CurrentSummaryText;
// 0..2 total, internal, external charge current; 3..5 load current; 6..8 charge Ah;
// 9..11 discharge Ah.
inline std::array<std::string, 12> CurrentValueText;

// Rows of CurrentFormText.
enum CurrentTextRow : int {
    ctFormCaption = 0,   // "Current State"
    ctWait,              // "Wait For Transfer"
    ctListHeading,       // "CURRENT STATE DATA"
    ctListFirst,         // list rows 1..17 follow: "Time on QV clock" ...
    ctHours = ctListFirst + 17,
    ctDisconnected, ctConnected, ctRunning, ctStopped, ctActive, ctInactive, ctNight, ctDay, ctOn, ctOff,
    ctCompensatedVoltage,
    // hints
    ctHintForm, ctHintImage, ctHintSoc, ctHintIn, ctHintCharge, ctHintChargeAh, ctHintTemp, ctHintOut,
    ctHintLoad, ctHintLoadAh, ctHintBatv, ctHintMaxMin, ctHintList, ctHintType, ctHintNomv, ctHintState,
    ctRowCount
};
extern const std::array<LangRow, ctRowCount> CurrentFormText;
std::string CurrentText(int row, int language);

constexpr int kCurrentListRows = 19;

// Everything labelupdate shows, as text.
struct CurrentLabels {
    std::string Typelab, nomvlab, batvlab, maxminlab;
    std::string Chargelab, Chargelab2, Loadlab, Loadlab2;
    std::string Camphrlab, camphrlab2, Lamphrlab, lamphrlab2;
    std::string Statelab, soclab, templab;
    std::array<std::string, kCurrentListRows> ListCaption;  // column 0 (row 0 the heading)
    std::array<std::string, kCurrentListRows> ListValue;    // column 1 (row 0 empty)
};

// Decodes the model from RegImage and builds every text of the window in `language`; fills
// CurrentSummaryText and CurrentValueText on the way.
CurrentLabels BuildCurrentLabels(int language);

}  // namespace talvik
