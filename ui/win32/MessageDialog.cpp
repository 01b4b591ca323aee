#include "ui/win32/MessageDialog.h"

#include <algorithm>

#include "app/Layout.h"
#include "platform/windows/ResourceIds.h"
#include "ui/win32/ControlIds.h"

namespace {
constexpr int kMargin = 16;
constexpr int kButtonWidth = 75, kButtonHeight = 23, kButtonGap = 8;
constexpr int kMaxTextWidth = 380;
const int kTitleHeight = layout::kPageTop;  // the part of the title bar the frame shows

HICON SmallAppIcon() {
    return static_cast<HICON>(::LoadImageA(AppInstance(), MAKEINTRESOURCEA(NULLBURN_IDI_APPLICATION), IMAGE_ICON, 16, 16, LR_SHARED));
}
}  // namespace

MessageDialog::MessageDialog() : captionColor(gdi::Color(layout::kDialogCaptionFont.color)) {
    text = caption = layout::kDialogDesignCaption;
    textFont.Reset(gdi::CreateFontOf(layout::kDialogTextFont));
    captionFont.Reset(gdi::CreateFontOf(layout::kDialogCaptionFont));
    bodyBrush.Reset(::CreateSolidBrush(art::kDialogBody));
}

MessageDialog::~MessageDialog() = default;

void MessageDialog::EndModal(int value) {
    if (!hwnd || done) return;
    result = value;
    done = true;
    ::PostMessageA(hwnd, WM_NULL, 0, 0);  // wake the modal loop
}

int MessageDialog::ShowModal(HWND owner) {
    RegisterClassOnce(kDialogClass, IDC_ARROW);
    int count = std::clamp(int(buttonCount), 1, 3);

    // Size the dialog around its text, icon and buttons.
    RECT textRect = {0, 0, kMaxTextWidth, 0};
    HDC screen = ::GetDC(nullptr);
    {
        gdi::Select f(screen, textFont);
        ::DrawTextA(screen, text.c_str(), int(text.size()), &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    }
    SIZE captionSize{};
    {
        gdi::Select f(screen, captionFont);
        ::GetTextExtentPoint32A(screen, caption.c_str(), int(caption.size()), &captionSize);
    }
    ::ReleaseDC(nullptr, screen);
    const bool hasIcon = iconType >= 1 && iconType <= 4;
    const int textLeft = kMargin + (hasIcon ? art::kDialogIconSize + 14 : 0);
    const int bodyHeight = std::max(hasIcon ? art::kDialogIconSize : 0, int(textRect.bottom));
    const int buttonsWidth = count * kButtonWidth + (count - 1) * kButtonGap;
    int width = std::max({textLeft + int(textRect.right) + kMargin + 4, buttonsWidth + 2 * kMargin,
                          int(captionSize.cx) + 60, 240});
    int height = kTitleHeight + kMargin + bodyHeight + kMargin + kButtonHeight + 12 + layout::kBorderWidth;

    // poOwnerFormCenter.
    RECT ownerRect = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (owner) ::GetWindowRect(owner, &ownerRect);
    int x = (ownerRect.left + ownerRect.right - width) / 2, y = (ownerRect.top + ownerRect.bottom - height) / 2;

    done = false;
    result = kDialogFirstButtonId + 1;
    if (!Window::Create(kDialogClass, caption.c_str(), WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, 0, x, y, width, height,
                        owner, 0))
        return result;
    // Rounded top corners, as on the main window.
    HRGN shape = ::CreateRoundRectRgn(0, 0, width + 1, 2 * layout::kCornerRadius + 1, 2 * layout::kCornerRadius,
                                      2 * layout::kCornerRadius);
    HRGN body = ::CreateRectRgn(0, layout::kCornerRadius, width, height);
    ::CombineRgn(shape, shape, body, RGN_OR);
    ::DeleteObject(body);
    ::SetWindowRgn(hwnd, shape, FALSE);  // the window owns the region now

    int textTop = kTitleHeight + kMargin + (bodyHeight - int(textRect.bottom)) / 2;
    iconRect = {kMargin, kTitleHeight + kMargin, kMargin + art::kDialogIconSize, kTitleHeight + kMargin + art::kDialogIconSize};
    textWindow = ::CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, textLeft,
                                   textTop, textRect.right + 4, textRect.bottom, hwnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kDialogTextId)), AppInstance(), nullptr);
    ::SendMessageA(textWindow, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.Get()), FALSE);

    int bx = (width - buttonsWidth) / 2, by = height - layout::kBorderWidth - 10 - kButtonHeight;
    for (int i = 0; i < count; i++) {
        buttons[i] = std::make_unique<ImageButton>();
        RECT r = {bx, by, bx + kButtonWidth, by + kButtonHeight};
        buttons[i]->Create(hwnd, hwnd, layout::kDialogButtonTexts[i], r, layout::kDialogModalResults[i],
                           ImageButton::Look::Dialog, layout::kDialogTextFont, nullptr, 0);
        bx += kButtonWidth + kButtonGap;
    }

    // Modal: the owner takes no input until the dialog ends.
    bool ownerWasEnabled = owner && !::EnableWindow(owner, FALSE);
    ::ShowWindow(hwnd, SW_SHOW);
    ::SetForegroundWindow(hwnd);
    ::SetFocus(buttons[0]->Hwnd());
    MSG msg;
    while (!done && hwnd) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: put the quit back for the application's own loop.
            ::PostQuitMessage(got == 0 ? int(msg.wParam) : 0);
            break;
        }
        if (!::IsDialogMessageA(hwnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    // Enable the owner first, so that it and not another program becomes active.
    if (owner && ownerWasEnabled) ::EnableWindow(owner, TRUE);
    if (hwnd) ::DestroyWindow(hwnd);
    for (auto& b : buttons) b.reset();
    textWindow = nullptr;
    return result;
}

void MessageDialog::Paint() {
    gdi::BufferedPaint paint(hwnd);
    HDC dc = paint.Dc();
    const RECT& r = paint.Client();
    gdi::Fill(dc, r, art::kDialogBody);
    art::DrawTitleBar(dc, r.right, layout::kTitleBarHeight, SmallAppIcon(), caption.c_str(), captionFont, captionColor);
    gdi::FrameRect(dc, r, gdi::Color(layout::kBorderColor), layout::kBorderWidth);
    art::DrawDialogIcon(dc, iconRect.left, iconRect.top, iconType);
}

LRESULT MessageDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_NCHITTEST: {
            // The title bar moves the dialog.
            POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
            ::ScreenToClient(hwnd, &p);
            return p.y < kTitleHeight ? HTCAPTION : HTCLIENT;
        }
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            ::SetTextColor(dc, gdi::Color(layout::kDialogTextFont.color));
            ::SetBkColor(dc, art::kDialogBody);
            return reinterpret_cast<LRESULT>(bodyBrush.Get());
        }
        case WM_COMMAND:
            // The buttons (their ids are their modal results), Enter (IDOK) and Escape (IDCANCEL).
            if (HIWORD(wParam) == BN_CLICKED) EndModal(LOWORD(wParam) == IDOK ? 1 : 2);
            return 0;
        case WM_CLOSE:
            EndModal(2);
            return 0;
        default:
            return Window::HandleMessage(message, wParam, lParam);
    }
}
