// The skinned controls of the main window and its dialog, each a small window class of its own
// (the combo box is the system's, repainted): page, label, image button, status bar, progress
// bar. Each keeps what it shows in its window text, so the running window can be read back.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/Layout.h"
#include "ui/win32/Artwork.h"
#include "ui/win32/Gdi.h"
#include "ui/win32/Window.h"

// suiImagePanel1: the page with the background image, stretched to the page's size once.
class Page : public Window {
public:
    bool Create(HWND parent, const ControlLayout& layout, int id);
    // Draws the part of the page that lies under `child` into `dc` (the child's coordinates):
    // how the transparent labels and the buttons' rounded corners show the page through.
    void PaintBackgroundUnder(HWND child, HDC dc) const;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    gdi::Owned<HBITMAP> image;
};

// A transparent label: the page shows through, the caption is the window text.
class Label : public Window {
public:
    bool Create(const Page& page, const ControlLayout& layout, int id, bool wordWrap);
    // The mouse left the label (tracked with TrackMouseEvent once it is set).
    std::function<void()> onMouseLeave;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    const Page* page = nullptr;
    gdi::Owned<HFONT> font;
    COLORREF color = 0;
    bool wordWrap = false;
    bool tracking = false;
};

// A button drawn from three images (normal, mouse-over, pressed) with a hand cursor and no
// focus rectangle. A click is posted to `notify` as WM_COMMAND/BN_CLICKED, so that whatever
// the click starts runs from the message loop and not inside this button's mouse handler.
class ImageButton : public Window {
public:
    enum class Look { Erase, Dialog };
    bool Create(HWND parent, HWND notify, const char* text, const RECT& bounds, int id, Look look, const FontSpec& font,
                const Page* background, DWORD extraStyle);
    // Mouse enter and exit. Exit is not raised while the button is disabled: the help text
    // stays as it was when the click happened.
    std::function<void()> onEnter, onExit;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint();
    void Click();
    HWND notify = nullptr;
    Look look = Look::Erase;
    const Page* background = nullptr;
    gdi::Owned<HFONT> font, boldFont;
    bool hovering = false;  // the mouse is over the button
    bool pressing = false;  // the left button went down here and is still held
    bool keyDown = false;
};

// sbar: panels of fixed widths; panel 0's text is the window text.
class StatusBar : public Window {
public:
    bool Create(HWND parent, const ControlLayout& layout, int id);
    void SetPanelText(int panel, const std::string& text);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    gdi::Owned<HFONT> font;
};

// suiProgressBar1: answers the system progress bar's range and position messages, and keeps
// its caption (the percentage shown) as the window text.
class ProgressBar : public Window {
public:
    bool Create(HWND parent, const ControlLayout& layout, int id);
    void SetMin(int value);
    void SetMax(int value);
    void SetPosition(int value);
    int Min() const { return min; }
    int Max() const { return max; }
    int Position() const { return position; }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Changed();
    gdi::Owned<HFONT> font;
    int min = layout::kProgressMin, max = layout::kProgressMax, position = 0;
};

// cboDrives: a system drop-down list, owner-drawn and repainted flat in the skin's colours;
// typing opens the list.
void SkinComboBox(HWND combo, HFONT font);
// Draws one row of the open list (WM_DRAWITEM of the combo box).
void DrawComboItem(const DRAWITEMSTRUCT& item, HFONT font);
