// The settings and calibration editor: one settings group at a time or the calibration, in an
// editable grid; sends one changed value or programs the whole setting list through the link.
// It never touches the port: it reads through Getdata and writes by preparing the link's write
// variables.
#pragma once

#include <array>

#include "toolkit/stdctrls.h"
#include "ui/SettingsEdit.h"
#include "ui/current.h"
#include "ui/dataGrid.h"

namespace talvik {

// A view button of the editor: down in its group, bold when its data is loaded, else italic.
class TViewButton : public TSpeedButton {
public:
    explicit TViewButton(TWinControl* parent, const std::string& caption = {});
    bool Italic() const { return italic_; }
    void SetItalic(bool i);
    bool HandleDrawItem(DRAWITEMSTRUCT* di) override;

private:
    bool italic_ = true;
};

class Tsetform : public TForm {
public:
    Tsetform();
    ~Tsetform() override;

    TDataPanel* Panel1;
    TViewButton *conbutton1, *Conbutton2, *Conbutton3, *Conbutton4, *Conbutton5, *Calbutton;
    TViewButton *sendbutton, *qvbutton;
    TDataGrid* sgrid2;
    TDataPanel* qvprogpanel;
    TDataLabel* Label3;
    TButton *progbutton, *Cancelbutton;

    // Unit state.
    bool settingsview = true;
    std::int32_t selectedgroup = 1;
    std::int32_t SettingsKind = 4;
    std::array<COLORREF, 3> GridColumnColour{};
    std::string SavedCellText;
    // The hourglass shows while a read for the grid runs.
    bool Hourglass() const { return hourglass_; }

    SettingsView View() const { return {settingsview, selectedgroup}; }
    void setdisplay(std::int32_t Group);
    void caldisplay();
    // Every column as wide as the widest text it shows now (never narrower than the value and
    // unit columns were built); the caption column takes what is left, and the window grows
    // when the columns need more than it has.
    void FitColumns();
    void triggerupdate(std::int32_t Kind);
    void groupreaddone(std::int32_t Kind);
    void buttonfontupdate();
    // The language changed: fonts (the grid's too), hints and captions follow it.
    void LanguageChanged();

    // The link's read and write ends.
    void GroupReadEnd(std::int32_t Kind, bool Ok);
    void CalibrationReadEnd(bool Ok);
    void WriteEnded(bool Bulk);
    void WriteGridStatus(const std::string& Text, bool Append, bool Failed);
    // Every group was marked not loaded (another regulator is addressed): show it.
    void DataInvalidated();
    void DefaultCursor();

    void FormCreate(TForm*);
    void FormActivate(TForm*);
    void FormClose(TForm*, TCloseAction&);
    void conbutton1Click(TControl* Sender);
    void CalbuttonClick();
    void sgrid2SelectCell(int col, int row, bool& canSelect);
    void sgrid2GetEditText(int col, int row, std::string& text);
    void sgrid2SetEditText(int col, int row, const std::string& text);
    // The editor closed with Escape: a switch row's toggle is taken back.
    void sgrid2CancelEdit(int col, int row);
    void sgrid2DblClick();
    void sgrid2MouseDown(int x, int y);
    void sgrid2DrawCell(HDC dc, int col, int row, const RECT& rect, TDataGrid::DrawState state);
    void sendbuttonClick();
    void plbuttonClick();
    void progbuttonClick();
    void CancelbuttonClick();
    void AppShowHint(std::string& hintStr, bool& canShow, THintInfo& info);

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

    // Whether the form is the active one (reads on trigger events only then); tests may force it.
    std::function<bool()> IsActiveForm;

private:
    void SetHourglass(bool on);
    void RequestShown(const std::string& sender);
    void AfterRequest(std::int32_t Kind);
    void SendButtonFollowsCell();
    void ShowRefusal(const std::string& text);
    std::string UIText(int row) const;
    void LanguageFonts();
    void LanguageTexts();
    bool hintInstalled_ = false;
    std::function<void(std::string&, bool&, THintInfo&)> previousHint_;
    bool hourglass_ = false;
    bool refusing_ = false;
    // A group read waits for the port's event to end (see triggerupdate).
    bool groupReadPosted_ = false;
    // The toggle of the switch row whose editor is open.
    SwitchUndo pendingToggle_;
};

extern Tsetform* setform;

}  // namespace talvik
