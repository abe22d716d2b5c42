// Titles, button tables, the countdown line and the clipboard text of the message dialog.
#include "controls/XcDSADialogsText.h"

#include <stdexcept>

#include "base/format.h"

namespace talvik {

namespace {

struct ButtonInfo {
    const char* Caption;
    int Result;
};

// In the order of TDialogButton.
const ButtonInfo kButtons[] = {
    {"&Yes", 6},   {"&No", 7},     {"OK", 1},    {"Cancel", 2},     {"&Abort", 3},       {"&Retry", 4},
    {"&Ignore", 5}, {"&All", 8},   {"N&o to All", 9}, {"Yes to &All", 10}, {"&Help", 0},
};

const ButtonInfo& Info(TDialogButton b) {
    if (b > dbHelp) throw std::out_of_range("dialog button");
    return kButtons[b];
}

// The last position whose result is the button's standard result; -1 when none.
int PositionOf(const std::vector<int>& results, TDialogButton b) {
    if (b > dbHelp) return -1;
    const int wanted = kButtons[b].Result;
    for (int i = static_cast<int>(results.size()) - 1; i >= 0; --i)
        if (results[static_cast<std::size_t>(i)] == wanted) return i;
    return -1;
}

const char kDivider[] = "---------------------------\r\n";  // 27 dashes

}  // namespace

std::string DialogKindTitle(TDialogKind kind) {
    switch (kind) {
    case dkWarning: return "Warning";
    case dkError: return "Error";
    case dkInformation: return "Information";
    case dkConfirmation: return "Confirm";
    case dkCustom: return "";
    }
    return "";
}

std::string DialogButtonCaption(TDialogButton b) { return Info(b).Caption; }

int DialogButtonResult(TDialogButton b) { return Info(b).Result; }

TResolvedButtons ResolveDialogButtons(TDialogButtons buttons, TDialogButton defaultButton,
                                      TDialogButton cancelButton, TDialogButton helpButton) {
    TResolvedButtons r;
    for (int i = dbYes; i <= dbHelp; ++i) {
        const auto b = static_cast<TDialogButton>(i);
        if (!buttons.Contains(b)) continue;
        r.Captions.push_back(kButtons[i].Caption);
        r.Results.push_back(kButtons[i].Result);
    }
    if (defaultButton == dbDialogChooses)
        defaultButton = buttons.Contains(dbOK) ? dbOK : buttons.Contains(dbYes) ? dbYes : dbRetry;
    if (cancelButton == dbDialogChooses)
        cancelButton = buttons.Contains(dbCancel) ? dbCancel : buttons.Contains(dbNo) ? dbNo : dbOK;
    r.DefaultButton = PositionOf(r.Results, defaultButton);
    r.CancelButton = PositionOf(r.Results, cancelButton);
    r.HelpButton = PositionOf(r.Results, helpButton);
    return r;
}

std::string DefaultCountdownText(int seconds) {
    const int minutes = seconds / 60, rest = seconds % 60;
    const char* sec = rest == 1 ? "second" : "seconds";
    std::string span = minutes > 0
                           ? Format("%d %s %d %s", minutes, minutes == 1 ? "minute" : "minutes", rest, sec)
                           : Format("%d %s", rest, sec);
    return Format("This dialog is closing in %s.", span.c_str());
}

std::function<std::string(int)> CountdownFormatter = DefaultCountdownText;

std::string DialogClipboardText(const std::string& caption, const std::string& message,
                                const std::vector<std::string>& buttonCaptions) {
    std::string t = kDivider;
    t += caption + "\r\n";
    t += kDivider;
    t += message + "\r\n";
    t += kDivider;
    for (const std::string& c : buttonCaptions) {
        for (char ch : c)
            if (ch != '&') t += ch;
        t += "   ";
    }
    t += "\r\n";
    t += kDivider;
    return t;
}

}  // namespace talvik
