// The common controls the windows use: rebar and tool bar with its buttons, status bar with
// panels, page control, rich edit (rich text in and out) and the pop-up menu.
#pragma once

#include "toolkit/stdctrls.h"

namespace talvik {

class TPopupMenu;

struct TMenuItem {
    std::string Name;
    std::string Caption;
    int ImageIndex = -1;
    std::function<void(TMenuItem*)> OnClick;
    void Click() {
        if (OnClick) OnClick(this);
    }
    // Sub-items open as a sub-menu.
    TMenuItem* Add(const std::string& name, const std::string& caption);
    std::vector<std::unique_ptr<TMenuItem>> Items;

private:
    friend class TPopupMenu;
    TPopupMenu* menu_ = nullptr;
};

class TPopupMenu {
public:
    TPopupMenu() = default;
    TPopupMenu(const TPopupMenu&) = delete;
    TPopupMenu& operator=(const TPopupMenu&) = delete;
    ~TPopupMenu();
    TMenuItem* Add(const std::string& name, const std::string& caption);
    TMenuItem* Item(int i) { return items_.at(i).get(); }
    int Count() const { return static_cast<int>(items_.size()); }
    const std::vector<std::unique_ptr<TMenuItem>>& Items() const { return items_; }
    // Shows the menu at a screen point and runs the chosen item's handler.
    void Popup(HWND owner, int x, int y);
    // Fired when items are added, and by Changed() after a caller changed an item.
    std::function<void(TPopupMenu*)> OnChange;
    void Changed() {
        if (OnChange) OnChange(this);
    }
    // Who holds a pointer to the menu hears of its end.
    void FreeNotification(const void* who, std::function<void()> notify);
    void RemoveFreeNotification(const void* who);

private:
    std::vector<std::unique_ptr<TMenuItem>> items_;
    std::vector<std::pair<const void*, std::function<void()>>> freeNotifies_;
};

// A band bar holding one tool bar.
class TCoolBar : public TWinControl {
public:
    explicit TCoolBar(TWinControl* parent);
    // Puts a child (made with this bar as its parent) in a new band.
    void AddBand(TControl* child, int minHeight);
};

class TToolBar;

class TToolButton {
public:
    enum class Style { Button, Check, Separator };
    const std::string Name;
    int Id() const { return id_; }
    int ImageIndex() const { return image_; }
    void SetImageIndex(int i);
    std::string Hint;
    bool Down() const;
    void SetDown(bool d);
    bool Enabled() const;
    void SetEnabled(bool e);
    TPopupMenu* DropdownMenu() const { return menu_; }
    // With a menu the button gets a drop-down arrow that opens it; a click still fires OnClick.
    void SetDropdownMenu(TPopupMenu* m);
    std::function<void(TToolButton*)> OnClick;
    void Click() {
        if (OnClick) OnClick(this);
    }
    // Screen rectangle of the button.
    RECT ScreenRect() const;

private:
    friend class TToolBar;
    TToolButton(TToolBar* bar, std::string name, int id, Style style, int image)
        : Name(std::move(name)), bar_(bar), id_(id), style_(style), image_(image) {}
    TToolBar* bar_;
    int id_;
    Style style_;
    int image_;
    TPopupMenu* menu_ = nullptr;
};

class TToolBar : public TControl {
public:
    TToolBar(TWinControl* parent, int buttonWidth, int buttonHeight);
    ~TToolBar() override;
    void SetImages(TImageList* images);
    TImageList* Images() const { return images_; }
    TToolButton* AddButton(const std::string& name, TToolButton::Style style, int imageIndex);
    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TToolButton* Button(int i) const { return buttons_.at(i).get(); }
    TToolButton* ButtonById(int id) const;

    bool HandleCommand(WORD code, WORD id) override;
    bool HandleNotify(NMHDR* hdr, LRESULT& result) override;
    std::string HintAt(POINT pt) const override;

private:
    std::vector<std::unique_ptr<TToolButton>> buttons_;
    TImageList* images_ = nullptr;
    int bw_, bh_;
};

class TStatusBar : public TControl {
public:
    explicit TStatusBar(TWinControl* parent);
    ~TStatusBar() override;
    // Panel widths in pixels; the last panel takes the rest of the bar, whatever size the bar
    // is given later.
    void SetPanelWidths(const std::vector<int>& widths);
    void ApplyPanelWidths();
    int PanelCount() const { return static_cast<int>(widths_.size()); }
    int PanelWidth(int i) const { return widths_.at(i); }
    void SetPanelText(int i, const std::string& s);
    std::string PanelText(int i) const;

private:
    std::vector<int> widths_;
};

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TWinControl* parent);
};

class TPageControl : public TWinControl {
public:
    explicit TPageControl(TWinControl* parent);
    TTabSheet* AddPage(const std::string& caption);
    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Page(int i) const { return pages_.at(i); }
    void SetPageCaption(int i, const std::string& caption);
    int ActivePageIndex() const;
    // Changes the page without firing OnChange, as code does.
    void SetActivePageIndex(int i);
    std::function<void(TControl*)> OnChange;
    bool HandleNotify(NMHDR* hdr, LRESULT& result) override;
    void Relayout();

private:
    void ShowActive();
    std::vector<TTabSheet*> pages_;
};

// Rich text: the system's rich-edit control, documents in and out as RTF.
// Prints the whole document of a rich-text control on the printer of dc as one job named
// title, a page at a time, within half-inch margins of the printable area (richprint.cpp).
// Raises when the printer refuses.
void PrintRichText(HWND richEdit, HDC dc, const std::string& title);

class TRichEdit : public TControl {
public:
    explicit TRichEdit(TWinControl* parent);
    void SetReadOnly(bool r);
    void Clear();
    // Appends one line of plain text at the end, in the given font and colour.
    void Add(const std::string& line);
    void AddStyled(const std::string& line, const TFont& font, COLORREF color);
    std::string PlainText() const;
    std::string Rtf() const;
    void SetRtf(const std::string& rtf);
    // Loads a file: RTF when it starts as RTF, else plain text. Raises on a read error.
    void LoadFromFile(const std::string& path);
    // Prints the whole document on the printer of dc as one job named title, a page at a
    // time, within half-inch margins of the printable area. Raises when the printer refuses.
    void Print(HDC dc, const std::string& title) const;
};

// The system's tree view: items with text and a data pointer, the selected item, and the
// selection-change and double-click events.
class TTreeView : public TControl {
public:
    explicit TTreeView(TWinControl* parent);
    // Adds an item under `parent` (null: at the top level) after its last child.
    HTREEITEM AddItem(HTREEITEM parent, const std::string& text, void* data = nullptr);
    void DeleteItem(HTREEITEM item);
    void Clear();
    int Count() const;
    std::string ItemText(HTREEITEM item) const;
    void SetItemText(HTREEITEM item, const std::string& text);
    void* ItemData(HTREEITEM item) const;
    HTREEITEM Root() const;
    HTREEITEM FirstChild(HTREEITEM item) const;
    HTREEITEM NextSibling(HTREEITEM item) const;
    HTREEITEM ParentItem(HTREEITEM item) const;
    HTREEITEM Selected() const;
    // Selects in code: fires OnChange as the system reports it.
    void SetSelected(HTREEITEM item);
    void SetReadOnly(bool r);
    std::function<void(TControl*)> OnChange;
    std::function<void(TControl*)> OnDblClick;
    bool HandleNotify(NMHDR* hdr, LRESULT& result) override;

protected:
    TTreeView(TWinControl* parent, DWORD style);
};

}  // namespace talvik
