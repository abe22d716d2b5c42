// More system controls: list box, check list box, scroll box, date-time picker and tab
// control (tabs without pages). Thin wrappers, as the rest of the toolkit.
#pragma once

#include "toolkit/comctrls.h"

namespace talvik {

class TListBox : public TControl {
public:
    explicit TListBox(TWinControl* parent);
    void Clear();
    void Add(const std::string& item);
    int Count() const;
    std::string Item(int i) const;
    std::vector<std::string> Items() const;
    int ItemIndex() const;
    // Selects silently (-1 selects none).
    void SetItemIndex(int i);
    void SetSorted(bool sorted);
    std::function<void(TControl*)> OnChange;
    std::function<void(TControl*)> OnDblClick;
    bool HandleCommand(WORD code, WORD id) override;

protected:
    TListBox(TWinControl* parent, DWORD style);
};

// A list box with a check box before each item; items can be disabled or be headers (drawn
// bold, without a box).
class TCheckListBox : public TListBox {
public:
    enum class State { Unchecked, Checked, Grayed };
    explicit TCheckListBox(TWinControl* parent);
    bool AllowGrayed = false;
    State ItemState(int i) const;
    void SetItemState(int i, State s);
    bool ItemEnabled(int i) const;
    void SetItemEnabled(int i, bool e);
    bool Header(int i) const;
    void SetHeader(int i, bool h);
    // Clicking the box (or Space) moves the state on: unchecked, checked, grayed when allowed.
    void Toggle(int i);
    std::function<void(TControl*, int index)> OnClickCheck;
    bool HandleDrawItem(DRAWITEMSTRUCT* di) override;

private:
    struct Flags {
        State state = State::Unchecked;
        bool enabled = true;
        bool header = false;
    };
    Flags& At(int i);
    const Flags& At(int i) const;
    mutable std::vector<Flags> flags_;
    friend LRESULT CALLBACK CheckListProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
};

// A container whose contents can be scrolled.
class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TWinControl* parent);
};

// The system's date-time picker. Date-times are days since 1899-12-30.
class TDateTimePicker : public TControl {
public:
    enum class Kind { Date, Time };
    TDateTimePicker(TWinControl* parent, Kind kind, bool upDown = false);
    double DateTime() const;
    void SetDateTime(double dt);
    void SetRange(double min, double max);
    void SetFormat(const std::string& format);
    std::function<void(TControl*)> OnChange;
    bool HandleNotify(NMHDR* hdr, LRESULT& result) override;

private:
    double min_ = 0, max_ = 0;
};

// Tabs without pages: the caller shows what belongs to the chosen tab.
class TTabControl : public TControl {
public:
    explicit TTabControl(TWinControl* parent);
    void AddTab(const std::string& caption);
    int TabCount() const;
    std::string TabCaption(int i) const;
    int TabIndex() const;
    void SetTabIndex(int i);
    std::function<void(TControl*)> OnChange;
    std::function<void(TControl*, bool& allow)> OnChanging;
    bool HandleNotify(NMHDR* hdr, LRESULT& result) override;
};

// Days since 1899-12-30 and the system's time record.
SYSTEMTIME DateTimeToSystemTime(double dt);
double SystemTimeToDateTime(const SYSTEMTIME& st);

}  // namespace talvik
