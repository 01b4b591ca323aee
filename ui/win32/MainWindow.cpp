#include "ui/win32/MainWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

#include "app/FrmMain.h"
#include "app/Layout.h"
#include "platform/windows/ResourceIds.h"
#include "ui/win32/ControlIds.h"

namespace {

// Label1 ... Label7, lblHelp and lblMsg, in the order of `MainWindow::labels`.
constexpr const char* kLabelNames[9] = {"Label1", "Label2", "Label3", "Label4", "Label5",
                                        "Label6", "Label7", "lblHelp", "lblMsg"};
int LabelIndex(const char* name) {
    for (int i = 0; i < 9; i++)
        if (std::strcmp(kLabelNames[i], name) == 0) return i;
    return 0;
}

constexpr int kComboListRows = 8;  // rows the open drive list shows before it scrolls

HICON LoadAppIcon(int size) {
    return static_cast<HICON>(
        ::LoadImageA(AppInstance(), MAKEINTRESOURCEA(NULLBURN_IDI_APPLICATION), IMAGE_ICON, size, size, LR_SHARED));
}

}  // namespace

MainWindow::MainWindow() {
    titleFont.Reset(gdi::CreateFontOf(layout::kTitleFont));
    // The drive rows are columns: without the face itself, another fixed-pitch font keeps them.
    const FontSpec& rows = layout::Control("cboDrives").font;
    comboFont.Reset(gdi::CreateFontOf(rows, rows.bold, FIXED_PITCH | FF_MODERN));
}

MainWindow::~MainWindow() = default;

