// The help window: the rich-text help file of the current language, from the program's
// directory, reloaded each time the window becomes active (so not read before it is shown).
#pragma once

#include <array>
#include <string>

#include "toolkit/comctrls.h"
#include "ui/lang.h"

namespace talvik {

extern const LangRow HelpCaption;
extern const std::array<LangRow, 2> HelpMissingText;

// File name of the help file for a language ("qvhlpeng.rtf" for anything unknown).
std::string HelpFileName(int language);

class Thelpform : public TForm {
public:
    Thelpform();
    TRichEdit* helpedit;
    // Runs on every activation: bounds, fonts, caption and the help text of the language.
    void FormCreate(TForm*);
    // Directory of the program file, with a trailing backslash (tests may point it elsewhere).
    static std::string HelpDirectory;

private:
    // Runs on creation: all of FormCreate but the help text, which only a shown window needs
    // (it is read and laid out at the first activation, not at every start of the program).
    void PrepareWindow();
};

extern Thelpform* helpform;

void helpwinInitialization();

}  // namespace talvik
