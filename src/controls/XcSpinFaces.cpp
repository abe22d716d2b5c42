// The spin button's faces and their cache (see XcSpinFaces.h).
#include "controls/XcSpinFaces.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "controls/XcThemes.h"

namespace talvik {

namespace {

// Parts and states of the theme's spin element.
constexpr int kSpnpUp = 1, kSpnpDown = 2;
constexpr int kStateNormal = 1, kStateHot = 2, kStatePressed = 3, kStateDisabled = 4;

// A bitmap of the screen's format.
HBITMAP NewBitmap(int w, int h) {
    HDC screen = GetDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(screen, std::max(1, w), std::max(1, h));
    ReleaseDC(nullptr, screen);
    return b;
}

SIZE BitmapSize(HBITMAP b) {
    BITMAP bm{};
    if (!b || !GetObjectW(b, sizeof bm, &bm)) return {0, 0};
    return {bm.bmWidth, bm.bmHeight};
}

// A triangle arrow, `rows` high, pointing up or down, black on white.
HBITMAP MakeArrow(int width, int rows, bool up) {
    HBITMAP b = NewBitmap(width, rows);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b);
    RECT r{0, 0, width, rows};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    int mid = width / 2;
    for (int i = 0; i < rows; ++i) {
        int y = up ? i : rows - 1 - i;
        for (int x = mid - i; x <= mid + i; ++x)
            if (x >= 0 && x < width) SetPixel(dc, x, y, RGB(0, 0, 0));
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    return b;
}

// Copies a bitmap onto a device context with one colour left out.
void DrawTransparent(HDC dc, int x, int y, HBITMAP b, COLORREF transparent, const RECT* clip = nullptr) {
    SIZE s = BitmapSize(b);
    if (s.cx <= 0 || s.cy <= 0) return;
    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(src, b);
    int saved = SaveDC(dc);
    if (clip) IntersectClipRect(dc, clip->left, clip->top, clip->right, clip->bottom);
    TransparentBlt(dc, x, y, s.cx, s.cy, src, 0, 0, s.cx, s.cy, transparent);
    RestoreDC(dc, saved);
    SelectObject(src, old);
    DeleteDC(src);
}

COLORREF BottomLeftPixel(HBITMAP b) {
    SIZE s = BitmapSize(b);
    if (s.cx <= 0 || s.cy <= 0) return RGB(255, 255, 255);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b);
    COLORREF c = GetPixel(dc, 0, s.cy - 1);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

// Draws a glyph (or its disabled look) with its top-left at (x, y).
void DrawGlyph(HDC dc, int x, int y, HBITMAP glyph, COLORREF transparent, bool enabled, const RECT* clip) {
    if (enabled) {
        DrawTransparent(dc, x, y, glyph, transparent, clip);
        return;
    }
    HBITMAP dis = CreateDisabledBitmap(glyph, transparent);
    DrawTransparent(dc, x, y, dis, GetSysColor(COLOR_BTNFACE), clip);
    DeleteObject(dis);
}

// Places the two glyphs of a face: diagonal style in the top-left and bottom-right quarters,
// classic style centred in their halves.
void PlaceGlyphs(HDC dc, int w, int h, int style, HBITMAP up, COLORREF upTransparent, HBITMAP down,
                 COLORREF downTransparent, bool enabled) {
    SIZE us = BitmapSize(up), ds = BitmapSize(down);
    if (style == 0) {
        if (us.cx > 0) {
            int x = static_cast<int>(std::nearbyint(w / 4.0 - us.cx / 2.0)) + 1;
            int y = static_cast<int>(std::nearbyint(h / 4.0 - us.cy / 2.0)) + 1;
            DrawGlyph(dc, x, y, up, upTransparent, enabled, nullptr);
        }
        if (ds.cx > 0) {
            int x = static_cast<int>(std::nearbyint(3.0 * w / 4.0 - ds.cx / 2.0)) - 1;
            int y = static_cast<int>(std::nearbyint(3.0 * h / 4.0 - ds.cy / 2.0)) - 1;
            DrawGlyph(dc, x, y, down, downTransparent, enabled, nullptr);
        }
        return;
    }
    RECT top{0, 0, w, h / 2}, bottom{0, h / 2, w, h};
    if (us.cx > 0)
        DrawGlyph(dc, (w - us.cx) / 2, top.top + (top.bottom - top.top - us.cy) / 2, up, upTransparent, enabled, &top);
    if (ds.cx > 0)
        DrawGlyph(dc, (w - ds.cx) / 2, bottom.top + (bottom.bottom - bottom.top - ds.cy) / 2, down, downTransparent,
                  enabled, &bottom);
}

void Line(HDC dc, int x1, int y1, int x2, int y2, int sysColor) {
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(sysColor));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(pen);
}

TSpinButtonBitmapsManager*& ManagerRef() {
    static TSpinButtonBitmapsManager* manager = nullptr;
    return manager;
}

}  // namespace

