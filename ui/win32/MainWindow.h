// frmMain on plain Win32: the skinned frame suiForm1 with its page and controls, implementing
// the view the window's logic (TfrmMain) drives. Every position, size, font, colour and text
// comes from the layout table.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/MainView.h"
#include "platform/windows/Win32MessagePump.h"
#include "ui/win32/Controls.h"
#include "ui/win32/MessageDialog.h"
#include "ui/win32/Window.h"

class System;
class TfrmMain;

class MainWindow : public Window, public MainView {
public:
    MainWindow();
    ~MainWindow() override;

    // Creates the window and its controls, centred on the screen and not yet shown.
    bool Create();
    // The logic the controls report to; none before it exists and after the window is gone.
    void Attach(TfrmMain* form) { this->form = form; }
    // Runs FormCreate with a close that arrives meanwhile held back until it has returned.
    void RunFormCreate();
    bool Terminated() const { return terminated; }
    void Show();
    // The application's message loop; returns when the program ends.
    void Run();
    // Destroys the window if it still exists (FormDestroy runs first).
    void Destroy();

    // MainView.
    void SetCaption(const std::string& text) override;
    void AddDriveRow(const std::string& row) override;
    int DriveRowCount() override;
    int DriveItemIndex() override;
    void SetDriveItemIndex(int index) override;
    void SetEnabled(UiControl control, bool enabled) override;
    void SetHelpText(const std::string& text) override;
    void SetStatusLabel(const std::string& text) override;
    std::string StatusLabel() override;
    void SetStatusPanel(const std::string& text) override;
    void SetProgressMin(int value) override;
    void SetProgressMax(int value) override;
    int ProgressMax() override;
    void SetProgressPosition(int value) override;
    int ProgressPosition() override;
    void SetDialogButtonCount(uint8_t count) override;
    void SetDialogIconType(uint8_t icon) override;
    void SetDialogCaptionFontColor(uint32_t color) override;
    void SetDialogText(const std::string& text) override;
    void SetDialogCaption(const std::string& caption) override;
    int ShowDialogModal() override;
    void ProcessMessages() override;
    void WaitForMessage(uint32_t milliseconds) override;
    void Terminate() override;

private:
    enum class TitleHit { None, Icon, Minimise, Close };

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint();
    void OnCommand(int id, int code);
    void OnClose();
    bool Busy() const;
    void CloseIfPending();
    TitleHit HitTitle(POINT client) const;
    RECT TitleButtonRect(TitleHit which) const;
    void SetTitleHover(TitleHit hit);
    void ShowSystemMenu();
    // Hover order: entering a button first ends the hover of the other one, as one mouse move
    // would; a late leave message of that other button is then ignored.
    void Enter(int id);
    void Exit(int id);
    HWND Control(const char* name) const;

    TfrmMain* form = nullptr;
    Win32MessagePump pump;
    Page page;
    std::unique_ptr<Label> labels[9];
    HWND drives = nullptr;
    ImageButton quick, full;
    StatusBar statusBar;
    ProgressBar progress;
    MessageDialog dialog;
    HWND tooltip = nullptr;
    HICON smallIcon = nullptr, bigIcon = nullptr;
    gdi::Owned<HFONT> titleFont, comboFont, hintFont;

    HWND lastFocus = nullptr;  // the control that had the focus when the window was deactivated
    int hoverButton = 0;  // id of the erase button the mouse is over, 0 for none
    TitleHit titleHover = TitleHit::None, titlePressed = TitleHit::None;
    bool terminated = false;
    bool inFormCreate = false;
    bool clickRunning = false;  // a click handler (an erase request) is on the stack
    bool closePending = false;  // the user closed the window while the logic was busy
};

// Runs the program's one window on `system` until it is closed; the program's exit code.
int RunMainWindow(System& system);
