// The message dialog's words and choices, apart from any window: the dialog kinds with their
// titles, the standard buttons with their captions and results, which of them answers Enter
// and Escape, the countdown line and the text that Ctrl+C puts on the clipboard.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace talvik {

enum TDialogKind : std::uint8_t { dkWarning, dkError, dkInformation, dkConfirmation, dkCustom };

enum TDialogButton : std::uint8_t {
    dbYes,
    dbNo,
    dbOK,
    dbCancel,
    dbAbort,
    dbRetry,
    dbIgnore,
    dbAll,
    dbNoToAll,
    dbYesToAll,
    dbHelp
};

// Passed as the default or cancel button: the dialog picks one from the buttons it shows.
constexpr TDialogButton dbDialogChooses = static_cast<TDialogButton>(254);

enum TDialogCenter : std::uint8_t { dcScreen, dcMainForm, dcActiveForm };

// A set of standard buttons, held in 16 bits.
class TDialogButtons {
public:
    constexpr TDialogButtons() = default;
    constexpr TDialogButtons(std::initializer_list<TDialogButton> list) {
        for (TDialogButton b : list) bits_ = static_cast<std::uint16_t>(bits_ | Bit(b));
    }
    constexpr bool Contains(TDialogButton b) const { return (bits_ & Bit(b)) != 0; }
    constexpr std::uint16_t Bits() const { return bits_; }

private:
    static constexpr std::uint16_t Bit(TDialogButton b) {
        return b <= dbHelp ? static_cast<std::uint16_t>(1u << b) : 0;
    }
    std::uint16_t bits_ = 0;
};

// "Warning", "Error", "Information", "Confirm", or empty for dkCustom.
std::string DialogKindTitle(TDialogKind kind);
std::string DialogButtonCaption(TDialogButton b);
// The modal result of a standard button (dbHelp has 0: it never ends the dialog).
int DialogButtonResult(TDialogButton b);

// The standard buttons of a set, turned into the caption and result lists of a custom-button
// dialog, with the positions of the default, cancel and help buttons (-1 for none).
struct TResolvedButtons {
    std::vector<std::string> Captions;
    std::vector<int> Results;
    int DefaultButton = -1;
    int CancelButton = -1;
    int HelpButton = -1;
};
TResolvedButtons ResolveDialogButtons(TDialogButtons buttons, TDialogButton defaultButton,
                                      TDialogButton cancelButton, TDialogButton helpButton);

// The countdown line for a number of seconds left: "This dialog is closing in 1 minute 5 seconds.".
std::string DefaultCountdownText(int seconds);
// The formatter the dialog uses; replaceable, initially DefaultCountdownText.
extern std::function<std::string(int seconds)> CountdownFormatter;

// What Ctrl+C copies: the caption, the message and the button captions (without their "&"),
// each part between dashed divider lines, lines ending in CR LF.
std::string DialogClipboardText(const std::string& caption, const std::string& message,
                                const std::vector<std::string>& buttonCaptions);

}  // namespace talvik
