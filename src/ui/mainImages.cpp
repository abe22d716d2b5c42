// The main window's tool-bar glyphs and language flags, drawn with GDI at 39 x 33 so the
// program carries no image files of its own.
#include "ui/mainImages.h"

#include <cmath>

namespace talvik {

namespace {

constexpr int W = 39;
constexpr int H = 33;
constexpr COLORREF kClear = RGB(255, 0, 255);

struct Pen {
    Pen(HDC dc, COLORREF c, int width) : dc_(dc), pen_(CreatePen(PS_SOLID, width, c)) {
        old_ = SelectObject(dc, pen_);
    }
    ~Pen() {
        SelectObject(dc_, old_);
        DeleteObject(pen_);
    }
    HDC dc_;
    HPEN pen_;
    HGDIOBJ old_;
};

struct Brush {
    Brush(HDC dc, COLORREF c) : dc_(dc), brush_(CreateSolidBrush(c)) { old_ = SelectObject(dc, brush_); }
    ~Brush() {
        SelectObject(dc_, old_);
        DeleteObject(brush_);
    }
    HDC dc_;
    HBRUSH brush_;
    HGDIOBJ old_;
};

void Box(HDC dc, int x, int y, int r, int b, COLORREF fill, COLORREF edge = RGB(0, 0, 0), int pw = 1) {
    Pen p(dc, edge, pw);
    Brush br(dc, fill);
    Rectangle(dc, x, y, r, b);
}

void Fill(HDC dc, int x, int y, int r, int b, COLORREF c) {
    RECT rc{x, y, r, b};
    HBRUSH br = CreateSolidBrush(c);
    FillRect(dc, &rc, br);
    DeleteObject(br);
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF c, int width) {
    Pen p(dc, c, width);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void Poly(HDC dc, const std::initializer_list<POINT>& pts, COLORREF fill, COLORREF edge) {
    Pen p(dc, edge, 1);
    Brush b(dc, fill);
    Polygon(dc, pts.begin(), static_cast<int>(pts.size()));
}

void Text(HDC dc, int x, int y, const wchar_t* s, int size, COLORREF c, bool bold = true) {
    HFONT f = CreateFontW(-size, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                          ANTIALIASED_QUALITY, 0, L"Arial");
    HGDIOBJ old = SelectObject(dc, f);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, c);
    TextOutW(dc, x, y, s, static_cast<int>(wcslen(s)));
    SelectObject(dc, old);
    DeleteObject(f);
}

void Star(HDC dc, int cx, int cy, int r, COLORREF c) {
    POINT pts[10];
    for (int i = 0; i < 10; ++i) {
        double a = -3.14159265 / 2 + i * 3.14159265 / 5;
        double rr = i % 2 ? r * 0.4 : r;
        pts[i] = POINT{cx + static_cast<int>(std::lround(rr * std::cos(a))),
                       cy + static_cast<int>(std::lround(rr * std::sin(a)))};
    }
    Pen p(dc, c, 1);
    Brush b(dc, c);
    Polygon(dc, pts, 10);
}

// Each glyph draws into the cell whose left edge is x.
void DrawExit(HDC dc, int x) {
    Box(dc, x + 8, 3, x + 24, 30, RGB(150, 90, 40));               // door frame
    Poly(dc, {{x + 8, 3}, {x + 19, 7}, {x + 19, 32}, {x + 8, 30}}, RGB(200, 130, 60), RGB(0, 0, 0));
    Fill(dc, x + 16, 17, x + 18, 19, RGB(255, 220, 0));            // knob
    Line(dc, x + 25, 17, x + 36, 17, RGB(200, 0, 0), 3);           // arrow out
    Poly(dc, {{x + 31, 11}, {x + 37, 17}, {x + 31, 23}}, RGB(200, 0, 0), RGB(200, 0, 0));
}

void DrawHelp(HDC dc, int x) {
    Pen p(dc, RGB(0, 70, 170), 2);
    Brush b(dc, RGB(220, 235, 255));
    Ellipse(dc, x + 5, 1, x + 34, 31);
    Text(dc, x + 13, 3, L"?", 24, RGB(0, 70, 170));
}

void DrawCurrent(HDC dc, int x) {
    Box(dc, x + 5, 8, x + 31, 28, RGB(240, 240, 240));              // battery body
    Fill(dc, x + 31, 13, x + 35, 23, RGB(0, 0, 0));                 // terminal
    Fill(dc, x + 7, 10, x + 23, 26, RGB(0, 170, 0));                // charge level
    Poly(dc, {{x + 18, 2}, {x + 11, 18}, {x + 17, 18}, {x + 14, 32}, {x + 25, 14}, {x + 19, 14}, {x + 23, 2}},
         RGB(255, 210, 0), RGB(120, 80, 0));                        // bolt
}

void DrawHistory(HDC dc, int x) {
    Line(dc, x + 4, 2, x + 4, 30, RGB(0, 0, 0), 2);
    Line(dc, x + 4, 30, x + 36, 30, RGB(0, 0, 0), 2);
    const int heights[] = {10, 18, 8, 22, 14};
    for (int i = 0; i < 5; ++i)
        Box(dc, x + 8 + i * 6, 29 - heights[i], x + 13 + i * 6, 30, RGB(40, 110, 220), RGB(0, 40, 120));
}

void DrawSettings(HDC dc, int x) {
    for (int i = 0; i < 3; ++i) {
        int y = 7 + i * 9;
        Line(dc, x + 5, y, x + 34, y, RGB(90, 90, 90), 2);
        int knob = x + (i == 0 ? 12 : i == 1 ? 26 : 17);
        Box(dc, knob - 3, y - 4, knob + 4, y + 5, RGB(230, 120, 0));
    }
}

// The button is captioned "TOOLS": the caption is part of its glyph, under the spanner, since
// the bar's buttons carry no text of their own.
void DrawTools(HDC dc, int x) {
    Line(dc, x + 12, 19, x + 25, 7, RGB(100, 100, 110), 4);        // handle
    Pen p(dc, RGB(60, 60, 70), 1);
    Brush b(dc, RGB(150, 150, 160));
    Ellipse(dc, x + 21, 0, x + 32, 11);
    Fill(dc, x + 25, 1, x + 30, 6, kClear);                         // jaw opening
    Line(dc, x + 9, 22, x + 14, 17, RGB(100, 100, 110), 4);
    // Plain pixels: smoothed edges would blend with the transparent colour into a purple rim.
    HFONT f = CreateFontW(-10, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, L"Arial");
    HGDIOBJ old = SelectObject(dc, f);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT r{x, 23, x + W, H};
    DrawTextW(dc, L"TOOLS", -1, &r, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
    SelectObject(dc, old);
    DeleteObject(f);
}

void DrawModem(HDC dc, int x) {
    Box(dc, x + 3, 14, x + 36, 28, RGB(210, 210, 200));
    for (int i = 0; i < 4; ++i) Fill(dc, x + 7 + i * 5, 22, x + 10 + i * 5, 25, i == 1 ? RGB(0, 200, 0) : RGB(200, 0, 0));
    Line(dc, x + 30, 14, x + 30, 4, RGB(0, 0, 0), 2);              // aerial
    Box(dc, x + 24, 4, x + 33, 9, RGB(255, 255, 255));
}

void DrawHandset(HDC dc, int x, COLORREF c) {
    Pen p(dc, c, 6);
    Arc(dc, x + 6, 4, x + 33, 40, x + 33, 22, x + 6, 22);
    Box(dc, x + 3, 16, x + 12, 24, c, c);
    Box(dc, x + 27, 16, x + 36, 24, c, c);
}

void DrawSave(HDC dc, int x) {
    Box(dc, x + 6, 2, x + 33, 31, RGB(30, 60, 150));
    Fill(dc, x + 11, 3, x + 28, 12, RGB(230, 230, 230));
    Fill(dc, x + 23, 4, x + 26, 11, RGB(30, 60, 150));
    Fill(dc, x + 10, 18, x + 29, 30, RGB(255, 255, 255));
    Line(dc, x + 12, 22, x + 27, 22, RGB(120, 120, 120), 1);
    Line(dc, x + 12, 26, x + 27, 26, RGB(120, 120, 120), 1);
}

void DrawPrint(HDC dc, int x) {
    Box(dc, x + 11, 2, x + 28, 14, RGB(255, 255, 255));             // paper in
    Box(dc, x + 3, 12, x + 36, 25, RGB(160, 160, 160));             // body
    Box(dc, x + 9, 21, x + 30, 32, RGB(255, 255, 255));             // paper out
    Line(dc, x + 12, 25, x + 27, 25, RGB(0, 0, 0), 1);
    Line(dc, x + 12, 28, x + 24, 28, RGB(0, 0, 0), 1);
    Fill(dc, x + 30, 15, x + 33, 18, RGB(0, 200, 0));
}

void DrawPeriodic(HDC dc, int x) {
    Pen p(dc, RGB(0, 0, 0), 2);
    Brush b(dc, RGB(255, 255, 230));
    Ellipse(dc, x + 3, 2, x + 30, 29);
    Line(dc, x + 16, 15, x + 16, 6, RGB(0, 0, 0), 2);
    Line(dc, x + 16, 15, x + 23, 18, RGB(0, 0, 0), 2);
    Box(dc, x + 24, 19, x + 37, 32, RGB(30, 60, 150));              // small disk
    Fill(dc, x + 27, 20, x + 34, 24, RGB(230, 230, 230));
}

void DrawCheck(HDC dc, int x) {
    Line(dc, x + 7, 17, x + 16, 27, RGB(0, 150, 0), 5);
    Line(dc, x + 16, 27, x + 32, 6, RGB(0, 150, 0), 5);
}

void DrawCross(HDC dc, int x) {
    Line(dc, x + 9, 6, x + 30, 27, RGB(200, 0, 0), 5);
    Line(dc, x + 30, 6, x + 9, 27, RGB(200, 0, 0), 5);
}

void FlagFrame(HDC dc, int x) {
    Pen p(dc, RGB(0, 0, 0), 1);
    HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, x + 2, 5, x + 37, 29);
    SelectObject(dc, old);
}

void DrawFlagEnglish(HDC dc, int x) {
    Fill(dc, x + 2, 5, x + 37, 29, RGB(1, 33, 105));
    Line(dc, x + 2, 5, x + 37, 29, RGB(255, 255, 255), 5);
    Line(dc, x + 37, 5, x + 2, 29, RGB(255, 255, 255), 5);
    Line(dc, x + 2, 5, x + 37, 29, RGB(200, 16, 46), 2);
    Line(dc, x + 37, 5, x + 2, 29, RGB(200, 16, 46), 2);
    Fill(dc, x + 16, 5, x + 24, 29, RGB(255, 255, 255));
    Fill(dc, x + 2, 13, x + 37, 21, RGB(255, 255, 255));
    Fill(dc, x + 18, 5, x + 22, 29, RGB(200, 16, 46));
    Fill(dc, x + 2, 15, x + 37, 19, RGB(200, 16, 46));
    FlagFrame(dc, x);
}

void DrawFlagFrench(HDC dc, int x) {
    Fill(dc, x + 2, 5, x + 14, 29, RGB(0, 35, 149));
    Fill(dc, x + 14, 5, x + 25, 29, RGB(255, 255, 255));
    Fill(dc, x + 25, 5, x + 37, 29, RGB(237, 41, 57));
    FlagFrame(dc, x);
}

void DrawFlagChinese(HDC dc, int x) {
    Fill(dc, x + 2, 5, x + 37, 29, RGB(222, 41, 16));
    Star(dc, x + 9, 12, 5, RGB(255, 222, 0));
    Star(dc, x + 16, 7, 2, RGB(255, 222, 0));
    Star(dc, x + 18, 11, 2, RGB(255, 222, 0));
    Star(dc, x + 18, 15, 2, RGB(255, 222, 0));
    Star(dc, x + 16, 19, 2, RGB(255, 222, 0));
    FlagFrame(dc, x);
}

void DrawFlagGerman(HDC dc, int x) {
    Fill(dc, x + 2, 5, x + 37, 13, RGB(0, 0, 0));
    Fill(dc, x + 2, 13, x + 37, 21, RGB(221, 0, 0));
    Fill(dc, x + 2, 21, x + 37, 29, RGB(255, 206, 0));
    FlagFrame(dc, x);
}

}  // namespace

void LoadMainImages(TImageList& list) {
    using Draw = void (*)(HDC, int);
    const Draw glyphs[kImageCount] = {
        DrawExit, DrawHelp, DrawCurrent, DrawHistory, DrawSettings, DrawTools, DrawModem,
        [](HDC dc, int x) { DrawHandset(dc, x, RGB(0, 140, 0)); },
        DrawSave, DrawPrint, DrawPeriodic,
        [](HDC dc, int x) { DrawHandset(dc, x, RGB(200, 0, 0)); },
        DrawCheck, DrawFlagEnglish, DrawFlagFrench, DrawFlagChinese, DrawFlagGerman, DrawCross,
    };
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, W * kImageCount, H);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    Fill(dc, 0, 0, W * kImageCount, H, kClear);
    for (int i = 0; i < kImageCount; ++i) {
        HRGN clip = CreateRectRgn(i * W, 0, i * W + W, H);
        SelectClipRgn(dc, clip);
        glyphs[i](dc, i * W);
        SelectClipRgn(dc, nullptr);
        DeleteObject(clip);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    list.Add(bmp, kClear);
    DeleteObject(bmp);
}

}  // namespace talvik
