// Answers the controls library's message dialogs in a test and records what each one showed:
// the box is built as for the user, then read instead of shown.
#pragma once

#include <string>
#include <vector>

#include "controls/XcDSADialogs.h"
#include "ui/saveDialogs.h"

namespace talvik {

struct ShownDialog {
    SaveMessageKind kind;
    std::string caption;
    std::string text;
    bool question;  // the Append / Overwrite / Cancel question
    std::vector<std::string> buttons;
};

// Records every box in shown; questions take the next of answers (Cancel, 2, when none is
// left), messages their OK (1).
inline TMessageDialogHook AnswerDialogs(std::vector<ShownDialog>& shown, std::vector<int>& answers) {
    return [&shown, &answers](TDSAMessageForm* box) {
        ShownDialog d;
        d.caption = box->Text();
        TControl* message = box->FindComponent("Message");
        d.text = message ? message->Text() : std::string();
        for (int i = 0; TControl* b = box->FindComponent("Button" + std::to_string(i)); ++i)
            d.buttons.push_back(b->Text());
        d.question = d.caption == "Save File Action";
        d.kind = d.caption == "Warning" ? SaveMessageKind::Warning
                 : d.caption == "Error" ? SaveMessageKind::Error
                                        : SaveMessageKind::Information;
        shown.push_back(d);
        if (!d.question) return 1;
        const int a = answers.empty() ? 2 : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return a;
    };
}

}  // namespace talvik