bool MainWindow::Create() {
    RegisterClassOnce(kFrameClass, IDC_ARROW);
    const ControlLayout& frame = layout::Control("suiForm1");
    // poScreenCenter; the frame is the whole window, so the client area is the window.
    int x = (::GetSystemMetrics(SM_CXSCREEN) - layout::kClientWidth) / 2;
    int y = (::GetSystemMetrics(SM_CYSCREEN) - layout::kClientHeight) / 2;
    if (!Window::Create(kFrameClass, frame.text, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                        WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, x, y, layout::kClientWidth, layout::kClientHeight,
                        nullptr, 0))
        return false;
    smallIcon = LoadAppIcon(16);
    bigIcon = LoadAppIcon(32);
    ::SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    ::SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));

    // Rounded top corners, square bottom corners.
    const int r = layout::kCornerRadius, w = layout::kClientWidth, h = layout::kClientHeight;
    HRGN shape = ::CreateRoundRectRgn(0, 0, w + 1, 2 * r + 1, 2 * r, 2 * r);
    HRGN body = ::CreateRectRgn(0, r, w, h);
    ::CombineRgn(shape, shape, body, RGN_OR);
    ::DeleteObject(body);
    ::SetWindowRgn(hwnd, shape, FALSE);  // the system owns the region from here

    struct TabStop {
        int order;
        HWND window;
    };
    std::vector<TabStop> tabStops;
    for (const ControlLayout& c : layout::kControls) {
        int id = IdOf(c.name);
        switch (c.kind) {
            case ControlKind::Frame:
                break;
            case ControlKind::Page:
                if (!page.Create(hwnd, c, id)) return false;
                break;
            case ControlKind::Label: {
                auto label = std::make_unique<Label>();
                bool wrap = std::strcmp(c.name, "lblHelp") == 0;
                if (!label->Create(page, c, id, wrap)) return false;
                labels[LabelIndex(c.name)] = std::move(label);
                break;
            }
            case ControlKind::Combo:
                // The height given to a drop-down list includes its open list; the closed field
                // gets the layout's height through the selection field's item height.
                drives = ::CreateWindowExA(0, "COMBOBOX", "",
                                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_CLIPSIBLINGS |
                                               CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                                           c.left, c.top, c.width, c.height + kComboListRows * layout::kComboItemHeight,
                                           page.Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                           AppInstance(), nullptr);
                if (!drives) return false;
                ::SendMessageA(drives, WM_SETFONT, reinterpret_cast<WPARAM>(comboFont.Get()), FALSE);
                ::SendMessageA(drives, CB_SETITEMHEIGHT, WPARAM(-1), c.height - 6);
                ::SendMessageA(drives, CB_SETITEMHEIGHT, 0, layout::kComboItemHeight);
                SkinComboBox(drives, comboFont);
                tabStops.push_back({c.tabOrder, drives});
                break;
            case ControlKind::ImageButton: {
                ImageButton& button = std::strcmp(c.name, "BtnQuick") == 0 ? quick : full;
                RECT bounds = {c.left, c.top, c.left + c.width, c.top + c.height};
                if (!button.Create(page.Hwnd(), hwnd, c.text, bounds, id, ImageButton::Look::Erase, c.font, &page, 0))
                    return false;
                button.onEnter = [this, id] { Enter(id); };
                button.onExit = [this, id] { Exit(id); };
                tabStops.push_back({c.tabOrder, button.Hwnd()});
                break;
            }
            case ControlKind::StatusBar:
                if (!statusBar.Create(hwnd, c, id)) return false;
                break;
            case ControlKind::ProgressBar:
                if (!progress.Create(hwnd, c, id)) return false;
                break;
        }
    }
    // Tab order is the order of the siblings: put the tab stops in the layout's order.
    std::sort(tabStops.begin(), tabStops.end(), [](const TabStop& a, const TabStop& b) { return a.order < b.order; });
    for (size_t i = 1; i < tabStops.size(); i++)
        ::SetWindowPos(tabStops[i].window, tabStops[i - 1].window, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // Label7's balloon hint over the logo.
    hintFont.Reset(gdi::CreateFontOf(layout::kHintFont));
    tooltip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                WS_POPUP | TTS_BALLOON | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr, AppInstance(), nullptr);
    if (tooltip) {
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every common-controls version
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = page.Hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(Control("Label7"));
        tool.lpszText = const_cast<char*>(layout::kLogoHint);
        ::SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        ::SendMessageA(tooltip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(layout::kHintPauseMs, 0));
        ::SendMessageA(tooltip, TTM_SETDELAYTIME, TTDT_RESHOW, MAKELPARAM(layout::kHintShortPauseMs, 0));
        ::SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, layout::kHintMaxWidth);
        ::SendMessageA(tooltip, TTM_SETTIPBKCOLOR, gdi::Color(layout::kHintBackground), 0);
        ::SendMessageA(tooltip, TTM_SETTIPTEXTCOLOR, gdi::Color(layout::kHintFont.color), 0);
        ::SendMessageA(tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(hintFont.Get()), FALSE);
        // The balloon goes when the mouse leaves the logo, whatever the tooltip notices itself.
        labels[LabelIndex("Label7")]->onMouseLeave = [this] { ::SendMessageA(tooltip, TTM_POP, 0, 0); };
    }
    return true;
}

HWND MainWindow::Control(const char* name) const {
    return ::GetDlgItem(page.Hwnd(), IdOf(name));
}

void MainWindow::RunFormCreate() {
    inFormCreate = true;
    form->FormCreate();
    inFormCreate = false;
    CloseIfPending();
}

void MainWindow::Show() {
    if (!hwnd) return;
    ::ShowWindow(hwnd, SW_SHOW);
    ::UpdateWindow(hwnd);
    ::SetForegroundWindow(hwnd);
    if (::IsWindowEnabled(drives)) ::SetFocus(drives);
}

