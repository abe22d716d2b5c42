// The heart of the program's own UI toolkit over Win32: fonts, the control and container
// base classes, forms, the application object (forms, message loop, hints, the default
// exception display) and the timer. Every window of the program is built from these.
//
// Messages of all the toolkit's own windows pass through one window procedure, which hands
// them to the object's WndProc inside a try block: an exception never crosses it, it goes to
// Application.HandleException (a message box titled with the program title, then the program
// goes on).
#pragma once

#include <windows.h>

#include <exception>
#include <optional>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace talvik {

class TControl;
class TWinControl;
class TForm;

// Component notifications: messages the toolkit sends a control's own window when something
// about it changes, so that a control class can react in its window procedure.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_DIALOGKEY = 0xB005;           // wParam: virtual key; answer non-zero when used
constexpr UINT CM_DIALOGCHAR = 0xB006;
constexpr UINT CM_FOCUSCHANGED = 0xB007;        // lParam: the control that has the focus now
constexpr UINT CM_PARENTFONTCHANGED = 0xB008;
constexpr UINT CM_PARENTCOLORCHANGED = 0xB009;
constexpr UINT CM_HITTEST = 0xB00A;             // lParam: client point; answer non-zero when hit
constexpr UINT CM_VISIBLECHANGED = 0xB00B;
constexpr UINT CM_ENABLEDCHANGED = 0xB00C;
constexpr UINT CM_COLORCHANGED = 0xB00D;
constexpr UINT CM_FONTCHANGED = 0xB00E;
constexpr UINT CM_CURSORCHANGED = 0xB00F;
constexpr UINT CM_TEXTCHANGED = 0xB012;
constexpr UINT CM_MOUSEENTER = 0xB013;          // lParam: the control
constexpr UINT CM_MOUSELEAVE = 0xB014;          // lParam: the control
constexpr UINT CM_SHOWINGCHANGED = 0xB019;
constexpr UINT CM_SHOWHINTCHANGED = 0xB022;
constexpr UINT CM_PARENTSHOWHINTCHANGED = 0xB023;
constexpr UINT CM_CONTROLLISTCHANGE = 0xB02C;   // wParam: control; lParam: inserting
constexpr UINT CM_HINTSHOW = 0xB030;            // lParam: THintInfo*; answer non-zero to suppress
constexpr UINT CM_CONTROLCHANGE = 0xB036;       // wParam: control; lParam: inserting

// Where a control sits in its parent: aligned controls are laid out whenever the parent's size
// changes, top and bottom ones first, then left and right, then the one filling the rest.
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Text at the Win32 boundary: the program keeps UTF-8, windows get UTF-16.
std::wstring Widen(const std::string& s);
std::string Narrow(const std::wstring& s);

// A font by name, size in points, character set and weight. Handles are shared and cached;
// a named font that is missing is replaced by one that can show the character set.
struct TFont {
    std::string Name = "Arial";
    int Size = 10;
    int Charset = DEFAULT_CHARSET;
    bool Bold = false;
    HFONT Handle() const;
    bool operator==(const TFont&) const = default;
};

// Whether a font family of this name is installed.
bool FontInstalled(const std::string& name);

// Short and long parts of a hint "short|long" (without the bar both are the whole text).
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

// A control's window handle. Reading it makes the window when the control's window is still
// to be made (see TForm::DeferContents); Raw() only looks.
class TLazyHandle {
public:
    explicit TLazyHandle(TControl* owner) : owner_(owner) {}
    TLazyHandle& operator=(HWND h) {
        h_ = h;
        return *this;
    }
    operator HWND() const;
    HWND Raw() const { return h_; }

private:
    TControl* owner_;
    HWND h_ = nullptr;
};

// Base of everything placed in a window: one Win32 window per control.
class TControl {
public:
    explicit TControl(TWinControl* parent);
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;
    virtual ~TControl();

    // The control's window, made now (with the rest of its form's) if it is still to be made.
    HWND Handle() const { return hwnd_; }
    // Whether the window waits to be made when its form is shown or the window is needed.
    bool WindowPending() const { return pending_ != nullptr; }
    TWinControl* Parent() const { return parent_; }
    TForm* OwnerForm() const;

