// Printing a rich-text control's document a page at a time. The control formats each page
// itself (EM_FORMATRANGE) where it can; a control that cannot (Wine's answers the message with
// nothing) has its document drawn here through GDI: its character runs with their fonts,
// sizes and colours, each paragraph's tab stops, lines wrapped at the right margin and pages
// broken at the bottom one.
#include "toolkit/comctrls.h"

#include <richedit.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace talvik {

namespace {

constexpr int kMarginTwips = 720;   // half an inch on every side
constexpr int kDefaultTabTwips = 720;

struct PageGeometry {
    RECT pageTwips;  // the printable area, in twips from its corner
    RECT bodyTwips;  // the part printed on
};

PageGeometry GeometryOf(HDC dc) {
    const int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    if (dpiX <= 0 || dpiY <= 0) throw std::runtime_error("The printer gives no resolution");
    const RECT page{0, 0, MulDiv(GetDeviceCaps(dc, HORZRES), 1440, dpiX), MulDiv(GetDeviceCaps(dc, VERTRES), 1440, dpiY)};
    RECT body{page.left + kMarginTwips, page.top + kMarginTwips, page.right - kMarginTwips, page.bottom - kMarginTwips};
    if (body.right <= body.left || body.bottom <= body.top) body = page;
    return {page, body};
}

LONG TextLength(HWND h) {
    GETTEXTLENGTHEX gl{GTL_NUMCHARS, 1200};
    return static_cast<LONG>(SendMessageW(h, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gl), 0));
}

// ---- the control's own page formatting

bool PrintByControl(HWND h, HDC dc, const PageGeometry& g, LONG length) {
    FORMATRANGE fr{};
    fr.hdc = dc;
    fr.hdcTarget = dc;
    fr.rcPage = g.pageTwips;
    fr.rc = g.bodyTwips;
    fr.chrg.cpMin = 0;
    fr.chrg.cpMax = -1;
    // A control that cannot format pages says so by taking nothing of a document that has text.
    const LONG probe = static_cast<LONG>(SendMessageW(h, EM_FORMATRANGE, FALSE, reinterpret_cast<LPARAM>(&fr)));
    SendMessageW(h, EM_FORMATRANGE, FALSE, 0);
    if (length > 0 && probe <= 0) return false;

    bool ok = true;
    do {
        if (StartPage(dc) <= 0) {
            ok = false;
            break;
        }
        fr.rc = g.bodyTwips;
        const LONG next = static_cast<LONG>(SendMessageW(h, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&fr)));
        if (EndPage(dc) <= 0) {
            ok = false;
            break;
        }
        // A page that takes nothing (a line taller than the page) would never end the job.
        if (next <= fr.chrg.cpMin) break;
        fr.chrg.cpMin = next;
    } while (fr.chrg.cpMin < length);
    SendMessageW(h, EM_FORMATRANGE, FALSE, 0);
    if (!ok) throw std::runtime_error("The printer stopped taking pages");
    return true;
}

// ---- drawing the document through GDI

struct Run {
    LONG start;
    std::wstring text;
    CHARFORMAT2W cf;
};

