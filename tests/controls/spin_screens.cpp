// Shows spin edits of each kind for screenshots: "spin_screens.exe [-seconds N] [-hold top|bottom] [-nothemes]"
// opens one window with diagonal, classic and standard buttons, integer, hexadecimal and float
// values and a disabled edit; with -hold, the diagonal button's top half or the classic
// button's bottom half is held down (one at a time: the mouse has one capture). It closes after
// N seconds (default 10).
#include <windows.h>

#include <uxtheme.h>

#include <string>

#include "base/format.h"
#include "controls/XcSpin.h"
#include "toolkit/stdctrls.h"

using namespace talvik;

namespace {

TXcSpinEdit* Row(TForm* form, int row, const std::string& caption) {
    auto* label = new TLabel(form, caption);
    label->SetBounds(10, 14 + row * 32, 200, 20);
    auto* s = new TXcSpinEdit(form);
    s->SetBounds(220, 10 + row * 32, 90, 21);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 10;
    std::string hold;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "-seconds") seconds = StrToIntDef(argv[i + 1], 10);
        if (std::string(argv[i]) == "-hold") hold = argv[i + 1];
    }
    // "-nothemes": the faces the program draws itself, as on a system without visual themes.
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "-nothemes") SetThemeAppProperties(0);
    Application.Initialize();
    auto* form = new TForm();
    form->SetCaption("Spin edits");
    form->SetBounds(20, 20, 340, 394);
    Application.AddForm(form);

    TXcSpinEdit* s = Row(form, 0, "Diagonal, integer, aqua");
    s->SetColor(RGB(0, 255, 255));
    s->SetValue(100);
    s = Row(form, 1, "Diagonal, hexadecimal");
    s->SetColor(RGB(0, 255, 255));
    s->SetValueType(TValueType::vtHex);
    s->SetValue(255);
    s = Row(form, 2, "Classic, float");
    s->SetButtonKind(TSpinButtonKind::bkClassic);
    s->SetValueType(TValueType::vtFloat);
    s->SetValue(2.5L);
    s = Row(form, 3, "Standard up-down, 0 to 10");
    s->SetButtonKind(TSpinButtonKind::bkStandard);
    s->SetMaxValue(10);
    s->SetValue(7);
    s = Row(form, 4, "Diagonal, disabled");
    s->SetValue(42);
    s->SetEnabled(false);
    TXcSpinEdit* topHeld = Row(form, 5, "Diagonal, top half held");
    TXcSpinEdit* bottomHeld = Row(form, 6, "Classic, bottom half held");
    bottomHeld->SetButtonKind(TSpinButtonKind::bkClassic);
    s = Row(form, 7, "Diagonal, thousands");
    s->SetThousands(true);
    s->SetValue(1234567);
    s = Row(form, 8, "Right-aligned");
    s->SetValue(12);
    s->SetAlignment(TAlignment::taRightJustify);
    s = Row(form, 9, "Right to left");
    s->SetValue(34);
    s->SetRightToLeft(true);
    form->Show();
    Application.ProcessMessages();

    // Hold a button down without letting it repeat.
    if (!hold.empty()) {
        TXcSpinEdit* held = hold == "top" ? topHeld : bottomHeld;
        TXcSpinButton* b = held->Button();
        b->InitRepeatPause = 1000000;
        int y = held == topHeld ? 2 : b->Height() - 3;
        int x = held == topHeld ? 2 : b->Width() - 3;
        SendMessageW(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    }

    TTimer stop;
    stop.SetInterval(static_cast<unsigned>(seconds) * 1000);
    stop.OnTimer = [](TTimer*) { Application.Terminate(); };
    Application.Run();
    return 0;
}