    std::string Name;
    int Tag = 0;

    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent visible.
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool v);

    // The window text. Setting the text it already has changes nothing and fires nothing.
    std::string Text() const;
    void SetText(const std::string& s);
    std::string Caption() const { return Text(); }
    void SetCaption(const std::string& s) { SetText(s); }

    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& h);

    const TFont& Font() const { return font_; }
    void SetFont(const TFont& f);
    void SetFontName(const std::string& name);

    void BringToFront();
    void SetFocus();
    void Invalidate();
    // Sends a message to the control's window (nothing without one).
    LRESULT Perform(UINT msg, WPARAM wp = 0, LPARAM lp = 0);

    // Moves the control into another container.
    void SetParent(TWinControl* parent);
    TAlign Align() const { return align_; }
    void SetAlign(TAlign a);
    // Position among the parent's children, which is the order Tab moves in.
    int TabOrder() const;
    void SetTabOrder(int order);

    // Runs once the code that builds a window has set every property (the end of loading).
    virtual void Loaded() {}

    std::function<void(TControl*)> OnClick;
    virtual void Click();

    // Notifications reflected from the parent window.
    virtual bool HandleCommand(WORD /*code*/, WORD /*id*/) { return false; }
    virtual bool HandleNotify(NMHDR* /*hdr*/, LRESULT& /*result*/) { return false; }
    virtual bool HandleDrawItem(DRAWITEMSTRUCT* /*di*/) { return false; }
    // Background brush for a static or button child; null keeps the system's.
    virtual HBRUSH BackgroundBrush() const { return nullptr; }
    // Long hint under a point in client coordinates (tool bars have one per button).
    virtual std::string HintAt(POINT /*pt*/) const { return hint_; }

    // The object that owns a window made by the toolkit, or null.
    static TControl* FromHandle(HWND hwnd);

protected:
    // Makes the window of the control; the style gets WS_CHILD and the parent's handle.
    void CreateHandle(const wchar_t* cls, DWORD style, DWORD exStyle = 0, const std::string& text = {});
    void AttachHandle(HWND hwnd);
    // Puts a new window in the place of the control's window (styles a system control reads
    // only when it is created): the old one is destroyed, the new one takes the control's
    // hint and font.
    void ReplaceHandle(HWND hwnd);
    // Makes the control's window now when it waits, alone (with its containers'): for a control
    // that cannot be built without its window. It stays in its place among its siblings.
    void MakeWindowNow();
    // Changes the style the window will be made with; false when it is not waiting.
    bool SetKeptStyle(DWORD add, DWORD remove);
    // Runs `step` on the control's window now, or right after it is made when its making waits.
    void WhenMade(std::function<void(HWND)> step);
    // Forgets the tie between the control and its window before the window is made again.
    void ReleaseHandle();
    virtual void DoTextChanged() {}
    // The text while the window waits to be made.
    virtual std::string KeptText() const;
    void RegisterTool();

    TLazyHandle hwnd_{this};
    TWinControl* parent_;
    int left_ = 0, top_ = 0, width_ = 75, height_ = 25;
    bool visible_ = true;
    bool enabled_ = true;
    std::string hint_;
    TFont font_;
    bool toolRegistered_ = false;
    TAlign align_ = TAlign::alNone;

private:
    friend class TLazyHandle;
    friend class TWinControl;
    friend LRESULT CALLBACK ToolkitWindowProc(HWND, UINT, WPARAM, LPARAM);
    // How to make a window whose making waits: its class, styles and whether it is one of the
    // toolkit's own (routed to WndProc). Until then the control keeps its text here and its
    // bounds, visibility, enabled state, font and hint in its members.
    struct PendingWindow {
        std::wstring cls;
        DWORD style = 0;
        DWORD exStyle = 0;
        bool own = false;
        bool visibleSet = false;
        std::string text;
        std::vector<std::function<void(HWND)>> steps;
    };
    // The form that makes the window when shown, or null when the window is made now.
    TWinControl* DeferringContainer();
    void Defer(PendingWindow p);
    bool InsideHiddenContainer() const;
    // Makes this window (its container's first) from the kept state.
    void MakePendingWindow();
    // Makes every window its form still has to make, in the order the controls were made.
    void HandleNeeded();
    std::unique_ptr<PendingWindow> pending_;
    TWinControl* pendingIn_ = nullptr;
    // A control made again (a style fixed at creation changed) gets its new window at once.
    bool hadWindow_ = false;
};

