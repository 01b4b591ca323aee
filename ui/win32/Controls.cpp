#include "ui/win32/Controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

std::string WindowText(HWND hwnd) {
    int length = ::GetWindowTextLengthA(hwnd);
    std::string text(size_t(length) + 1, '\0');
    length = ::GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(size_t(length > 0 ? length : 0));
    return text;
}

// DrawText breaks lines at CR LF; the texts of the program use a bare LF.
std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

const COLORREF kBorder = gdi::Color(layout::kBorderColor);

}  // namespace

// ---- Page -------------------------------------------------------------------------------------

bool Page::Create(HWND parent, const ControlLayout& c, int id) {
    RegisterClassOnce("NullburnPage", IDC_ARROW);
    // Drawn once at the image's own size, then stretched onto the page as the skin does.
    HDC screen = ::GetDC(nullptr);
    HDC source = ::CreateCompatibleDC(screen);
    HDC target = ::CreateCompatibleDC(screen);
    HBITMAP full = ::CreateCompatibleBitmap(screen, layout::kBackgroundWidth, layout::kBackgroundHeight);
    image.Reset(::CreateCompatibleBitmap(screen, c.width, c.height));
    HGDIOBJ oldSource = ::SelectObject(source, full);
    HGDIOBJ oldTarget = ::SelectObject(target, image);
    art::DrawBackground(source, layout::kBackgroundWidth, layout::kBackgroundHeight);
    ::SetStretchBltMode(target, HALFTONE);
    ::SetBrushOrgEx(target, 0, 0, nullptr);
    ::StretchBlt(target, 0, 0, c.width, c.height, source, 0, 0, layout::kBackgroundWidth, layout::kBackgroundHeight,
                 SRCCOPY);
    ::SelectObject(source, oldSource);
    ::SelectObject(target, oldTarget);
    ::DeleteObject(full);
    ::DeleteDC(source);
    ::DeleteDC(target);
    ::ReleaseDC(nullptr, screen);
    // WS_EX_CONTROLPARENT: Tab walks into the page's controls.
    return Window::Create("NullburnPage", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                          WS_EX_CONTROLPARENT, c.left, c.top, c.width, c.height, parent, id);
}

void Page::PaintBackgroundUnder(HWND child, HDC dc) const {
    POINT origin = {0, 0};
    ::MapWindowPoints(child, hwnd, &origin, 1);
    RECT r;
    ::GetClientRect(child, &r);
    HDC mem = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(mem, image);
    ::BitBlt(dc, 0, 0, r.right, r.bottom, mem, origin.x, origin.y, SRCCOPY);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
}

LRESULT Page::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT: {
            gdi::BufferedPaint paint(hwnd);
            HDC mem = ::CreateCompatibleDC(paint.Dc());
            HGDIOBJ old = ::SelectObject(mem, image);
            ::BitBlt(paint.Dc(), 0, 0, paint.Client().right, paint.Client().bottom, mem, 0, 0, SRCCOPY);
            ::SelectObject(mem, old);
            ::DeleteDC(mem);
            return 0;
        }
        // The page's controls report to the window that owns the logic.
        case WM_COMMAND:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_CTLCOLORLISTBOX:
            return ::SendMessageA(::GetParent(hwnd), message, wParam, lParam);
        default:
            return Window::HandleMessage(message, wParam, lParam);
    }
}

// ---- Label ------------------------------------------------------------------------------------

bool Label::Create(const Page& owner, const ControlLayout& c, int id, bool wrap) {
    RegisterClassOnce("NullburnLabel", IDC_ARROW);
    page = &owner;
    font.Reset(gdi::CreateFontOf(c.font));
    color = gdi::Color(c.font.color);
    wordWrap = wrap;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (c.visible ? WS_VISIBLE : 0);
    return Window::Create("NullburnLabel", c.text, style, 0, c.left, c.top, c.width, c.height, owner.Hwnd(), id);
}

