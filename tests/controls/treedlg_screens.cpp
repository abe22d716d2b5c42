// Shows the library's tree view and message dialogs for screenshots under Xvfb:
// "treedlg_screens.exe tree [-seconds N]" shows a tree with bold and checked nodes, a node
// selected by program code and the options window's look (item height 18, line colour);
// "custom" the save panel's Append / Overwrite / Cancel box; "countdown" a box that closes
// itself, with its countdown line and a "don't show again" check box.
#include <windows.h>

#include <string>

#include "base/format.h"
#include "controls/XcComCtrls.h"
#include "controls/XcDSADialogs.h"
#include "controls/XcLibrary.h"

using namespace talvik;

namespace {

void ShowTree() {
    auto* form = new TForm();
    Application.AddForm(form);
    form->SetText("Tree view");
    form->SetBounds(40, 40, 300, 330);
    auto* tree = new TXcTreeView(form);
    tree->SetBounds(10, 10, 270, 270);
    tree->SetIndent(19);
    tree->SetLineColor(13160660);
    tree->SetItemHeight(18);
    tree->SetCheckboxes(true);
    TXcTreeNode* general = tree->Items.Add(nullptr, "General");
    general->SetBold(true);
    TXcTreeNode* single = tree->Items.AddChild(general, "Single Command");
    single->SetChecked(true);
    tree->Items.AddChild(general, "MODBUS Options");
    TXcTreeNode* port = tree->Items.Add(nullptr, "Com Port");
    port->SetBold(true);
    port->SetChecked(true);
    TXcTreeNode* baud = tree->Items.AddChild(port, "Baud Rate");
    tree->Items.AddChild(port, "Parity")->SetChecked(true);
    TXcTreeNode* red = tree->Items.AddChild(port, "Own font");
    red->Font().Size = 13;
    red->Font().Name = "Liberation Serif";
    tree->FullExpand();
    form->Show();
    tree->SetFocus();
    tree->SetSelected(baud);  // by program code: painted as selected all the same
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 10;
    std::string what = "tree";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-seconds" && i + 1 < argc) seconds = StrToIntDef(argv[++i], 10);
        else what = a;
    }
    Application.Initialize();
    InitializeControlsLibrary();
    TTimer stop;
    stop.SetInterval(static_cast<unsigned>(seconds) * 1000);
    stop.OnTimer = [](TTimer*) { Application.Terminate(); };
    if (what == "custom") {
        ShowCustomButtonDialog("Save File Action", "File already exists...", dkInformation,
                               {"Append", "Overwrite", "Cancel"}, {1, 3, 2}, 0, dcScreen, 0, 0, 2, -1);
    } else if (what == "countdown") {
        TDSAMessageForm* box = BuildMessageForm("Information", "The log file was written. Next log in 24 hours.",
                                                LoadIconW(nullptr, MAKEINTRESOURCEW(32516)), {"OK", "Cancel"},
                                                {1, 2}, 0, "Don't show this message again", dcScreen, 65, 0, 1, -1);
        box->ShowModal();
        box->Free();
    } else {
        ShowTree();
        Application.Run();
    }
    return 0;
}
