// Small GDI helpers for the window's own drawing: colours and fonts from the layout table,
// objects that restore what they replaced, and a paint buffer so that nothing flickers.
#pragma once

#include <windows.h>

#include "app/Layout.h"

namespace gdi {

inline COLORREF Color(Rgb c) { return RGB(c.r, c.g, c.b); }

// A font of the layout table: the height is the character height in pixels (96 dpi, unscaled).
// `pitchAndFamily` guides the choice of a stand-in where the face is not installed.
HFONT CreateFontOf(const FontSpec& look, bool bold, BYTE pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE);
inline HFONT CreateFontOf(const FontSpec& look) { return CreateFontOf(look, look.bold); }

// Owns one GDI object and deletes it with the owner.
template <typename T>
class Owned {
public:
    Owned() = default;
    explicit Owned(T object) : object(object) {}
    ~Owned() { Reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    void Reset(T replacement = nullptr) {
        if (object) ::DeleteObject(object);
        object = replacement;
    }
    T Get() const { return object; }
    operator T() const { return object; }

private:
    T object = nullptr;
};

// Selects an object into a DC for one scope and puts the previous one back.
class Select {
public:
    Select(HDC dc, HGDIOBJ object) : dc(dc), previous(::SelectObject(dc, object)) {}
    ~Select() { ::SelectObject(dc, previous); }
    Select(const Select&) = delete;
    Select& operator=(const Select&) = delete;

private:
    HDC dc;
    HGDIOBJ previous;
};

// WM_PAINT through an off-screen bitmap of the whole client area: everything is drawn into
// Dc() and reaches the screen in one BitBlt when the object goes.
class BufferedPaint {
public:
    explicit BufferedPaint(HWND hwnd);
    ~BufferedPaint();
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;
    HDC Dc() const { return memory; }
    const RECT& Client() const { return client; }

private:
    HWND hwnd;
    PAINTSTRUCT ps;
    HDC target;
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    RECT client;
};

void Fill(HDC dc, const RECT& r, COLORREF color);
void FrameRect(HDC dc, const RECT& r, COLORREF color, int width);
void VerticalGradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom);
void HorizontalGradient(HDC dc, const RECT& r, COLORREF left, COLORREF right);
// A filled round rectangle (`radius` of the corners) with a one-pixel outline.
void RoundPanel(HDC dc, const RECT& r, int radius, COLORREF fill, COLORREF outline);
// A vertical gradient clipped to a round rectangle.
void RoundGradient(HDC dc, const RECT& r, int radius, COLORREF top, COLORREF bottom);
COLORREF Mix(COLORREF a, COLORREF b, int percentOfB);
// Text in one colour, transparent background.
void Text(HDC dc, const char* text, RECT r, HFONT font, COLORREF color, UINT format);

}  // namespace gdi
