// The everyday controls: labels, buttons (plain, glyph and speed), check boxes, radio buttons
// and groups, panels, edits and mask edits, memos, combo boxes, up-downs, progress bars and
// the image list the glyphs come from.
//
// Event rules the windows rely on: setting Checked in code fires the click handler when the
// state changes; setting a text to the text it has fires no change; setting ItemIndex in code
// fires no change.
#pragma once

#include "toolkit/core.h"

#include <commctrl.h>

namespace talvik {

// A list of equally sized images with a transparent colour.
class TImageList {
public:
    TImageList(int width, int height);
    ~TImageList();
    TImageList(const TImageList&) = delete;
    TImageList& operator=(const TImageList&) = delete;
    HIMAGELIST Handle() const { return list_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const;
    // Adds a bitmap of one or more images side by side; `transparent` is the see-through colour.
    int Add(HBITMAP bmp, COLORREF transparent);
    void Draw(HDC dc, int x, int y, int index, bool enabled = true) const;

private:
    HIMAGELIST list_;
    int width_, height_;
};

// One image of an image list, drawn centred.
class TImage : public TWinControl {
public:
    explicit TImage(TWinControl* parent);
    void SetImage(const TImageList* list, int index);
    int ImageIndex() const { return index_; }
    void SetEnabled(bool v) override;
    HBRUSH BackgroundBrush() const override;

protected:
    void Paint(HDC dc) override;

private:
    const TImageList* list_ = nullptr;
    int index_ = -1;
};

class TLabel : public TControl {
public:
    enum class Align { Left, Center, Right };
    explicit TLabel(TWinControl* parent, const std::string& caption = {});
    void SetAlignment(Align a);
    HBRUSH BackgroundBrush() const override;
    void SetTextColor(COLORREF c) { textColor_ = c; Invalidate(); }
    COLORREF TextColor() const { return textColor_; }

private:
    COLORREF textColor_ = CLR_INVALID;
};

class TButton : public TControl {
public:
    explicit TButton(TWinControl* parent, const std::string& caption = {});
    // A button with a modal result ends its form's modal loop with it when clicked.
    TModalResult ModalResult = TModalResult::mrNone;
    // Enter anywhere in the form presses the default button, Escape the cancel button.
    bool Default() const { return default_; }
    void SetDefault(bool d);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool c) { cancel_ = c; }
    bool HandleCommand(WORD code, WORD id) override;
    void Click() override;

protected:
    TButton(TWinControl* parent, DWORD style, const std::string& caption);
    bool default_ = false;
    bool cancel_ = false;
};

// A push button drawn by the toolkit with a glyph from an image list beside its caption.
class TBitBtn : public TButton {
public:
    explicit TBitBtn(TWinControl* parent, const std::string& caption = {});
    void SetGlyph(const TImageList* list, int index);
    bool HandleDrawItem(DRAWITEMSTRUCT* di) override;

protected:
    const TImageList* glyphs_ = nullptr;
    int glyphIndex_ = -1;
    bool flat_ = false;
    bool down_ = false;
};

// A flat button that can stay down.
class TSpeedButton : public TBitBtn {
public:
    explicit TSpeedButton(TWinControl* parent, const std::string& caption = {});
    bool Down() const { return down_; }
    void SetDown(bool d) { down_ = d; Invalidate(); }
};

class TCheckBox : public TControl {
public:
    explicit TCheckBox(TWinControl* parent, const std::string& caption = {});
    bool Checked() const { return checked_; }
    // Fires the click handler when the state changes, as a click would.
    void SetChecked(bool c);
    bool HandleCommand(WORD code, WORD id) override;
    HBRUSH BackgroundBrush() const override;

private:
    bool checked_ = false;
};

class TRadioButton : public TControl {
public:
    explicit TRadioButton(TWinControl* parent, const std::string& caption = {});
    bool Checked() const { return checked_; }
    // Checking one turns its siblings off and fires its click handler; unchecking is silent.
    void SetChecked(bool c);
    bool HandleCommand(WORD code, WORD id) override;
    HBRUSH BackgroundBrush() const override;

private:
    void Apply(bool c);
    bool checked_ = false;
};

// A plain container with a raised edge and a centred caption.
class TPanel : public TWinControl {
public:
    explicit TPanel(TWinControl* parent);
    bool Bevel = true;

protected:
    void Paint(HDC dc) override;
};

// A container with an etched frame and its caption in the frame.
class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TWinControl* parent, const std::string& caption = {});

