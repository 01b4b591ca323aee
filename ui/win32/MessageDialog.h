// suiMessageDialog1: the one message dialog, a small skinned modal window centred on its owner.
// Its five properties stay set between calls; ShowModal returns the pressed button's result.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "ui/win32/Controls.h"
#include "ui/win32/Window.h"

class MessageDialog : public Window {
public:
    MessageDialog();
    ~MessageDialog() override;

    uint8_t buttonCount = 1;
    uint8_t iconType = 0;
    COLORREF captionColor;
    std::string text;
    std::string caption;

    // Shows the dialog over `owner` (disabled meanwhile) until a button, Enter, Escape or
    // EndModal ends it. 2 (Cancel) when WM_QUIT arrives first; the quit is put back.
    int ShowModal(HWND owner);
    bool Showing() const { return hwnd != nullptr; }
    // Ends a dialog that is showing with `result`.
    void EndModal(int result);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint();

    gdi::Owned<HFONT> textFont, captionFont;
    gdi::Owned<HBRUSH> bodyBrush;
    std::unique_ptr<ImageButton> buttons[3];
    HWND textWindow = nullptr;
    int result = 0;
    bool done = false;
    RECT iconRect{};
};