// A control that contains others: panels, group boxes, grids and forms. Owns its children.
class TWinControl : public TControl {
public:
    explicit TWinControl(TWinControl* parent);
    ~TWinControl() override;

    // Background colour (COLORREF); CLR_INVALID uses the system's button face.
    COLORREF Color() const { return color_; }
    void SetColor(COLORREF c);
    HBRUSH BackgroundBrush() const override;

    void AddChild(TControl* c);
    void RemoveChild(TControl* c);
    const std::vector<TControl*>& Children() const { return children_; }
    void Loaded() override;
    // Lays out the aligned children in the client area.
    void AlignControls();
    // The next control that takes the focus by Tab, after `current` (forward) or before it;
    // null when there is none. Controls are visited in their order, containers entered.
    TControl* FindNextControl(TControl* current, bool forward) const;
    // Moves the focus as Tab or Shift+Tab does; false when no control takes it.
    bool SelectNext(TControl* current, bool forward);
    // The first control of that name inside this one (searching depth-first), or null.
    TControl* FindControl(const std::string& name) const;

    // The one place messages of toolkit windows are handled; subclasses extend it.
    virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);

protected:
    // Makes a window of the toolkit's own class, routed to WndProc.
    void CreateOwnWindow(DWORD style, DWORD exStyle, HWND parent, const std::string& text);
    // The same for a child of the parent control; its making waits while its form defers.
    void CreateChildWindow(DWORD style, DWORD exStyle = 0, const std::string& text = {});
    // Makes the windows still to be made of the controls in this form, in construction order:
    // all of them, or those inside `within` (anywhere when null) not in a hidden container.
    void MakePendingWindows(const TControl* within, bool all);
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
    virtual void Paint(HDC /*dc*/) {}
    // Paints the client area into a given device context (WM_PRINTCLIENT).
    virtual LRESULT PrintClient(HDC dc);
    friend LRESULT DefaultPrintClientHandler(TWinControl*, UINT, WPARAM, LPARAM);

    std::vector<TControl*> children_;
    COLORREF color_ = CLR_INVALID;
    mutable HBRUSH brush_ = nullptr;
    bool destroying_ = false;
    std::vector<TControl*> pendingWindows_;
    std::vector<TControl*> pendingRaises_;

    friend LRESULT CALLBACK ToolkitWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend class TControl;
};

// The one handler through which every toolkit window paints itself into a foreign device
// context (WM_PRINTCLIENT). The entry may be replaced process-wide and put back.
using TPrintClientHandler = LRESULT (*)(TWinControl* control, UINT msg, WPARAM wp, LPARAM lp);
LRESULT DefaultPrintClientHandler(TWinControl* control, UINT msg, WPARAM wp, LPARAM lp);
TPrintClientHandler& PrintClientHandlerEntry();

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// A top-level window. The derived window builds its controls in its constructor; its creation
// handler runs from Application.CreateForm after the form variable is set.
class TForm : public TWinControl {
public:
    TForm();
    ~TForm() override;

    // Set before a form is constructed: the windows of its controls are made when it is first
    // shown (or one of them is needed), not while it is built. Taken and cleared by the form.
    static bool DeferContents;

    std::function<void(TForm*)> OnCreate;
    std::function<void(TForm*)> OnActivate;
    std::function<void(TForm*, bool& canClose)> OnCloseQuery;
    std::function<void(TForm*, TCloseAction& action)> OnClose;
    std::function<void(TForm*)> OnDestroy;

    void SetVisible(bool v) override;
    // Fixed outer size: the window cannot be resized by the user.
    void SetFixedSize(bool fixed) { fixedSize_ = fixed; }
    // A dialog's frame: fixed size, no minimise or maximise box.
    void SetDialogBorder();
    // Height follows the lowest visible child; the width stays.
    void SetAutoSize(bool a);
    void SetClientSize(int w, int h);
    void UpdateAutoSize();

