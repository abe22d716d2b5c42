// The history graph window: the regulator's 30-day history as bar charts, up to four traces
// chosen in four combo boxes and drawn in their colours over Ah, hour, percent and volt axes.
// It asks the link for the history page (kind 10) and is redrawn as the days arrive.
#pragma once

#include "toolkit/stdctrls.h"
#include "ui/DatadispCalc.h"

namespace talvik {

class Tgraphform : public TForm {
public:
    Tgraphform();

    TButton* Drawbutton;
    TComboBox *Comb1, *Comb2, *Comb3, *Comb4;
    TLabel* daylab;
    TLabel* Waitlab;
    TProgressBar* waitprogress;

    void getgraph();
    void drawgraph();
    void scaledraw();
    void cleargraph();
    void drawtrace(int Kind);
    void captionupdate();
    void comboload();
    // The link's calls during and at the end of a history read.
    void progressstep();
    void WaitRepaint();
    void ReadEnded();

    void FormCreate(TForm*);
    void FormActivate(TForm*);
    void FormClick();
    void FormClose(TForm*, TCloseAction&);
    void DrawbuttonClick();
    void Comb1Change(TControl* Sender);

    // The four combos' choices as the drawing uses them.
    TraceChoice Choice() const;
    // What the last drawing pass put on the window (for the report and the tests).
    const GraphScene& LastScene() const { return scene_; }

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void Paint(HDC dc) override;

private:
    HDC Dc();
    void ReleaseDc(HDC dc);
    void ScaleDrawOn(HDC dc);
    void TraceOn(HDC dc, int Kind);
    void ClearOn(HDC dc);
    std::int32_t& Selection(int i);

    HDC paintDc_ = nullptr;
    bool drawing_ = false;
    bool requesting_ = false;
    int tracenum_ = 0;
    int ordinal_ = 0;
    AhAxis axis_;
    GraphScene scene_;
    std::int32_t ownSelection_[4] = {1, 2, 0, 0};
};

extern Tgraphform* graphform;

}  // namespace talvik