void MainWindow::Run() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        // Tab, Enter and the arrow keys move between and press the controls.
        if (hwnd && ::IsDialogMessageA(hwnd, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void MainWindow::Destroy() {
    if (hwnd) ::DestroyWindow(hwnd);
}

// ---- MainView ---------------------------------------------------------------------------------

void MainWindow::SetCaption(const std::string& text) {
    ::SetWindowTextA(hwnd, text.c_str());
    RECT title = {0, 0, layout::kClientWidth, layout::kPageTop};
    ::InvalidateRect(hwnd, &title, FALSE);
}

void MainWindow::AddDriveRow(const std::string& row) {
    ::SendMessageA(drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
}

int MainWindow::DriveRowCount() { return int(::SendMessageA(drives, CB_GETCOUNT, 0, 0)); }

int MainWindow::DriveItemIndex() { return int(::SendMessageA(drives, CB_GETCURSEL, 0, 0)); }

void MainWindow::SetDriveItemIndex(int index) {
    // CB_SETCURSEL sends no CBN_SELCHANGE: setting the index from code raises no change.
    ::SendMessageA(drives, CB_SETCURSEL, WPARAM(index), 0);
}

void MainWindow::SetEnabled(UiControl control, bool enabled) {
    HWND target = control == UiControl::Drives ? drives : control == UiControl::Quick ? quick.Hwnd() : full.Hwnd();
    ::EnableWindow(target, enabled ? TRUE : FALSE);
    if (!enabled) return;
    // Disabling the focused control leaves no focus; the first control enabled again takes it.
    if (!::GetFocus() && ::GetActiveWindow() == hwnd) ::SetFocus(target);
    // The help text stayed while the button was disabled; if the mouse has gone meanwhile, the
    // button has been left.
    int id = ::GetDlgCtrlID(target);
    if (hoverButton == id) {
        POINT cursor;
        RECT r;
        ::GetCursorPos(&cursor);
        ::GetWindowRect(target, &r);
        if (!::PtInRect(&r, cursor)) Exit(id);
    }
}

void MainWindow::SetHelpText(const std::string& text) { ::SetWindowTextA(Control("lblHelp"), text.c_str()); }

void MainWindow::SetStatusLabel(const std::string& text) { ::SetWindowTextA(Control("lblMsg"), text.c_str()); }

std::string MainWindow::StatusLabel() {
    HWND label = Control("lblMsg");
    int length = ::GetWindowTextLengthA(label);
    std::string text(size_t(length) + 1, '\0');
    length = ::GetWindowTextA(label, text.data(), length + 1);
    text.resize(size_t(std::max(length, 0)));
    return text;
}

void MainWindow::SetStatusPanel(const std::string& text) { statusBar.SetPanelText(0, text); }

void MainWindow::SetProgressMin(int value) { progress.SetMin(value); }

void MainWindow::SetProgressMax(int value) { progress.SetMax(value); }

int MainWindow::ProgressMax() { return progress.Max(); }

void MainWindow::SetProgressPosition(int value) { progress.SetPosition(value); }

int MainWindow::ProgressPosition() { return progress.Position(); }

void MainWindow::SetDialogButtonCount(uint8_t count) { dialog.buttonCount = count; }

void MainWindow::SetDialogIconType(uint8_t icon) { dialog.iconType = icon; }

void MainWindow::SetDialogCaptionFontColor(uint32_t color) { dialog.captionColor = COLORREF(color); }

void MainWindow::SetDialogText(const std::string& text) { dialog.text = text; }

void MainWindow::SetDialogCaption(const std::string& caption) { dialog.caption = caption; }

int MainWindow::ShowDialogModal() { return dialog.ShowModal(hwnd); }

void MainWindow::ProcessMessages() { pump.ProcessMessages(); }

void MainWindow::WaitForMessage(uint32_t milliseconds) { pump.WaitForMessage(milliseconds); }

void MainWindow::Terminate() {
    terminated = true;
    ::PostQuitMessage(0);
}

// ---- events -----------------------------------------------------------------------------------

void MainWindow::Enter(int id) {
    if (!form || hoverButton == id) return;
    if (hoverButton) Exit(hoverButton);
    hoverButton = id;
    if (id == IdOf("BtnQuick")) form->BtnQuickMouseEnter();
    else form->BtnFullMouseEnter();
}

void MainWindow::Exit(int id) {
    if (!form || hoverButton != id) return;
    hoverButton = 0;
    if (id == IdOf("BtnQuick")) form->BtnQuickMouseExit();
    else form->BtnFullMouseExit();
}

bool MainWindow::Busy() const { return inFormCreate || clickRunning || (form && form->RequestRunning()); }

void MainWindow::CloseIfPending() {
    if (closePending && !Busy()) {
        closePending = false;
        ::DestroyWindow(hwnd);
    }
}

void MainWindow::OnClose() {
    if (!Busy()) {
        ::DestroyWindow(hwnd);
        return;
    }
    // The request still sends commands through the device object: stop it, and destroy the
    // window only once its handler has returned.
    closePending = true;
    if (form) form->RequestClose();
    if (dialog.Showing()) dialog.EndModal(kModalCancel);
}

void MainWindow::OnCommand(int id, int code) {
    if (!form) return;
    if (id == IdOf("cboDrives")) {
        // Only a pick by the user sends CBN_SELCHANGE.
        if (code == CBN_SELCHANGE) form->cboDrivesChange();
        return;
    }
    bool isQuick = id == IdOf("BtnQuick"), isFull = id == IdOf("BtnFull");
    if (code != BN_CLICKED || !(isQuick || isFull) || Busy() || closePending) return;
    if (!::IsWindowEnabled(isQuick ? quick.Hwnd() : full.Hwnd())) return;
    clickRunning = true;
    if (isQuick) form->BtnQuickClick();
    else form->BtnFullClick();
    clickRunning = false;
    CloseIfPending();
}

// ---- the skinned frame ------------------------------------------------------------------------

RECT MainWindow::TitleButtonRect(TitleHit which) const {
    const int size = layout::kTitleButtonSize, top = layout::kTitleButtonTop;
    int closeLeft = layout::kClientWidth - layout::kBorderWidth - 4 - size;
    switch (which) {
        case TitleHit::Close:
            return {closeLeft, top, closeLeft + size, top + size};
        case TitleHit::Minimise:
            return {closeLeft - 2 - size, top, closeLeft - 2, top + size};
        case TitleHit::Icon:
            return {6, 3, 28, 23};
        default:
            return {0, 0, 0, 0};
    }
}

MainWindow::TitleHit MainWindow::HitTitle(POINT p) const {
    for (TitleHit h : {TitleHit::Icon, TitleHit::Minimise, TitleHit::Close}) {
        RECT r = TitleButtonRect(h);
        if (::PtInRect(&r, p)) return h;
    }
    return TitleHit::None;
}

void MainWindow::SetTitleHover(TitleHit hit) {
    if (hit == titleHover) return;
    titleHover = hit;
    RECT title = {0, 0, layout::kClientWidth, layout::kPageTop};
    ::InvalidateRect(hwnd, &title, FALSE);
}

void MainWindow::ShowSystemMenu() {
    HMENU menu = ::GetSystemMenu(hwnd, FALSE);
    if (!menu) return;
    bool iconic = ::IsIconic(hwnd);
    ::EnableMenuItem(menu, SC_RESTORE, MF_BYCOMMAND | (iconic ? MF_ENABLED : MF_GRAYED));
    ::EnableMenuItem(menu, SC_MOVE, MF_BYCOMMAND | (iconic ? MF_GRAYED : MF_ENABLED));
    ::EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
    ::EnableMenuItem(menu, SC_MINIMIZE, MF_BYCOMMAND | (iconic ? MF_GRAYED : MF_ENABLED));
    ::EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
    POINT at = {layout::kBorderWidth, layout::kPageTop};
    ::ClientToScreen(hwnd, &at);
    int command = int(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y,
                                       0, hwnd, nullptr));
    if (command) ::PostMessageA(hwnd, WM_SYSCOMMAND, WPARAM(command), 0);
}

void MainWindow::Paint() {
    gdi::BufferedPaint paint(hwnd);
    HDC dc = paint.Dc();
    const RECT& r = paint.Client();
    gdi::Fill(dc, r, gdi::Color(layout::kFrameColor));
    char caption[256] = "";
    ::GetWindowTextA(hwnd, caption, sizeof caption);
    art::DrawTitleBar(dc, r.right, layout::kTitleBarHeight, smallIcon, caption, titleFont,
                      gdi::Color(layout::kTitleFont.color));
    for (TitleHit h : {TitleHit::Minimise, TitleHit::Close}) {
        art::ButtonState state = art::ButtonState::Normal;
        if (titlePressed == h && titleHover == h) state = art::ButtonState::Pressed;
        else if (titleHover == h) state = art::ButtonState::Hover;
        art::DrawTitleButton(dc, TitleButtonRect(h), h == TitleHit::Close ? art::TitleGlyph::Close : art::TitleGlyph::Minimise,
                             state);
    }
    gdi::FrameRect(dc, r, gdi::Color(layout::kBorderColor), layout::kBorderWidth);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_NCHITTEST: {
            POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ::ScreenToClient(hwnd, &p);
            // The title bar drags the window, except over its icon and buttons.
            return p.y < layout::kPageTop && HitTitle(p) == TitleHit::None ? HTCAPTION : HTCLIENT;
        }
        case WM_MOUSEMOVE: {
            POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
            ::TrackMouseEvent(&track);
            SetTitleHover(HitTitle(p));
            return 0;
        }
        case WM_MOUSELEAVE:
            SetTitleHover(TitleHit::None);
            return 0;
        case WM_LBUTTONDOWN: {
            POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            TitleHit hit = HitTitle(p);
            if (hit == TitleHit::Icon) {
                ShowSystemMenu();
            } else if (hit != TitleHit::None) {
                titlePressed = hit;
                ::SetCapture(hwnd);
                SetTitleHover(hit);
                ::InvalidateRect(hwnd, nullptr, FALSE);
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            TitleHit pressed = titlePressed;
            titlePressed = TitleHit::None;
            if (::GetCapture() == hwnd) ::ReleaseCapture();
            ::InvalidateRect(hwnd, nullptr, FALSE);
            if (pressed != TitleHit::None && HitTitle(p) == pressed)
                ::PostMessageA(hwnd, WM_SYSCOMMAND, pressed == TitleHit::Close ? SC_CLOSE : SC_MINIMIZE, 0);
            return 0;
        }
        case WM_CAPTURECHANGED:
            titlePressed = TitleHit::None;
            return 0;
        case WM_RBUTTONUP:
        case WM_NCRBUTTONUP:
            ShowSystemMenu();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_MEASUREITEM: {
            auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (item->CtlType == ODT_COMBOBOX) item->itemHeight = layout::kComboItemHeight;
            return TRUE;
        }
        case WM_DRAWITEM: {
            auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            if (item->CtlType == ODT_COMBOBOX) DrawComboItem(*item, comboFont);
            return TRUE;
        }
        case WM_ACTIVATE:
            // As a dialog does: the focused control is kept while another window is active.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus && ::IsChild(hwnd, focus)) lastFocus = focus;
            } else if (!::IsIconic(hwnd)) {
                HWND target = lastFocus && ::IsWindow(lastFocus) && ::IsWindowEnabled(lastFocus) ? lastFocus : drives;
                if (::IsWindowEnabled(target)) ::SetFocus(target);
            }
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_DESTROY:
            // FormDestroy runs while the controls still exist.
            if (form) form->FormDestroy();
            ::PostQuitMessage(0);
            return 0;
        default:
            return Window::HandleMessage(message, wParam, lParam);
    }
}

int RunMainWindow(System& system) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    MainWindow view;
    if (!view.Create()) return 0;
    {
        TfrmMain form(system, view);
        view.Attach(&form);
        view.RunFormCreate();
        // After a failure message of FormCreate the program ends without showing the window.
        if (!view.Terminated()) {
            view.Show();
            view.Run();
        }
        view.Destroy();
        view.Attach(nullptr);
    }
    return 0;
}