HBITMAP SpinArrowBitmap(const char* name) {
    static std::map<std::string, HBITMAP> arrows;
    auto it = arrows.find(name);
    if (it != arrows.end()) return it->second;
    std::string n = name;
    HBITMAP b = nullptr;
    if (n == "XcSpinUP") b = MakeArrow(5, 3, true);
    else if (n == "XcSpinDOWN") b = MakeArrow(5, 3, false);
    else if (n == "XcSpinUPPOLE") b = MakeArrow(7, 4, true);
    else if (n == "XcSpinDOWNPOLE") b = MakeArrow(7, 4, false);
    arrows[n] = b;
    return b;
}

HBITMAP CreateDisabledBitmap(HBITMAP source, COLORREF transparent, COLORREF back, bool withHighlight,
                             COLORREF shadow, COLORREF highlight) {
    SIZE s = BitmapSize(source);
    HBITMAP result = NewBitmap(s.cx, s.cy);
    if (s.cx <= 0 || s.cy <= 0) return result;
    HDC src = CreateCompatibleDC(nullptr);
    HDC maskDc = CreateCompatibleDC(nullptr);
    HDC dst = CreateCompatibleDC(nullptr);
    HBITMAP mask = CreateBitmap(s.cx, s.cy, 1, 1, nullptr);
    HGDIOBJ oldSrc = SelectObject(src, source);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    HGDIOBJ oldDst = SelectObject(dst, result);
    // Pixels of the transparent colour become white in the mask, the rest black.
    SetBkColor(src, transparent);
    BitBlt(maskDc, 0, 0, s.cx, s.cy, src, 0, 0, SRCCOPY);
    RECT r{0, 0, s.cx, s.cy};
    HBRUSH backBrush = CreateSolidBrush(back);
    FillRect(dst, &r, backBrush);
    DeleteObject(backBrush);
    // The brush goes where the mask is black: the mask's black is turned into all ones.
    SetTextColor(dst, RGB(255, 255, 255));
    SetBkColor(dst, RGB(0, 0, 0));
    constexpr DWORD kBrushWhereBlack = 0xE20746;
    if (withHighlight) {
        HBRUSH hb = CreateSolidBrush(highlight);
        HGDIOBJ ob = SelectObject(dst, hb);
        BitBlt(dst, 1, 1, s.cx, s.cy, maskDc, 0, 0, kBrushWhereBlack);
        SelectObject(dst, ob);
        DeleteObject(hb);
    }
    HBRUSH sb = CreateSolidBrush(shadow);
    HGDIOBJ ob = SelectObject(dst, sb);
    BitBlt(dst, 0, 0, s.cx, s.cy, maskDc, 0, 0, kBrushWhereBlack);
    SelectObject(dst, ob);
    DeleteObject(sb);
    SelectObject(src, oldSrc);
    SelectObject(maskDc, oldMask);
    SelectObject(dst, oldDst);
    DeleteObject(mask);
    DeleteDC(src);
    DeleteDC(maskDc);
    DeleteDC(dst);
    return result;
}

HBITMAP CreateDisabledBitmap(HBITMAP source, COLORREF transparent) {
    return CreateDisabledBitmap(source, transparent, GetSysColor(COLOR_BTNFACE), true, GetSysColor(COLOR_BTNSHADOW),
                                GetSysColor(COLOR_BTNHIGHLIGHT));
}

// ---- TSpinButtonBitmaps

TSpinButtonBitmaps::TSpinButtonBitmaps(TSpinButtonBitmapsManager* manager, int width, int height, int style,
                                       bool customGlyphs)
    : manager_(manager), height_(height), width_(width), style_(style), customGlyphs_(customGlyphs) {}

TSpinButtonBitmaps::~TSpinButtonBitmaps() {
    if (manager_) manager_->Remove(this);
    FreeFaces();
}

