// The current-data window: battery voltage and the day's range, charge and load currents with
// their internal and external parts, the day's amp-hours, regulation state, state of charge,
// temperature, model and nominal voltage, and the list of clock, counters and switch states.
// It asks the link for the two current-data pages and shows what the image holds.
#pragma once

#include "toolkit/stdctrls.h"
#include "ui/dataGrid.h"

namespace talvik {

// A label that answers clicks and may have colours of its own.
class TDataLabel : public TLabel {
public:
    explicit TDataLabel(TWinControl* parent, const std::string& caption = {});
    ~TDataLabel() override;
    void SetBackground(COLORREF c);
    HBRUSH BackgroundBrush() const override;
    bool HandleCommand(WORD code, WORD id) override;

private:
    HBRUSH brush_ = nullptr;
};

// A panel that passes clicks on and gives its labels their text colours.
class TDataPanel : public TPanel {
public:
    explicit TDataPanel(TWinControl* parent);
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

class TCurrentform : public TForm {
public:
    TCurrentform();

    TDataPanel* Panel1;
    TDataLabel *batvlab, *maxminlab, *Chargelab, *Loadlab, *Lamphrlab, *Typelab, *Statelab, *soclab, *Camphrlab,
        *Waitlab, *inlab, *outlab, *camphrlab2, *lamphrlab2, *Chargelab2, *Loadlab2;
    TDataGrid* Curstring;
    TDataLabel *nomvlab, *templab;
    TProgressBar* curprogress;
    TDataLabel* Waitlab1;

    // Asks for the first page (kind 2) / the list page (kind 3) unless a request runs.
    void getcurrent();
    void getCurrentString();
    // The main window showed the window: with no current data read since start, read it.
    void ShownByMainWindow();
    // Every label, the list and the shared text arrays from RegImage.
    void labelupdate();
    // The link accepted one more byte of the page being read.
    void progressstep();
    void WaitHide();
    int ProgressMax() const { return progressMax_; }

    void FormClick();
    void CurstringMouseDown();
    void FormActivate(TForm*);
    void FormClose(TForm*, TCloseAction&);
    void FormCreate(TForm*);

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void CaptionsAndFonts();
    void StartWait(int max);
    int progressMax_ = 22;
};

extern TCurrentform* Currentform;

}  // namespace talvik
