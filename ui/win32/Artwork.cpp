#include "ui/win32/Artwork.h"

#include <cmath>
#include <cstring>

#include "app/Layout.h"
#include "ui/win32/Gdi.h"

namespace art {
namespace {

HFONT MakeFont(const char* face, int heightPx, bool bold) {
    return gdi::CreateFontOf(FontSpec{face, heightPx, bold, layout::kBlack});
}

void FilledEllipse(HDC dc, int cx, int cy, int radius, COLORREF fill, COLORREF outline) {
    gdi::Owned<HBRUSH> brush(::CreateSolidBrush(fill));
    gdi::Owned<HPEN> pen(::CreatePen(PS_SOLID, 1, outline));
    gdi::Select b(dc, brush), p(dc, pen);
    ::Ellipse(dc, cx - radius, cy - radius, cx + radius + 1, cy + radius + 1);
}

// A radial gradient as concentric circles, light in the middle.
void RadialDisc(HDC dc, int cx, int cy, int radius, COLORREF outer, COLORREF inner) {
    for (int r = radius; r > 0; r--) {
        COLORREF c = gdi::Mix(outer, inner, 100 - r * 100 / radius);
        FilledEllipse(dc, cx, cy, r, c, c);
    }
}

// The round blue emblem of the logo: a stylised disc with a sweep across it.
void DrawEmblem(HDC dc, int cx, int cy, int radius) {
    FilledEllipse(dc, cx + 2, cy + 3, radius, RGB(200, 204, 216), RGB(200, 204, 216));  // soft shadow
    RadialDisc(dc, cx, cy, radius, RGB(16, 56, 140), RGB(86, 156, 236));
    {
        gdi::Owned<HPEN> ring(::CreatePen(PS_SOLID, 2, RGB(232, 240, 255)));
        gdi::Select p(dc, ring), b(dc, ::GetStockObject(NULL_BRUSH));
        int r = radius * 2 / 3;
        ::Ellipse(dc, cx - r, cy - r, cx + r + 1, cy + r + 1);
        r = radius / 4;
        ::Ellipse(dc, cx - r, cy - r, cx + r + 1, cy + r + 1);
    }
    FilledEllipse(dc, cx, cy, radius / 8, RGB(250, 250, 253), RGB(232, 240, 255));
    // The erase: a bright bar sweeping diagonally over the disc.
    gdi::Owned<HPEN> sweep(::CreatePen(PS_SOLID, 5, RGB(255, 255, 255)));
    gdi::Select p(dc, sweep);
    ::MoveToEx(dc, cx - radius * 3 / 5, cy + radius * 3 / 5, nullptr);
    ::LineTo(dc, cx + radius * 3 / 5, cy - radius * 3 / 5);
    gdi::Owned<HPEN> edge(::CreatePen(PS_SOLID, 2, RGB(10, 40, 110)));
    gdi::Select e(dc, edge), b(dc, ::GetStockObject(NULL_BRUSH));
    ::Ellipse(dc, cx - radius, cy - radius, cx + radius + 1, cy + radius + 1);
}

// A word in small capitals: the first letter tall, the rest as smaller capitals on one baseline.
void SmallCaps(HDC dc, int x, int baseline, const char* word, int bigPx, int smallPx, COLORREF color) {
    gdi::Owned<HFONT> big(MakeFont("Arial", bigPx, true));
    gdi::Owned<HFONT> small(MakeFont("Arial", smallPx, true));
    UINT oldAlign = ::SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_UPDATECP);
    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = ::SetTextColor(dc, color);
    POINT old;
    ::MoveToEx(dc, x, baseline, &old);
    bool first = true;
    for (const char* c = word; *c; c++) {
        char up = (*c >= 'a' && *c <= 'z') ? char(*c - 'a' + 'A') : *c;
        gdi::Select f(dc, first || *c == ' ' ? big.Get() : small.Get());
        ::TextOutA(dc, 0, 0, &up, 1);
        first = *c == ' ';
    }
    ::MoveToEx(dc, old.x, old.y, nullptr);
    ::SetTextColor(dc, oldColor);
    ::SetBkMode(dc, oldMode);
    ::SetTextAlign(dc, oldAlign);
}

// The blue exclamation-mark icon in front of the warning.
void ExclamationIcon(HDC dc, int cx, int cy) {
    FilledEllipse(dc, cx, cy, 8, RGB(64, 150, 240), RGB(236, 244, 255));
    gdi::Owned<HFONT> font(MakeFont("Arial", 13, true));
    gdi::Text(dc, "!", {cx - 8, cy - 8, cx + 9, cy + 9}, font, RGB(255, 255, 255), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// The large translucent disc: per-pixel alpha, so the panel shines through it.
void TranslucentDisc(HDC dc, int cx, int cy, int radius) {
    int size = 2 * radius + 1;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib || !bits) return;
    auto* px = static_cast<uint32_t*>(bits);
    const double hole = radius * 0.12, hub = radius * 0.33;
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            double dx = x - radius, dy = y - radius, d = std::sqrt(dx * dx + dy * dy);
            double r = 0, g = 0, b = 0, a = 0;
            if (d <= radius && d >= hole) {
                double angle = std::atan2(dy, dx);
                if (d < hub) {
                    r = 236, g = 242, b = 252, a = d < hub - 3 ? 0.30 : 0.55;
                } else {
                    // A faint rainbow sheen that turns with the angle, as on a recorded disc.
                    r = 200 + 55 * std::cos(2 * angle);
                    g = 215 + 40 * std::cos(2 * angle + 2.1);
                    b = 245 + 10 * std::cos(2 * angle + 4.2);
                    a = d > radius - 2.5 ? 0.60 : 0.22 + 0.08 * std::cos(4 * angle);
                }
            }
            uint32_t A = uint32_t(a * 255 + 0.5);
            // AlphaBlend wants premultiplied colours.
            px[y * size + x] = (A << 24) | (uint32_t(r * a + 0.5) << 16) | (uint32_t(g * a + 0.5) << 8) |
                               uint32_t(b * a + 0.5);
        }
    }
    HDC mem = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(mem, dib);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::AlphaBlend(dc, cx - radius, cy - radius, size, size, mem, 0, 0, size, size, blend);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::DeleteObject(dib);
}

}  // namespace

