// The spin button's faces and their process-wide cache. Faces are never drawn while a button
// paints: each set (normal, top pressed, bottom pressed, top hot, bottom hot, disabled) is
// drawn once into bitmaps and shared by every button of the same size, style and glyph kind.
// The manager lives while any spin button exists; a face set lives while a button uses it.
#pragma once

#include <windows.h>

#include <vector>

#include "controls/XcSpinButtonCore.h"

namespace talvik {

class TSpinButtonBitmapsManager;

// The arrows of the faces, drawn by the program: "XcSpinUP", "XcSpinDOWN" (diagonal style) and
// "XcSpinUPPOLE", "XcSpinDOWNPOLE" (classic style), black on white, white being transparent.
// The bitmaps are made once and kept for the life of the program.
HBITMAP SpinArrowBitmap(const char* name);

// The disabled look of a bitmap: a mask of the pixels that are not `transparent`, painted at
// (1, 1) in `highlight` (when asked) and at (0, 0) in `shadow` over `back`. The caller owns
// the result.
HBITMAP CreateDisabledBitmap(HBITMAP source, COLORREF transparent, COLORREF back, bool withHighlight,
                             COLORREF shadow, COLORREF highlight);
HBITMAP CreateDisabledBitmap(HBITMAP source, COLORREF transparent);

// One cached face set.
class TSpinButtonBitmaps {
public:
    TSpinButtonBitmaps(TSpinButtonBitmapsManager* manager, int width, int height, int style, bool customGlyphs);
    ~TSpinButtonBitmaps();
    TSpinButtonBitmaps(const TSpinButtonBitmaps&) = delete;
    TSpinButtonBitmaps& operator=(const TSpinButtonBitmaps&) = delete;

    void AddClient() { ++clientCount_; }
    // Frees the set when its last button lets go of it.
    void RemoveClient();
    int ClientCount() const { return clientCount_; }

    // Copies the face for the state onto `dc` at (0, 0).
    void Draw(HDC dc, TSpinDown down, bool mouseInTop, bool mouseInBottom, bool enabled);
    // Draws a button's own glyphs over the face (transparent colour: each glyph's bottom-left
    // pixel).
    void DrawGlyphs(HDC dc, TSpinDown down, HBITMAP upGlyph, HBITMAP downGlyph, bool enabled);
    // The faces are drawn again before the next Draw (system colours changed).
    void Reset() { resetPending_ = true; }
    bool ResetPending() const { return resetPending_; }
    int CompareWith(int width, int height, int style, bool customGlyphs) const;
    TSpinFaceKey Key() const { return {width_, height_, style_, customGlyphs_}; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Themed() const { return themed_; }
    // The face bitmap of a state (drawn when pending); for tests and screenshots.
    HBITMAP Face(TSpinFace f);

private:
    friend class TSpinButtonBitmapsManager;
    void DrawAllBitmaps();
    void FreeFaces();
    void DrawUnthemed(HDC dc, TSpinDown down, bool enabled);
    void DrawThemed(HDC dc, int upState, int downState);

    TSpinButtonBitmapsManager* manager_;
    int height_, width_, style_;
    int clientCount_ = 0;
    HBITMAP faces_[6] = {};
    bool customGlyphs_;
    bool resetPending_ = true;
    bool themed_ = false;
};

class TSpinButtonBitmapsManager {
public:
    // The process's manager, or null while no spin button exists.
    static TSpinButtonBitmapsManager* Instance();
    // A spin button comes and goes; the last one's leaving destroys the manager.
    static void AddClient();
    static void RemoveClient();

    ~TSpinButtonBitmapsManager();
    // The face set for the key, found or made; the caller adds itself as its client.
    TSpinButtonBitmaps* WantButtons(int width, int height, int style, bool customGlyphs);
    bool Find(int width, int height, int style, bool customGlyphs, int& index) const;
    void Remove(TSpinButtonBitmaps* set);
    int ClientCount() const { return clientCount_; }
    int Count() const { return static_cast<int>(list_.size()); }

private:
    TSpinButtonBitmapsManager() = default;
    int clientCount_ = 0;
    std::vector<TSpinButtonBitmaps*> list_;
    bool destroying_ = false;
};

}  // namespace talvik
