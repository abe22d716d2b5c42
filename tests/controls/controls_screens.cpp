// Shows a form holding one control of every kind the default engine registers, with values
// set through the interfaces, for screenshots: "controls_screens.exe [-seconds N]".
#include <windows.h>

#include <string>

#include "base/format.h"
#include "controls/XcDynControlEngineVCL.h"
#include "controls/XcLibrary.h"

using namespace talvik;

int main(int argc, char** argv) {
    int seconds = 10;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "-seconds") seconds = StrToIntDef(argv[i + 1], 10);
    Application.Initialize();
    InitializeControlsLibrary();
    TXcDynControlEngine* engine = DefaultDynControlEngine();
    auto* form = dynamic_cast<TXcForm*>(AsControl(engine->CreateForm("Controls", "")));
    form->SetBounds(20, 20, 700, 560);
    int n = 0;
    for (const std::string& kind : engine->RegisteredKinds()) {
        TXcDynObject* c = engine->CreateControl(kind, form, form, kind);
        int col = n / 13, row = n % 13;
        c->DynSetBounds(10 + col * 340, 8 + row * 40, 320, kind == "TreeView" || kind == "ListBox" ? 36 : 30);
        if (auto* items = Supports<IDynControlItems>(c); items && kind != "Memo" && kind != "RichEdit")
            items->ControlSetItems({"COM1", "COM2", "COM3"});
        Intf<IDynControl>(c).ControlSetCaption(kind);
        if (auto* data = Supports<IDynControlData>(c)) {
            if (kind.find("Date") != std::string::npos || kind == "TimeEdit") {
                data->ControlSetValue(TXcVariant::OfDate(46363.5));
            } else if (kind == "CheckBox" || kind == "RadioButton") {
                data->ControlSetValue(TXcVariant(true));
            } else if (kind == "ListBox" || kind == "CheckListBox" || kind == "RadioGroup") {
                data->ControlSetValue(TXcVariant(1));
            } else {
                data->ControlSetValue(TXcVariant(kind + " value"));
            }
        }
        if (auto* tab = Supports<IDynControlTab>(c)) {
            tab->ControlCreateTab("Port");
            tab->ControlCreateTab("Modem");
        }
        if (auto* bar = Supports<IDynControlProgressBar>(c)) bar->ControlSetPosition(60);
        if (auto* img = Supports<IDynControlImage>(c))
            img->ControlSetPicture(TXcGraphic{LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_ASTERISK)), true});
        ++n;
    }
    form->Loaded();
    Application.MainForm = form;
    form->Show();
    TTimer stop;
    stop.SetInterval(static_cast<unsigned>(seconds) * 1000);
    stop.OnTimer = [](TTimer*) { Application.Terminate(); };
    Application.Run();
    FinalizeControlsLibrary();
    return 0;
}