void DrawBackground(HDC dc, int width, int height) {
    gdi::Fill(dc, {0, 0, width, height}, gdi::Color(layout::kFrameColor));

    // The upper light panel with the logo at its left.
    gdi::RoundPanel(dc, kUpperPanel, 14, kPanelOutline, kPanelOutline);
    RECT inner = {kUpperPanel.left + 1, kUpperPanel.top + 1, kUpperPanel.right - 1, kUpperPanel.bottom - 1};
    gdi::RoundGradient(dc, inner, 13, kUpperPanelTop, kUpperPanelBottom);
    DrawEmblem(dc, 92, 88, 38);
    {
        gdi::Owned<HFONT> name(MakeFont("Tahoma", 17, true));
        gdi::Text(dc, layout::kFormCaption, {30, 132, 154, 156}, name, RGB(24, 60, 140), DT_CENTER | DT_SINGLELINE);
    }
    // A thin rule between the logo and the steps.
    gdi::VerticalGradient(dc, {172, 30, 173, 158}, kUpperPanelTop, kPanelOutline);

    // The lower blue panel with the heading and the warning.
    gdi::RoundPanel(dc, kLowerPanel, 14, RGB(10, 34, 90), RGB(10, 34, 90));
    inner = {kLowerPanel.left + 1, kLowerPanel.top + 1, kLowerPanel.right - 1, kLowerPanel.bottom - 1};
    gdi::RoundGradient(dc, inner, 13, kLowerPanelTop, kLowerPanelBottom);
    gdi::HorizontalGradient(dc, {24, 226, 420, 227}, RGB(150, 190, 240), kLowerPanelTop);
    SmallCaps(dc, 26, 218, layout::kFormCaption, 24, 18, RGB(255, 255, 255));
    ExclamationIcon(dc, 34, 244);
    {
        gdi::Owned<HFONT> warning(MakeFont("Arial", 14, true));
        gdi::Text(dc, layout::kWarningTitle, {48, 236, 200, 254}, warning, RGB(255, 64, 56), DT_LEFT | DT_SINGLELINE);
        gdi::Owned<HFONT> sentence(MakeFont("Arial", 12, false));
        gdi::Text(dc, layout::kWarningText, {48, 258, 620, 276}, sentence, RGB(255, 255, 255), DT_LEFT | DT_SINGLELINE);
    }
    TranslucentDisc(dc, 540, 398, 86);

    // The skinned frame's border runs down both sides of the page.
    gdi::Fill(dc, {0, 0, layout::kBorderWidth, height}, gdi::Color(layout::kBorderColor));
    gdi::Fill(dc, {width - layout::kBorderWidth, 0, width, height}, gdi::Color(layout::kBorderColor));
}

