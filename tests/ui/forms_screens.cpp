// Shows the current-data and settings windows filled from the simulated regulator, for
// screenshots under Xvfb: "forms_screens.exe [language] [cal|basic|mode|gen] [-seconds N]" reads both
// current-data pages and the regulation group (or the calibration), types one change so it
// shows as pending, and runs for N seconds (default 10). With "basic" the settings window stays
// on the basic group, whose lockout row shows "Locked"; with "mode" it shows the operating mode
// group, whose captions are the longest; with "gen" it shows the generator group.
// With "refuse" it then presses "ALL" and "Send now", whose refusal (only two groups were read)
// stays on screen until it is answered.
#include <windows.h>

#include "FormsRig.h"
#include "base/format.h"

using namespace talvik;
using namespace talvik::test;

int main(int argc, char** argv) {
    int seconds = 10;
    bool calibration = false;
    bool refuse = false;
    bool basic = false;
    bool gen = false;
    bool mode = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "cal") calibration = true;
        else if (a == "refuse") refuse = true;
        else if (a == "basic") basic = true;
        else if (a == "gen") gen = true;
        else if (a == "mode") mode = true;
        else if (a == "-seconds" && i + 1 < argc) seconds = StrToIntDef(argv[++i], 10);
        else LanguageNumber = StrToIntDef(a, 0) & 3;
    }
    FormsRig rig;
    rig.Listener.Baud = 3;
    const std::vector<std::pair<int, int>> bytes = {
        {0, 133},  {93, 1},   {32, 16},  {221, 118}, {182, 145}, {183, 121}, {207, 5},  {205, 12}, {206, 9},
        {213, 35}, {217, 20}, {188, 44}, {189, 1},   {193, 10},  {194, 0},   {198, 5},  {199, 0},  {203, 0},
        {204, 1},  {101, 3},  {181, 87}, {52, 25},   {48, 123},  {184, 95},  {115, 17}, {63, 3},   {95, 12},
        {96, 7},   {21, 128}, {53, 40},  {37, 133},  {98, 5},    {50, 136},  {87, 145},  {85, 155}, {83, 20},
        {82, 28},  {84, 144}, {74, 30},  {86, 135},  {75, 5},    {76, 125},  {77, 40},   {73, 10},  {92, 0x30}};
    for (auto [a, v] : bytes) rig.Set(a, v);
    Currentform->SetBounds(0, 94, 470, 384);
    Currentform->Show();
    Currentform->getcurrent();
    rig.RunRead();
    setform->SetBounds(480, 94, setform->Width(), setform->Height());
    setform->Show();
    SetActiveWindow(setform->Handle());
    setform->FormActivate(setform);
    rig.RunRead();
    if (calibration) {
        for (auto [a, v] : std::vector<std::pair<int, int>>{{33, 0x13}, {34, 0xD5}, {35, 0x2F}, {36, 0x01},
                                                            {214, 250}, {215, 40}, {218, 3}, {219, 20}})
            rig.Set(a, v);
        setform->CalbuttonClick();
        rig.RunRead();
        setform->sgrid2->SelectCell(2, 2);
        setform->sgrid2->ShowEditor();
        setform->sgrid2->SetEditorText("-3");
        setform->sgrid2->HideEditor();
        setform->sgrid2->SelectCell(1, 5);
    } else if (gen || mode) {
        setform->conbutton1Click(gen ? setform->Conbutton5 : setform->Conbutton3);
        rig.RunRead();
    } else if (!basic) {
        setform->conbutton1Click(setform->Conbutton2);
        rig.RunRead();
        setform->sgrid2->SelectCell(1, 5);
        setform->sgrid2->ShowEditor();
        setform->sgrid2->SetEditorText("14.2");
        setform->sgrid2->HideEditor();
        setform->sgrid2->SelectCell(1, 3);
    }
    TTimer press;
    if (refuse) {
        press.SetInterval(500);
        press.OnTimer = [](TTimer* t) {
            t->SetEnabled(false);
            setform->plbuttonClick();
            setform->progbuttonClick();
        };
    }
    TTimer stop;
    stop.SetInterval(static_cast<unsigned>(seconds) * 1000);
    stop.OnTimer = [](TTimer*) { Application.Terminate(); };
    MSG msg;
    while (!Application.Terminated() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