LRESULT Label::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT: {
            gdi::BufferedPaint paint(hwnd);
            page->PaintBackgroundUnder(hwnd, paint.Dc());
            UINT format = DT_LEFT | DT_TOP | (wordWrap ? DT_WORDBREAK : DT_SINGLELINE);
            gdi::Text(paint.Dc(), WithCrLf(WindowText(hwnd)).c_str(), paint.Client(), font, color, format);
            return 0;
        }
        case WM_SETTEXT: {
            LRESULT r = Window::HandleMessage(message, wParam, lParam);
            Invalidate();
            return r;
        }
        case WM_MOUSEMOVE:
            if (onMouseLeave && !tracking) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
                tracking = ::TrackMouseEvent(&track) != FALSE;
            }
            return 0;
        case WM_MOUSELEAVE:
            tracking = false;
            if (onMouseLeave) onMouseLeave();
            return 0;
        default:
            return Window::HandleMessage(message, wParam, lParam);
    }
}

// ---- ImageButton ------------------------------------------------------------------------------

bool ImageButton::Create(HWND parent, HWND notifyWindow, const char* text, const RECT& b, int id, Look buttonLook,
                         const FontSpec& textFont, const Page* page, DWORD extraStyle) {
    RegisterClassOnce("NullburnImageButton", IDC_HAND);
    notify = notifyWindow;
    look = buttonLook;
    background = page;
    font.Reset(gdi::CreateFontOf(textFont, false));
    boldFont.Reset(gdi::CreateFontOf(textFont, true));
    return Window::Create("NullburnImageButton", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | extraStyle,
                          0, b.left, b.top, b.right - b.left, b.bottom - b.top, parent, id);
}

void ImageButton::Click() {
    if (!::IsWindowEnabled(hwnd)) return;
    ::PostMessageA(notify, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd), BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
}

void ImageButton::Paint() {
    gdi::BufferedPaint paint(hwnd);
    HDC dc = paint.Dc();
    const RECT& r = paint.Client();
    if (background) background->PaintBackgroundUnder(hwnd, dc);
    else gdi::Fill(dc, r, art::kDialogBody);
    bool enabled = ::IsWindowEnabled(hwnd);
    art::ButtonState state = art::ButtonState::Normal;
    if (enabled && (keyDown || (pressing && hovering))) state = art::ButtonState::Pressed;
    else if (enabled && (hovering || pressing)) state = art::ButtonState::Hover;
    std::string text = WindowText(hwnd);
    if (look == Look::Erase) {
        art::DrawImageButton(dc, r, state, text.c_str(), state == art::ButtonState::Hover ? boldFont : font);
    } else {
        art::DrawDialogButton(dc, r, state, ::GetFocus() == hwnd, text.c_str(), font);
    }
}