void DrawTitleBar(HDC dc, int width, int height, HICON icon, const char* caption, HFONT font, COLORREF captionColor) {
    // The three pieces: caps of a fixed width and a centre piece stretched across between them.
    const int cap = layout::kTitleCapWidth, centre = layout::kTitleCentreWidth;
    HDC mem = ::CreateCompatibleDC(dc);
    HBITMAP pieces = ::CreateCompatibleBitmap(dc, 2 * cap + centre, height);
    HGDIOBJ old = ::SelectObject(mem, pieces);
    gdi::VerticalGradient(mem, {0, 0, 2 * cap + centre, height}, kTitleTop, kTitleBottom);
    gdi::Fill(mem, {0, 1, 2 * cap + centre, 2}, kTitleHighlight);
    // The caps are a shade darker towards the outer edge.
    for (int x = 0; x < 6; x++) {
        COLORREF shade = gdi::Mix(kTitleTop, RGB(60, 70, 110), 30 - 5 * x);
        gdi::Fill(mem, {x, 2, x + 1, height}, shade);
        gdi::Fill(mem, {2 * cap + centre - 1 - x, 2, 2 * cap + centre - x, height}, shade);
    }
    ::BitBlt(dc, 0, 0, cap, height, mem, 0, 0, SRCCOPY);
    ::StretchBlt(dc, cap, 0, width - 2 * cap, height, mem, cap, 0, centre, height, SRCCOPY);
    ::BitBlt(dc, width - cap, 0, cap, height, mem, cap + centre, 0, SRCCOPY);
    ::SelectObject(mem, old);
    ::DeleteObject(pieces);
    ::DeleteDC(mem);

    gdi::FrameRect(dc, {0, 0, width, height + layout::kBorderWidth}, gdi::Color(layout::kBorderColor),
                   layout::kBorderWidth);
    int top = (26 - 16) / 2;
    if (icon) ::DrawIconEx(dc, 8, top, icon, 16, 16, 0, nullptr, DI_NORMAL);
    gdi::Text(dc, caption, {30, 0, width - 80, 26}, font, captionColor, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void DrawTitleButton(HDC dc, const RECT& r, TitleGlyph glyph, ButtonState state) {
    COLORREF top = RGB(196, 206, 230), bottom = RGB(136, 150, 190), ink = RGB(36, 44, 78);
    if (state == ButtonState::Hover) top = RGB(226, 234, 248), bottom = RGB(162, 176, 216);
    if (state == ButtonState::Pressed) top = RGB(112, 126, 170), bottom = RGB(160, 170, 206), ink = RGB(250, 250, 255);
    gdi::RoundPanel(dc, r, 3, RGB(80, 90, 126), RGB(80, 90, 126));
    gdi::RoundGradient(dc, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, 2, top, bottom);
    int shift = state == ButtonState::Pressed ? 1 : 0;
    int cx = (r.left + r.right) / 2 + shift, cy = (r.top + r.bottom) / 2 + shift;
    gdi::Owned<HPEN> pen(::CreatePen(PS_SOLID, 2, ink));
    gdi::Select p(dc, pen);
    if (glyph == TitleGlyph::Close) {
        ::MoveToEx(dc, cx - 4, cy - 4, nullptr);
        ::LineTo(dc, cx + 4, cy + 4);
        ::MoveToEx(dc, cx + 4, cy - 4, nullptr);
        ::LineTo(dc, cx - 4, cy + 4);
    } else {
        gdi::Fill(dc, {cx - 5, cy + 3, cx + 4, cy + 6}, ink);
    }
}

void DrawImageButton(HDC dc, const RECT& r, ButtonState state, const char* text, HFONT font) {
    COLORREF top = RGB(74, 134, 214), bottom = RGB(28, 76, 160);
    if (state == ButtonState::Hover) top = RGB(120, 176, 246), bottom = RGB(54, 114, 204);
    if (state == ButtonState::Pressed) top = RGB(24, 66, 146), bottom = RGB(16, 46, 112);
    gdi::RoundPanel(dc, r, 7, RGB(12, 36, 90), RGB(12, 36, 90));
    RECT inner = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    gdi::RoundGradient(dc, inner, 6, top, bottom);
    // A gloss over the upper half.
    RECT gloss = {inner.left + 3, inner.top + 1, inner.right - 3, (inner.top + inner.bottom) / 2};
    gdi::RoundGradient(dc, gloss, 5, gdi::Mix(top, RGB(255, 255, 255), 35), top);
    RECT label = r;
    if (state == ButtonState::Pressed) ::OffsetRect(&label, 1, 1);
    gdi::Text(dc, text, label, font, RGB(255, 255, 255), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void DrawDialogButton(HDC dc, const RECT& r, ButtonState state, bool focused, const char* text, HFONT font) {
    COLORREF top = RGB(252, 252, 253), bottom = RGB(212, 214, 224);
    if (state == ButtonState::Hover) top = RGB(255, 255, 255), bottom = RGB(226, 232, 246);
    if (state == ButtonState::Pressed) top = RGB(200, 204, 216), bottom = RGB(236, 238, 244);
    COLORREF outline = focused ? RGB(40, 80, 160) : gdi::Color(layout::kBorderColor);
    gdi::RoundPanel(dc, r, 3, outline, outline);
    gdi::RoundGradient(dc, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, 2, top, bottom);
    RECT label = r;
    if (state == ButtonState::Pressed) ::OffsetRect(&label, 1, 1);
    gdi::Text(dc, text, label, font, RGB(0, 0, 0), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void DrawProgressTile(HDC dc, int x, int y) {
    const int w = layout::kProgressFillWidth, h = layout::kProgressFillHeight;
    gdi::VerticalGradient(dc, {x, y, x + w - 1, y + h}, kFillTop, kFillBottom);
    // One light column between tiles, so the fill reads as blocks.
    gdi::Fill(dc, {x + w - 1, y, x + w, y + h}, gdi::Mix(kFillTop, RGB(255, 255, 255), 50));
}

void DrawDialogIcon(HDC dc, int x, int y, uint8_t iconType) {
    const int s = kDialogIconSize, cx = x + s / 2, cy = y + s / 2;
    gdi::Owned<HFONT> glyphFont(MakeFont("Arial", 22, true));
    RECT box = {x, y, x + s, y + s};
    switch (iconType) {
        case 1: {  // warning: a yellow triangle with an exclamation mark
            POINT tri[3] = {{cx, y + 1}, {x + s - 1, y + s - 2}, {x, y + s - 2}};
            gdi::Owned<HBRUSH> brush(::CreateSolidBrush(RGB(255, 214, 40)));
            gdi::Owned<HPEN> pen(::CreatePen(PS_SOLID, 1, RGB(150, 110, 0)));
            gdi::Select b(dc, brush), p(dc, pen);
            ::Polygon(dc, tri, 3);
            RECT mark = {x, y + 6, x + s, y + s};
            gdi::Text(dc, "!", mark, glyphFont, RGB(0, 0, 0), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            break;
        }
        case 2: {  // stop: a red disc with a white cross
            RadialDisc(dc, cx, cy, s / 2 - 1, RGB(170, 16, 16), RGB(246, 90, 80));
            gdi::Owned<HPEN> pen(::CreatePen(PS_SOLID, 4, RGB(255, 255, 255)));
            gdi::Select p(dc, pen);
            ::MoveToEx(dc, cx - 7, cy - 7, nullptr);
            ::LineTo(dc, cx + 7, cy + 7);
            ::MoveToEx(dc, cx + 7, cy - 7, nullptr);
            ::LineTo(dc, cx - 7, cy + 7);
            break;
        }
        case 3:  // information: a blue disc with an i
        case 4:  // help: a blue disc with a question mark
            RadialDisc(dc, cx, cy, s / 2 - 1, RGB(20, 70, 170), RGB(100, 170, 246));
            gdi::Text(dc, iconType == 3 ? "i" : "?", box, glyphFont, RGB(255, 255, 255),
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            break;
        default:
            break;
    }
}

}  // namespace art
