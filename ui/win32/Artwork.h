// The window's images, drawn by code: the page background, the title bar and its buttons, the
// image buttons in their three states, the progress bar's fill and the dialog icons. The skin
// colours beyond those of the layout table are chosen here.
#pragma once

#include <windows.h>

#include <cstdint>

namespace art {

enum class ButtonState { Normal, Hover, Pressed };
enum class TitleGlyph { Minimise, Close };

// Skin colours of our own theme (a silver theme in the style of Windows XP).
constexpr COLORREF kTitleTop = RGB(178, 190, 220);
constexpr COLORREF kTitleBottom = RGB(104, 118, 164);
constexpr COLORREF kTitleHighlight = RGB(226, 232, 244);
constexpr COLORREF kUpperPanelTop = RGB(252, 252, 253);
constexpr COLORREF kUpperPanelBottom = RGB(232, 235, 242);
constexpr COLORREF kPanelOutline = RGB(176, 182, 200);
constexpr COLORREF kLowerPanelTop = RGB(40, 96, 176);
constexpr COLORREF kLowerPanelBottom = RGB(12, 40, 104);
constexpr COLORREF kFillTop = RGB(118, 166, 236);
constexpr COLORREF kFillBottom = RGB(38, 92, 186);
constexpr COLORREF kDialogBody = RGB(224, 223, 227);

// Geometry of the background image (its own pixels, before it is stretched onto the page).
constexpr RECT kUpperPanel = {8, 8, 628, 178};
constexpr RECT kLowerPanel = {8, 188, 628, 494};

// The 636 x 502 background of the page, drawn at its own size into `dc`.
void DrawBackground(HDC dc, int width, int height);

// A title bar of `height` across `width`: the left cap, the stretched centre piece and the right
// cap, then the icon and the caption.
void DrawTitleBar(HDC dc, int width, int height, HICON icon, const char* caption, HFONT font, COLORREF captionColor);
void DrawTitleButton(HDC dc, const RECT& r, TitleGlyph glyph, ButtonState state);

// One 180 x 38 image of an erase button; `bold` font for the mouse-over image.
void DrawImageButton(HDC dc, const RECT& r, ButtonState state, const char* text, HFONT font);
// A push button of the message dialog.
void DrawDialogButton(HDC dc, const RECT& r, ButtonState state, bool focused, const char* text, HFONT font);

// The progress bar's 6 x 10 fill image, at x, y.
void DrawProgressTile(HDC dc, int x, int y);

// The message dialog's 32 x 32 icons: 1 warning, 2 stop, 3 information, 4 help; 0 draws nothing.
constexpr int kDialogIconSize = 32;
void DrawDialogIcon(HDC dc, int x, int y, uint8_t iconType);

}  // namespace art