LRESULT ImageButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_MOUSEMOVE: {
            POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            RECT r;
            ::GetClientRect(hwnd, &r);
            bool inside = ::PtInRect(&r, p);
            if (inside && !hovering) {
                hovering = true;
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
                ::TrackMouseEvent(&track);
                Invalidate();
                if (onEnter) onEnter();
            } else if (!inside && hovering && pressing) {
                // Held and dragged off: no leave message comes while the mouse is captured.
                hovering = false;
                Invalidate();
                if (onExit) onExit();
            }
            return 0;
        }
        case WM_MOUSELEAVE:
            if (hovering && !pressing) {
                hovering = false;
                Invalidate();
                if (onExit && ::IsWindowEnabled(hwnd)) onExit();
            }
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            // A push button takes the focus when pressed, as a tab stop should.
            if (::GetFocus() != hwnd) ::SetFocus(hwnd);
            pressing = true;
            ::SetCapture(hwnd);
            Invalidate();
            return 0;
        case WM_LBUTTONUP: {
            bool click = pressing && hovering;
            pressing = false;
            if (::GetCapture() == hwnd) ::ReleaseCapture();
            Invalidate();
            if (click) Click();
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (pressing) {
                pressing = false;
                Invalidate();
            }
            return 0;
        case WM_ENABLE:
            if (!wParam) {
                // Disabled under the mouse: forget the hover without raising exit; a later move
                // over the enabled button raises enter again.
                if (hovering) {
                    TRACKMOUSEEVENT cancel{sizeof cancel, TME_LEAVE | TME_CANCEL, hwnd, 0};
                    ::TrackMouseEvent(&cancel);
                }
                hovering = pressing = keyDown = false;
                if (::GetCapture() == hwnd) ::ReleaseCapture();
            }
            Invalidate();
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_SPACE && !keyDown) {
                keyDown = true;
                Invalidate();
            }
            return 0;
        case WM_KEYUP:
            if (wParam == VK_SPACE && keyDown) {
                keyDown = false;
                Invalidate();
                Click();
            }
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            keyDown = false;
            Invalidate();
            return 0;
        case WM_GETDLGCODE:
            // A push button to the dialog keyboard handling: Enter presses the focused button.
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BM_CLICK:
            Click();
            return 0;
        case WM_SETTEXT: {
            LRESULT r = Window::HandleMessage(message, wParam, lParam);
            Invalidate();
            return r;
        }
        default:
            return Window::HandleMessage(message, wParam, lParam);
    }
}

// ---- StatusBar --------------------------------------------------------------------------------

bool StatusBar::Create(HWND parent, const ControlLayout& c, int id) {
    RegisterClassOnce("NullburnStatusBar", IDC_ARROW);
    font.Reset(gdi::CreateFontOf(c.font));
    return Window::Create("NullburnStatusBar", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, c.left, c.top, c.width,
                          c.height, parent, id);
}

void StatusBar::SetPanelText(int panel, const std::string& text) {
    // Only panel 0 ever carries text in this window.
    if (panel == 0) ::SetWindowTextA(hwnd, text.c_str());
}

LRESULT StatusBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT: {
            gdi::BufferedPaint paint(hwnd);
            HDC dc = paint.Dc();
            const RECT& r = paint.Client();
            gdi::Fill(dc, r, gdi::Color(layout::kStatusBarColor));
            const COLORREF shadow = RGB(160, 160, 172), light = RGB(255, 255, 255);
            int x = layout::kBorderWidth;
            for (int i = 0; i < 3; i++) {
                int right = std::min(x + layout::kStatusPanelWidths[i] - (i == 0 ? layout::kBorderWidth : 0),
                                     int(r.right) - layout::kBorderWidth);
                RECT panel = {x, 2, right - 2, r.bottom - layout::kBorderWidth - 1};
                gdi::Fill(dc, {panel.left, panel.top, panel.right, panel.top + 1}, shadow);
                gdi::Fill(dc, {panel.left, panel.top, panel.left + 1, panel.bottom}, shadow);
                gdi::Fill(dc, {panel.left, panel.bottom - 1, panel.right, panel.bottom}, light);
                gdi::Fill(dc, {panel.right - 1, panel.top, panel.right, panel.bottom}, light);
                if (i == 0) {
                    RECT text = {panel.left + 3, panel.top + 1, panel.right - 3, panel.bottom - 1};
                    gdi::Text(dc, WindowText(hwnd).c_str(), text, font, gdi::Color(layout::kPageFont.color),
                              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
                }
                x = right;
            }
            // The frame's border closes the window at the sides and the bottom.
            gdi::Fill(dc, {0, 0, layout::kBorderWidth, r.bottom}, kBorder);
            gdi::Fill(dc, {r.right - layout::kBorderWidth, 0, r.right, r.bottom}, kBorder);
            gdi::Fill(dc, {0, r.bottom - layout::kBorderWidth, r.right, r.bottom}, kBorder);
            return 0;
        }
        case WM_SETTEXT: {
            LRESULT result = Window::HandleMessage(message, wParam, lParam);
            Invalidate();
            return result;
        }
        default:
            return Window::HandleMessage(message, wParam, lParam);
    }
}

