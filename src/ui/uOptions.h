// The options window: a small modal dialog with a page tree, whose one working page chooses
// the number format of the single-command panel. It keeps that choice and the main window's
// position in the registry (section "Options") and, being the last window created at start,
// puts the main window where it was left.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/stdctrls.h"
#include "ui/uOptionsRegistry_win32.h"

namespace talvik {

// The page tree: the system's tree view, one node per page; a node's image index is the page
// it shows.
class TOptionsTree : public TControl {
public:
    explicit TOptionsTree(TWinControl* parent);
    // Adds a node under parent (-1 for a top node); returns its number.
    int AddNode(const std::string& text, int parent, int imageIndex);
    int NodeCount() const { return static_cast<int>(nodes_.size()); }
    std::string NodeText(int node) const;
    void SetNodeText(int node, const std::string& text);
    int NodeImageIndex(int node) const { return nodes_.at(node).image; }
    int Selected() const;
    void Select(int node);
    void ExpandAll();
    std::function<void(TOptionsTree*, int node)> OnChange;
    bool HandleNotify(NMHDR* hdr, LRESULT& result) override;

private:
    struct Node {
        void* item;
        int image;
    };
    std::vector<Node> nodes_;
};

class TOptionsForm : public TForm {
public:
    TOptionsForm();
    ~TOptionsForm() override;

    TOptionsTree* XcTreeView1;
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
    void XcTreeView1Change(TOptionsTree*, int node);
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