protected:
    void Paint(HDC dc) override;
};

// A group box of radio buttons, one per item, in one column.
class TRadioGroup : public TGroupBox {
public:
    explicit TRadioGroup(TWinControl* parent, const std::string& caption = {});
    void SetItems(const std::vector<std::string>& items);
    int Count() const { return static_cast<int>(buttons_.size()); }
    int ItemIndex() const;
    // Sets the checked item without firing the click handler (-1 checks none).
    void SetItemIndex(int i);
    TRadioButton* Button(int i) const { return buttons_.at(i); }

private:
    void Arrange();
    std::vector<TRadioButton*> buttons_;
    bool setting_ = false;
};

class TEdit : public TControl {
public:
    explicit TEdit(TWinControl* parent, const std::string& text = {});
    std::function<void(TControl*)> OnChange;
    std::function<void(TControl*)> OnEnter;
    void SetReadOnly(bool r);
    void SetMaxLength(int n);
    void SetUpperCase(bool u);
    bool HandleCommand(WORD code, WORD id) override;

protected:
    TEdit(TWinControl* parent, DWORD style, const std::string& text);
};

// An edit that takes only digits, up to a number of them; text set in code is filtered the same.
class TMaskEdit : public TEdit {
public:
    TMaskEdit(TWinControl* parent, int maxDigits);
    void SetMaskedText(const std::string& s);
    int MaxDigits() const { return maxDigits_; }

private:
    int maxDigits_;
};

class TMemo : public TEdit {
public:
    explicit TMemo(TWinControl* parent);
    void Add(const std::string& line);
    void Clear();
    std::vector<std::string> Lines() const;
    int LineCount() const { return static_cast<int>(Lines().size()); }
};

class TComboBox : public TControl {
public:
    // A drop-down list (no typing); `dropDownCount` lines are shown when open.
    explicit TComboBox(TWinControl* parent, int dropDownCount = 8);
    // Free text may be typed as well (drop-down style) or only items chosen (drop-down list).
    bool FreeText() const;
    void SetFreeText(bool free);
    void Clear();
    void Add(const std::string& item);
    int Count() const;
    std::string Item(int i) const;
    int ItemIndex() const;
    // Selects silently: no change event.
    void SetItemIndex(int i);
    std::function<void(TControl*)> OnChange;
    bool HandleCommand(WORD code, WORD id) override;
    void SetBoundsKeepDrop(int left, int top, int width, int height);

protected:
    std::string KeptText() const override;

private:
    int dropDownCount_;
    // The items and selection while the window waits to be made.
    std::vector<std::string> keptItems_;
    int keptIndex_ = -1;
};

// Up-down arrows attached to an edit, which shows the position.
class TUpDown : public TControl {
public:
    TUpDown(TWinControl* parent, TEdit* associate, int min, int max);
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const;
    void SetPosition(int p);
    enum class Direction { None, Up, Down };
    // Before the position changes by a click: new value, direction; clear `allow` to refuse.
    std::function<void(TControl*, bool& allow, int newValue, Direction dir)> OnChangingEx;
    bool HandleNotify(NMHDR* hdr, LRESULT& result) override;

private:
    int min_, max_;
    TEdit* associate_;
    int pos_ = 0;
};

// An edit with up-down arrows holding an integer between two limits; text that is no number
// or lies outside reads as the nearest sound value.
class TUpDownEdit {
public:
    TUpDownEdit(TWinControl* parent, int min, int max);
    TEdit* Edit;
    TUpDown* UpDown;
    int Value() const;
    // Limits the value to the range, as the control does with anything typed.
    void SetValue(int v);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetBounds(int left, int top, int width, int height);
    void SetEnabled(bool e);

private:
    int min_, max_;
};

class TProgressBar : public TControl {
public:
    TProgressBar(TWinControl* parent, int min = 0, int max = 100);
    void SetPosition(int p);
    int Position() const;
    int Max() const { return max_; }
    int Min() const { return min_; }
    void SetRange(int min, int max);
    void SetBarColor(COLORREF c);

private:
    int min_, max_;
    int pos_ = 0;
};

}  // namespace talvik