// ---- ProgressBar ------------------------------------------------------------------------------

bool ProgressBar::Create(HWND parent, const ControlLayout& c, int id) {
    RegisterClassOnce("NullburnProgressBar", IDC_ARROW);
    font.Reset(gdi::CreateFontOf(c.font));
    if (!Window::Create("NullburnProgressBar", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, c.left, c.top, c.width,
                        c.height, parent, id))
        return false;
    // It lies over the status bar's panel 1 and must stay above it.
    ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

void ProgressBar::SetMin(int value) {
    min = value;
    if (max < min) max = min;
    Changed();
}

void ProgressBar::SetMax(int value) {
    max = value;
    if (min > max) min = max;
    Changed();
}

void ProgressBar::SetPosition(int value) {
    // As a progress bar does, the position stays within the range.
    position = value;
    Changed();
}

void ProgressBar::Changed() {
    position = std::clamp(position, min, max);
    // The caption shows the percentage, and only once there is progress to show.
    char caption[16] = "";
    if (position > min && max > min) std::snprintf(caption, sizeof caption, "%d%%", int((int64_t(position) - min) * 100 / (int64_t(max) - min)));
    ::SetWindowTextA(hwnd, caption);
    Invalidate();
}

LRESULT ProgressBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT: {
            gdi::BufferedPaint paint(hwnd);
            HDC dc = paint.Dc();
            const RECT& r = paint.Client();
            gdi::Fill(dc, r, gdi::Color(layout::kProgressColor));
            gdi::FrameRect(dc, r, gdi::Color(layout::kProgressBorder), 1);
            RECT inner = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
            int span = max - min;
            int filled = span > 0 ? int((int64_t(position) - min) * (inner.right - inner.left) / span) : 0;
            if (filled > 0) {
                ::SaveDC(dc);
                ::IntersectClipRect(dc, inner.left, inner.top, inner.left + filled, inner.bottom);
                int top = inner.top + (inner.bottom - inner.top - layout::kProgressFillHeight) / 2;
                for (int x = inner.left; x < inner.left + filled; x += layout::kProgressFillWidth)
                    art::DrawProgressTile(dc, x, top);
                ::RestoreDC(dc, -1);
            }
            gdi::Text(dc, WindowText(hwnd).c_str(), r, font, gdi::Color(layout::kProgressCaptionColor),
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            return 0;
        }
        // The system progress bar's messages, so that anything that reads a progress bar reads
        // this one.
        case PBM_SETRANGE32:
            min = int(wParam);
            max = int(lParam);
            Changed();
            return 0;
        case PBM_GETRANGE:
            if (lParam) {
                auto* range = reinterpret_cast<PBRANGE*>(lParam);
                range->iLow = min;
                range->iHigh = max;
            }
            return wParam ? min : max;
        case PBM_SETPOS: {
            int previous = position;
            SetPosition(int(wParam));
            return previous;
        }
        case PBM_GETPOS:
            return position;
        default:
            return Window::HandleMessage(message, wParam, lParam);
    }
}

// ---- the combo box ----------------------------------------------------------------------------