    // Asks the close question and closes as the handlers decide (hides, or ends the program
    // for the main window).
    void Close();
    virtual TModalResult ShowModal();
    void SetModalResult(TModalResult r) { modalResult_ = r; }
    // Shown by ShowModal and not yet closed.
    bool InModal() const { return inModal_; }
    TModalResult ModalResult() const { return modalResult_; }

    // Runs OnDestroy, then frees the form and its controls.
    void Free();

    void DoCreate();
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

    // Dialog keys: Tab and Shift+Tab move the focus in the controls' order, Enter presses the
    // focused button or else the default button, Escape the cancel button. Answers whether
    // the key was used.
    virtual bool DialogKey(WPARAM key);

    // With KeyPreview on, key presses meant for any control of the form reach OnKeyDown
    // first; setting the key to 0 there keeps it from the control.
    bool KeyPreview = false;
    std::function<void(TForm*, WPARAM& key)> OnKeyDown;

private:
    bool fixedSize_ = false;
    bool autoSize_ = false;
    bool inModal_ = false;
    bool destroyed_ = false;
    bool deferContents_ = false;
    friend class TControl;
    TModalResult modalResult_ = TModalResult::mrNone;
};

// Information handed to the show-hint handler.
struct THintInfo {
    TControl* HintControl = nullptr;
    POINT CursorPos{};   // in the control's client coordinates
    COLORREF HintColor = CLR_INVALID;  // the hint window's colour; CLR_INVALID keeps the system's
};

class TApplication {
public:
    std::string Title = "TALVIK";
    TForm* MainForm = nullptr;
    // Right-to-left bidi mode: the message dialogs mirror their text.
    bool RightToLeft = false;

    void Initialize();
    template <class T>
    void CreateForm(T*& var) {
        // Forms after the main one are hidden at start-up: their controls' windows wait.
        TForm::DeferContents = !forms_.empty();
        T* f = new T();
        var = f;
        AddForm(f);
        f->DoCreate();
    }
    void AddForm(TForm* f);
    void RemoveForm(TForm* f);
    const std::vector<TForm*>& Forms() const { return forms_; }

    // Shows the main form and runs the message loop until it closes, then frees the forms.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Forgets an ended loop (and its pending quit message) so the object can run again.
    void ClearTerminated();
    // Handles the messages waiting now; returns false once the program is ending.
    bool ProcessMessages();
    // Frees every form left, last created first.
    void DestroyForms();

    // The default exception display. OnException replaces the message box (tests use it).
    std::function<void(const std::exception&)> OnException;
    void HandleException(const std::exception& e);
    void HandleCurrentException();
    void ShowException(const std::exception& e);

    // Hints: the long part of the hint under the mouse, and the show-hint handler.
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& h);
    std::function<void()> OnHint;
    std::function<void(std::string& hintStr, bool& canShow, THintInfo& info)> OnShowHint;
    bool ShowHint = true;
    void MouseMovedOver(HWND hwnd, POINT screenPt);

    HWND TooltipWindow();
    HWND UtilityWindow();

    // Looks at a message before it is dispatched: hints, mouse enter and leave, dialog keys.
    // Answers true when the message was used up and must not be dispatched.
    bool PreTranslate(MSG& msg);
    // Tells the controls of the focused window's form when the focus has moved.
    void CheckFocusChange();

private:
    HWND mouseWnd_ = nullptr;
    HWND lastFocus_ = nullptr;
    std::vector<TForm*> forms_;
    bool terminated_ = false;
    std::string hint_;
    HWND tooltip_ = nullptr;
    HWND util_ = nullptr;
};

extern TApplication Application;

// The once-a-second (or any interval) timer; ticks on the user-interface thread.
class TTimer {
public:
    TTimer();
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e);
    std::function<void(TTimer*)> OnTimer;
    void Tick();   // what one expiry does; also for tests

private:
    void Update();
    unsigned interval_ = 1000;
    bool enabled_ = true;
    UINT_PTR id_ = 0;
    bool running_ = false;
};

// Command ids of tool-bar buttons, unique in the program, and the control that answers them.
std::map<UINT_PTR, TControl*>& CommandTargets();
TControl* CommandTarget(UINT_PTR id);

// Registers the toolkit's window class and loads the common controls; idempotent.
void InitToolkit();

}  // namespace talvik