CHARFORMAT2W FormatOf(HWND h, LONG from, LONG to) {
    CHARRANGE r{from, to};
    SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof(cf);
    SendMessageW(h, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    return cf;
}

constexpr DWORD kRunMask = CFM_FACE | CFM_SIZE | CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_CHARSET;

bool Uniform(HWND h, LONG from, LONG to) { return (FormatOf(h, from, to).dwMask & kRunMask) == kRunMask; }

// The runs of equal character format, found by doubling and then halving the span.
std::vector<Run> RunsOf(HWND h, const std::wstring& text) {
    std::vector<Run> runs;
    const LONG length = static_cast<LONG>(text.size());
    LONG p = 0;
    while (p < length) {
        LONG good = p + 1, step = 1;
        while (good < length) {
            const LONG trial = std::min(length, good + step);
            if (!Uniform(h, p, trial)) {
                // The end lies between good and trial.
                LONG lo = good, hi = trial;
                while (hi - lo > 1) {
                    const LONG mid = lo + (hi - lo) / 2;
                    if (Uniform(h, p, mid))
                        lo = mid;
                    else
                        hi = mid;
                }
                good = lo;
                break;
            }
            good = trial;
            step *= 2;
        }
        runs.push_back({p, text.substr(static_cast<size_t>(p), static_cast<size_t>(good - p)), FormatOf(h, p, p + 1)});
        p = good;
    }
    return runs;
}

std::vector<LONG> TabStopsAt(HWND h, LONG cp) {
    CHARRANGE r{cp, cp};
    SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    PARAFORMAT2 pf{};
    pf.cbSize = sizeof(pf);
    SendMessageW(h, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    std::vector<LONG> stops;
    if (pf.dwMask & PFM_TABSTOPS)
        for (int i = 0; i < pf.cTabCount && i < MAX_TAB_STOPS; ++i) stops.push_back(pf.rgxTabs[i] & 0x00FFFFFF);
    return stops;
}

class GdiPrinter {
public:
    GdiPrinter(HDC dc, const PageGeometry& g)
        : dc_(dc), dpiX_(GetDeviceCaps(dc, LOGPIXELSX)), dpiY_(GetDeviceCaps(dc, LOGPIXELSY)),
          left_(X(g.bodyTwips.left)), right_(X(g.bodyTwips.right)), top_(Y(g.bodyTwips.top)),
          bottom_(Y(g.bodyTwips.bottom)), y_(top_) {
        SetBkMode(dc_, TRANSPARENT);
        SetTextAlign(dc_, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    }
    ~GdiPrinter() {
        SelectObject(dc_, GetStockObject(SYSTEM_FONT));
        for (auto& f : fonts_) DeleteObject(f.second);
    }

    void Begin() { NewPage(); }
    void End() {
        if (EndPage(dc_) <= 0) throw std::runtime_error("The printer stopped taking pages");
    }

    // One paragraph: its runs (without the paragraph mark), its tab stops in twips, and the
    // format of its mark for the height of an empty line.
    void Paragraph(const std::vector<const Run*>& runs, const std::vector<LONG>& tabTwips, const CHARFORMAT2W& mark) {
        x_ = left_;
        for (const Run* r : runs) {
            Use(r->cf);
            std::wstring chunk;
            for (wchar_t c : r->text) {
                if (c == L'\t') {
                    Put(chunk, r->cf);
                    chunk.clear();
                    x_ = NextTab(tabTwips);
                    if (x_ >= right_) Break();
                } else if (c != L'\n' && c != L'\v') {
                    chunk.push_back(c);
                }
            }
            Put(chunk, r->cf);
        }
        if (pieces_.empty()) {
            Use(mark);
            NoteHeight();
        }
        Break();
    }

private:
    struct Piece {
        int x;
        std::wstring text;
        HFONT font;
        COLORREF colour;
    };

    int X(LONG twips) const { return MulDiv(twips, dpiX_, 1440); }
    int Y(LONG twips) const { return MulDiv(twips, dpiY_, 1440); }

    void NewPage() {
        if (StartPage(dc_) <= 0) throw std::runtime_error("The printer stopped taking pages");
        SetBkMode(dc_, TRANSPARENT);
        SetTextAlign(dc_, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
        y_ = top_;
    }

    void Use(const CHARFORMAT2W& cf) {
        const LONG twips = (cf.dwMask & CFM_SIZE) && cf.yHeight > 0 ? cf.yHeight : 200;
        const int weight = (cf.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
        const bool italic = cf.dwEffects & CFE_ITALIC, underline = cf.dwEffects & CFE_UNDERLINE;
        const std::wstring face = cf.szFaceName[0] ? cf.szFaceName : L"Arial";
        auto key = std::make_tuple(face, twips, weight, italic, underline, cf.bCharSet);
        auto it = fonts_.find(key);
        if (it == fonts_.end()) {
            HFONT f = CreateFontW(-Y(twips), 0, 0, 0, weight, italic, underline, FALSE, cf.bCharSet, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
            if (!f) f = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
            it = fonts_.emplace(key, f).first;
        }
        font_ = it->second;
        SelectObject(dc_, font_);
    }

    void NoteHeight() {
        TEXTMETRICW tm;
        GetTextMetricsW(dc_, &tm);
        ascent_ = std::max<int>(ascent_, tm.tmAscent);
        descent_ = std::max<int>(descent_, tm.tmDescent + tm.tmExternalLeading);
    }

    int NextTab(const std::vector<LONG>& tabTwips) const {
        for (LONG t : tabTwips) {
            const int at = left_ + X(t);
            if (at > x_) return at;
        }
        // Past the paragraph's own stops: the default ones.
        const int step = std::max(1, X(kDefaultTabTwips));
        return left_ + ((x_ - left_) / step + 1) * step;
    }

    // Adds text at x, wrapping at the right margin (at a blank where there is one).
    void Put(std::wstring text, const CHARFORMAT2W& cf) {
        const COLORREF colour = (cf.dwEffects & CFE_AUTOCOLOR) || !(cf.dwMask & CFM_COLOR) ? RGB(0, 0, 0) : cf.crTextColor;
        while (!text.empty()) {
            NoteHeight();
            int fit = 0;
            SIZE size{};
            GetTextExtentExPointW(dc_, text.c_str(), static_cast<int>(text.size()), std::max(0, right_ - x_), &fit,
                                  nullptr, &size);
            if (fit >= static_cast<int>(text.size())) {
                pieces_.push_back({x_, text, font_, colour});
                x_ += size.cx;
                return;
            }
            int cut = fit;
            const auto blank = text.find_last_of(L' ', static_cast<size_t>(std::max(0, fit - 1)));
            if (fit > 0 && blank != std::wstring::npos && blank > 0) cut = static_cast<int>(blank) + 1;
            if (cut == 0 && x_ == left_) cut = 1;  // not even one character fits a fresh line
            if (cut > 0) pieces_.push_back({x_, text.substr(0, static_cast<size_t>(cut)), font_, colour});
            text.erase(0, static_cast<size_t>(cut));
            Break();
        }
    }

    // Ends the line: draws it on this page, or on the next when it does not fit.
    void Break() {
        if (ascent_ + descent_ == 0) NoteHeight();
        const int height = ascent_ + descent_;
        if (y_ + height > bottom_ && y_ > top_) {
            End();
            NewPage();
        }
        for (const Piece& p : pieces_) {
            SelectObject(dc_, p.font);
            SetTextColor(dc_, p.colour);
            TextOutW(dc_, p.x, y_ + ascent_, p.text.c_str(), static_cast<int>(p.text.size()));
        }
        SelectObject(dc_, font_);
        y_ += height;
        pieces_.clear();
        ascent_ = descent_ = 0;
        x_ = left_;
    }

    HDC dc_;
    int dpiX_, dpiY_;
    int left_, right_, top_, bottom_;
    int x_ = 0, y_;
    int ascent_ = 0, descent_ = 0;
    HFONT font_ = nullptr;
    std::vector<Piece> pieces_;
    std::map<std::tuple<std::wstring, LONG, int, bool, bool, BYTE>, HFONT> fonts_;
};

std::wstring DocumentText(HWND h, LONG length) {
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX gt{};
    gt.cb = static_cast<DWORD>((length + 1) * sizeof(wchar_t));
    gt.flags = GT_DEFAULT;
    gt.codepage = 1200;
    const LRESULT n = SendMessageW(h, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&gt), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(0, n)));
    return text;
}

void PrintByGdi(HWND h, HDC dc, const PageGeometry& g, LONG length) {
    const std::wstring text = DocumentText(h, length);
    const std::vector<Run> runs = RunsOf(h, text);
    GdiPrinter printer(dc, g);
    printer.Begin();
    // Paragraph by paragraph: each ends at a CR (or the document's end).
    size_t r = 0;
    std::vector<Run> pieces;
    LONG paraStart = 0;
    const LONG total = static_cast<LONG>(text.size());
    while (paraStart <= total) {
        LONG paraEnd = paraStart;
        while (paraEnd < total && text[static_cast<size_t>(paraEnd)] != L'\r') ++paraEnd;
        // The runs' parts inside [paraStart, paraEnd).
        pieces.clear();
        while (r < runs.size() && runs[r].start + static_cast<LONG>(runs[r].text.size()) <= paraStart) ++r;
        for (size_t k = r; k < runs.size() && runs[k].start < paraEnd; ++k) {
            const LONG from = std::max(paraStart, runs[k].start);
            const LONG to = std::min(paraEnd, runs[k].start + static_cast<LONG>(runs[k].text.size()));
            if (to > from)
                pieces.push_back({from, runs[k].text.substr(static_cast<size_t>(from - runs[k].start),
                                                            static_cast<size_t>(to - from)),
                                  runs[k].cf});
        }
        std::vector<const Run*> refs;
        for (const Run& p : pieces) refs.push_back(&p);
        const CHARFORMAT2W mark = FormatOf(h, std::min(paraEnd, std::max<LONG>(0, total - 1)),
                                           std::min(paraEnd, std::max<LONG>(0, total - 1)) + 1);
        // A document that ends with a paragraph mark has no line after it.
        if (paraStart < total || paraStart == 0) printer.Paragraph(refs, TabStopsAt(h, paraStart), mark);
        paraStart = paraEnd + 1;
    }
    printer.End();
}

}  // namespace

void PrintRichText(HWND h, HDC dc, const std::string& title) {
    const PageGeometry g = GeometryOf(dc);
    const std::wstring name = Widen(title);
    DOCINFOW di{};
    di.cbSize = sizeof(di);
    di.lpszDocName = name.c_str();
    const LONG length = TextLength(h);

    // The caret and selection are the user's: put them back afterwards.
    CHARRANGE keep{};
    SendMessageW(h, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    if (StartDocW(dc, &di) <= 0) throw std::runtime_error("The printer did not accept the job \"" + title + "\"");
    try {
        if (!PrintByControl(h, dc, g, length)) PrintByGdi(h, dc, g, length);
    } catch (...) {
        AbortDoc(dc);
        SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&keep));
        throw;
    }
    SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    if (EndDoc(dc) <= 0) throw std::runtime_error("Printing \"" + title + "\" failed");
}

}  // namespace talvik