void TSpinButtonBitmaps::FreeFaces() {
    for (auto& f : faces_) {
        if (f) DeleteObject(f);
        f = nullptr;
    }
}

void TSpinButtonBitmaps::RemoveClient() {
    if (--clientCount_ <= 0) delete this;
}

int TSpinButtonBitmaps::CompareWith(int width, int height, int style, bool customGlyphs) const {
    return CompareSpinFaceKeys(Key(), {width, height, style, customGlyphs});
}

HBITMAP TSpinButtonBitmaps::Face(TSpinFace f) {
    if (resetPending_) DrawAllBitmaps();
    return faces_[static_cast<int>(f)];
}

void TSpinButtonBitmaps::DrawUnthemed(HDC dc, TSpinDown down, bool enabled) {
    RECT r{0, 0, width_, height_};
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (style_ == 0) {
        DrawEdge(dc, &r, down == TSpinDown::Top ? EDGE_SUNKEN : EDGE_RAISED, BF_SOFT | BF_TOPLEFT);
        DrawEdge(dc, &r, down == TSpinDown::Bottom ? EDGE_SUNKEN : EDGE_RAISED, BF_SOFT | BF_BOTTOMRIGHT);
        RECT in{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        int c1 = COLOR_BTNSHADOW, c2 = COLOR_3DLIGHT, c3 = COLOR_BTNHIGHLIGHT;
        if (down == TSpinDown::Top) {
            c1 = COLOR_BTNFACE;
            c2 = COLOR_BTNHIGHLIGHT;
            c3 = COLOR_BTNHIGHLIGHT;
        } else if (down == TSpinDown::Bottom) {
            c1 = COLOR_BTNSHADOW;
            c2 = COLOR_BTNSHADOW;
            c3 = COLOR_WINDOWFRAME;
        }
        Line(dc, in.left, in.bottom - 2, in.right - 1, in.top - 1, c1);
        Line(dc, in.right - 1, in.top, in.left, in.bottom - 1, c2);
        Line(dc, in.left + 1, in.bottom - 1, in.right, in.top, c3);
    } else {
        RECT top{0, 0, width_, height_ / 2}, bottom{0, height_ / 2, width_, height_};
        DrawEdge(dc, &top, down == TSpinDown::Top ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT | BF_ADJUST);
        DrawEdge(dc, &bottom, down == TSpinDown::Bottom ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT | BF_ADJUST);
    }
    if (!customGlyphs_) {
        HBITMAP up = SpinArrowBitmap(style_ == 0 ? "XcSpinUP" : "XcSpinUPPOLE");
        HBITMAP dn = SpinArrowBitmap(style_ == 0 ? "XcSpinDOWN" : "XcSpinDOWNPOLE");
        PlaceGlyphs(dc, width_, height_, style_, up, RGB(255, 255, 255), dn, RGB(255, 255, 255), enabled);
    }
}

void TSpinButtonBitmaps::DrawThemed(HDC dc, int upState, int downState) {
    TXcThemeServices& ts = ThemeServices();
    HTHEME theme = ts.OpenThemeData(nullptr, L"SPIN");
    RECT r{0, 0, width_, height_};
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    HRGN upRgn, downRgn;
    if (style_ == 0) {
        POINT upPts[3] = {{0, 0}, {width_, 0}, {0, height_}};
        POINT downPts[3] = {{width_, 0}, {width_, height_}, {0, height_}};
        upRgn = CreatePolygonRgn(upPts, 3, WINDING);
        downRgn = CreatePolygonRgn(downPts, 3, WINDING);
    } else {
        upRgn = CreateRectRgn(0, 0, width_, height_ / 2);
        downRgn = CreateRectRgn(0, height_ / 2, width_, height_);
    }
    // Diagonal halves: each element is drawn on a square centred on its own triangle's
    // quarter, so that the theme's arrow lands inside the triangle rather than on the split.
    RECT upRect = style_ == 0 ? RECT{-width_ / 2, -height_ / 2, width_, height_} : RECT{0, 0, width_, height_ / 2};
    RECT downRect = style_ == 0 ? RECT{0, 0, width_ + width_ / 2, height_ + height_ / 2}
                                : RECT{0, height_ / 2, width_, height_};
    SelectClipRgn(dc, upRgn);
    ts.DrawThemeBackground(theme, dc, kSpnpUp, upState, &upRect, nullptr);
    SelectClipRgn(dc, downRgn);
    ts.DrawThemeBackground(theme, dc, kSpnpDown, downState, &downRect, nullptr);
    SelectClipRgn(dc, nullptr);
    DeleteObject(upRgn);
    DeleteObject(downRgn);
    if (theme) ts.CloseThemeData(theme);
}

void TSpinButtonBitmaps::DrawAllBitmaps() {
    FreeFaces();
    resetPending_ = false;
    themed_ = ThemeServices().ThemesEnabled();
    HDC dc = CreateCompatibleDC(nullptr);
    for (int i = 0; i < 6; ++i) {
        faces_[i] = NewBitmap(width_, height_);
        HGDIOBJ old = SelectObject(dc, faces_[i]);
        auto face = static_cast<TSpinFace>(i);
        if (themed_) {
            static const int states[6][2] = {
                {kStateNormal, kStateNormal},     {kStatePressed, kStateNormal},  {kStateNormal, kStatePressed},
                {kStateHot, kStateNormal},        {kStateNormal, kStateHot},      {kStateDisabled, kStateDisabled}};
            DrawThemed(dc, states[i][0], states[i][1]);
        } else {
            TSpinDown down = face == TSpinFace::TopDown      ? TSpinDown::Top
                             : face == TSpinFace::BottomDown ? TSpinDown::Bottom
                                                             : TSpinDown::None;
            DrawUnthemed(dc, down, face != TSpinFace::Disabled);
        }
        SelectObject(dc, old);
    }
    DeleteDC(dc);
}

void TSpinButtonBitmaps::Draw(HDC dc, TSpinDown down, bool mouseInTop, bool mouseInBottom, bool enabled) {
    if (resetPending_) DrawAllBitmaps();
    HBITMAP face = faces_[static_cast<int>(SpinFaceFor(enabled, down, themed_, mouseInTop, mouseInBottom))];
    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(src, face);
    BitBlt(dc, 0, 0, width_, height_, src, 0, 0, SRCCOPY);
    SelectObject(src, old);
    DeleteDC(src);
}

void TSpinButtonBitmaps::DrawGlyphs(HDC dc, TSpinDown /*down*/, HBITMAP upGlyph, HBITMAP downGlyph, bool enabled) {
    if (themed_ && style_ != 0) return;
    PlaceGlyphs(dc, width_, height_, style_, upGlyph, BottomLeftPixel(upGlyph), downGlyph, BottomLeftPixel(downGlyph),
                enabled);
}

// ---- TSpinButtonBitmapsManager

TSpinButtonBitmapsManager* TSpinButtonBitmapsManager::Instance() { return ManagerRef(); }

void TSpinButtonBitmapsManager::AddClient() {
    auto*& m = ManagerRef();
    if (!m) m = new TSpinButtonBitmapsManager();
    ++m->clientCount_;
}

void TSpinButtonBitmapsManager::RemoveClient() {
    auto*& m = ManagerRef();
    if (!m) return;
    if (--m->clientCount_ <= 0) {
        TSpinButtonBitmapsManager* gone = m;
        m = nullptr;
        delete gone;
    }
}

TSpinButtonBitmapsManager::~TSpinButtonBitmapsManager() {
    destroying_ = true;
    for (TSpinButtonBitmaps* b : list_) {
        b->manager_ = nullptr;
        delete b;
    }
    list_.clear();
}

bool TSpinButtonBitmapsManager::Find(int width, int height, int style, bool customGlyphs, int& index) const {
    std::vector<TSpinFaceKey> keys;
    keys.reserve(list_.size());
    for (auto* b : list_) keys.push_back(b->Key());
    return FindSpinFaceKey(keys, {width, height, style, customGlyphs}, index);
}

TSpinButtonBitmaps* TSpinButtonBitmapsManager::WantButtons(int width, int height, int style, bool customGlyphs) {
    int index = 0;
    if (Find(width, height, style, customGlyphs, index)) return list_[static_cast<std::size_t>(index)];
    auto* b = new TSpinButtonBitmaps(this, width, height, style, customGlyphs);
    list_.insert(list_.begin() + index, b);
    return b;
}

void TSpinButtonBitmapsManager::Remove(TSpinButtonBitmaps* set) {
    if (destroying_) return;
    list_.erase(std::remove(list_.begin(), list_.end(), set), list_.end());
}

}  // namespace talvik
