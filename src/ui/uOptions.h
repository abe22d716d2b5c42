// The options window: a small modal dialog with a page tree, whose one working page chooses
// the number format of the single-command panel. It keeps that choice and the main window's
// position in the registry (section "Options") and, being the last window created at start,
// puts the main window where it was left.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/XcComCtrls.h"
#include "toolkit/stdctrls.h"
#include "ui/uOptionsRegistry_win32.h"

namespace talvik {

class TOptionsForm : public TForm {
public:
    TOptionsForm();
    ~TOptionsForm() override;

    // The page tree: a node's image index is the page it shows.
    TXcTreeView* XcTreeView1;
    TXcTreeNode *nodeGeneral, *nodeSingleCommand;
    TPanel* OptionsPageControl;        // its pages, tabs hidden: one shows at a time
    std::vector<TPanel*> Pages;        // General, Single Command, MODBUS Options, Com Port
    TRadioGroup* grpSingleCommandNumberKind;
    TGroupBox *grpMasterSlave, *grpTransmission;
    TButton *btnOK, *btnCancel, *btnHelp;

    TP_Registry* Registry = nullptr;
    // 0 decimal, 1 hexadecimal.
    std::int32_t SingleCommandNumberKind = 0;

    void FormCreate(TForm*);
    void FormActivate(TForm*);
    void FormDestroy(TForm*);
    void XcTreeView1Change(TXcTreeView*, TXcTreeNode* node);
    void btnOKClick();
    void LoadOptions();
    void SaveOptions();
    void OptionsToControls();
    void ControlsToOptions();
    int ActivePage() const { return activePage_; }
    // Texts and font of the language chosen in the main window.
    void ApplyLanguage();

    // Registry key (under HKEY_CURRENT_USER) that holds the "Options" section.
    static std::string BaseKey();

private:
    void ShowPage(int page);
    int activePage_ = 0;
};

extern TOptionsForm* OptionsForm;

// The "&Options" item of the tools menu: the options window, modally.
void Options1Click();

}  // namespace talvik