namespace {

constexpr const char* kOriginalProc = "NullburnComboProc";
constexpr const char* kComboFont = "NullburnComboFont";
constexpr int kComboButtonWidth = 17;

void PaintCombo(HWND combo) {
    gdi::BufferedPaint paint(combo);
    HDC dc = paint.Dc();
    const RECT& r = paint.Client();
    bool enabled = ::IsWindowEnabled(combo);
    gdi::Fill(dc, r, enabled ? RGB(255, 255, 255) : RGB(240, 240, 242));
    gdi::FrameRect(dc, r, gdi::Color(layout::kComboBorder), 1);
    RECT button = {r.right - 1 - kComboButtonWidth, r.top + 1, r.right - 1, r.bottom - 1};
    gdi::Fill(dc, button, gdi::Color(layout::kComboButton));
    gdi::Fill(dc, {button.left, button.top, button.left + 1, button.bottom}, gdi::Color(layout::kComboBorder));
    COLORREF arrow = enabled ? gdi::Color(layout::kComboArrow) : RGB(160, 160, 160);
    int cx = (button.left + button.right) / 2, cy = (button.top + button.bottom) / 2;
    for (int i = 0; i < 4; i++) gdi::Fill(dc, {cx - 3 + i, cy - 2 + i, cx + 4 - i, cy - 1 + i}, arrow);

    int index = int(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    if (index < 0) return;
    int length = int(::SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(index), 0));
    if (length <= 0) return;
    std::vector<char> text(size_t(length) + 1);
    ::SendMessageA(combo, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text.data()));
    RECT field = {r.left + 2, r.top + 2, button.left - 1, r.bottom - 2};
    bool selected = enabled && ::GetFocus() == combo && !::SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0);
    if (selected) gdi::Fill(dc, field, ::GetSysColor(COLOR_HIGHLIGHT));
    COLORREF ink = !enabled ? RGB(128, 128, 128) : selected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 0);
    auto font = reinterpret_cast<HFONT>(::GetPropA(combo, kComboFont));
    RECT textRect = {field.left + 2, field.top, field.right, field.bottom};
    gdi::Text(dc, text.data(), textRect, font, ink, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

LRESULT CALLBACK ComboProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam) {
    auto original = reinterpret_cast<WNDPROC>(::GetPropA(combo, kOriginalProc));
    switch (message) {
        case WM_PAINT:
            PaintCombo(combo);
            return 0;
        case WM_ERASEBKGND:
            return TRUE;
        case WM_CHAR:
            // AutoDropDown: typing opens the list.
            if (!::SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0)) ::SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
            break;
        case WM_NCDESTROY:
            ::SetWindowLongPtrA(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
            ::RemovePropA(combo, kOriginalProc);
            ::RemovePropA(combo, kComboFont);
            return ::CallWindowProcA(original, combo, message, wParam, lParam);
        default:
            break;
    }
    LRESULT result = ::CallWindowProcA(original, combo, message, wParam, lParam);
    // The system control draws straight to the screen on these; our look goes back over it.
    switch (message) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_KEYDOWN:
        case WM_CHAR:
        case CB_SETCURSEL:
        case CB_SHOWDROPDOWN:
        case WM_COMMAND:
            ::InvalidateRect(combo, nullptr, FALSE);
            break;
        default:
            break;
    }
    return result;
}

}  // namespace

void SkinComboBox(HWND combo, HFONT font) {
    ::SetPropA(combo, kComboFont, font);
    ::SetPropA(combo, kOriginalProc, reinterpret_cast<HANDLE>(::GetWindowLongPtrA(combo, GWLP_WNDPROC)));
    ::SetWindowLongPtrA(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ComboProc));
}

void DrawComboItem(const DRAWITEMSTRUCT& item, HFONT font) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    bool selected = (item.itemState & ODS_SELECTED) != 0;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;
    gdi::Fill(dc, r, selected ? ::GetSysColor(COLOR_HIGHLIGHT) : RGB(255, 255, 255));
    if (item.itemID == UINT(-1)) return;
    int length = int(::SendMessageA(item.hwndItem, CB_GETLBTEXTLEN, item.itemID, 0));
    if (length <= 0) return;
    std::vector<char> text(size_t(length) + 1);
    ::SendMessageA(item.hwndItem, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
    COLORREF ink = disabled ? RGB(128, 128, 128) : selected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : RGB(0, 0, 0);
    RECT textRect = {r.left + 2, r.top, r.right, r.bottom};
    gdi::Text(dc, text.data(), textRect, font, ink, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}
