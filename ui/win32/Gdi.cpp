#include "ui/win32/Gdi.h"

#include <cstring>

namespace gdi {

HFONT CreateFontOf(const FontSpec& look, bool bold, BYTE pitchAndFamily) {
    // A negative height asks for the character height, which is what the layout gives.
    return ::CreateFontA(-look.heightPx, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitchAndFamily,
                         look.face);
}

BufferedPaint::BufferedPaint(HWND hwnd) : hwnd(hwnd) {
    target = ::BeginPaint(hwnd, &ps);
    ::GetClientRect(hwnd, &client);
    memory = ::CreateCompatibleDC(target);
    bitmap = ::CreateCompatibleBitmap(target, client.right > 0 ? client.right : 1, client.bottom > 0 ? client.bottom : 1);
    previous = ::SelectObject(memory, bitmap);
}

BufferedPaint::~BufferedPaint() {
    ::BitBlt(target, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::EndPaint(hwnd, &ps);
}

void Fill(HDC dc, const RECT& r, COLORREF color) {
    COLORREF old = ::SetBkColor(dc, color);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

void FrameRect(HDC dc, const RECT& r, COLORREF color, int width) {
    Fill(dc, {r.left, r.top, r.right, r.top + width}, color);
    Fill(dc, {r.left, r.bottom - width, r.right, r.bottom}, color);
    Fill(dc, {r.left, r.top, r.left + width, r.bottom}, color);
    Fill(dc, {r.right - width, r.top, r.right, r.bottom}, color);
}

namespace {
TRIVERTEX Vertex(LONG x, LONG y, COLORREF c) {
    TRIVERTEX v;
    v.x = x;
    v.y = y;
    v.Red = COLOR16(GetRValue(c) << 8);
    v.Green = COLOR16(GetGValue(c) << 8);
    v.Blue = COLOR16(GetBValue(c) << 8);
    v.Alpha = 0;
    return v;
}

void Gradient(HDC dc, const RECT& r, COLORREF from, COLORREF to, ULONG mode) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    TRIVERTEX v[2] = {Vertex(r.left, r.top, from), Vertex(r.right, r.bottom, to)};
    GRADIENT_RECT g = {0, 1};
    ::GradientFill(dc, v, 2, &g, 1, mode);
}
}  // namespace

void VerticalGradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom) {
    Gradient(dc, r, top, bottom, GRADIENT_FILL_RECT_V);
}

void HorizontalGradient(HDC dc, const RECT& r, COLORREF left, COLORREF right) {
    Gradient(dc, r, left, right, GRADIENT_FILL_RECT_H);
}

void RoundPanel(HDC dc, const RECT& r, int radius, COLORREF fill, COLORREF outline) {
    Owned<HBRUSH> brush(::CreateSolidBrush(fill));
    Owned<HPEN> pen(::CreatePen(PS_SOLID, 1, outline));
    Select b(dc, brush), p(dc, pen);
    ::RoundRect(dc, r.left, r.top, r.right, r.bottom, 2 * radius, 2 * radius);
}

void RoundGradient(HDC dc, const RECT& r, int radius, COLORREF top, COLORREF bottom) {
    // The region's right and bottom edges are exclusive, one pixel further than RoundRect's.
    HRGN clip = ::CreateRoundRectRgn(r.left, r.top, r.right + 1, r.bottom + 1, 2 * radius, 2 * radius);
    ::SaveDC(dc);
    ::ExtSelectClipRgn(dc, clip, RGN_AND);
    VerticalGradient(dc, r, top, bottom);
    ::RestoreDC(dc, -1);
    ::DeleteObject(clip);
}

COLORREF Mix(COLORREF a, COLORREF b, int p) {
    return RGB((GetRValue(a) * (100 - p) + GetRValue(b) * p) / 100, (GetGValue(a) * (100 - p) + GetGValue(b) * p) / 100,
               (GetBValue(a) * (100 - p) + GetBValue(b) * p) / 100);
}

void Text(HDC dc, const char* text, RECT r, HFONT font, COLORREF color, UINT format) {
    Select f(dc, font);
    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = ::SetTextColor(dc, color);
    ::DrawTextA(dc, text, int(std::strlen(text)), &r, format | DT_NOPREFIX);
    ::SetTextColor(dc, oldColor);
    ::SetBkMode(dc, oldMode);
}

}  // namespace gdi
