// What the main window's logic needs of a window layer: exactly the framework operations the
// window uses. The Win32 window, the Qt window, the command-line tool and the tests' recording
// view each implement it.
#pragma once

#include <cstdint>
#include <string>

enum class UiControl { Drives, Quick, Full };

class MainView {
public:
    virtual ~MainView() = default;

    // suiForm1.Caption.
    virtual void SetCaption(const std::string& text) = 0;
    // cboDrives: Items.Add, Items.Count, ItemIndex. Setting ItemIndex raises no OnChange.
    virtual void AddDriveRow(const std::string& row) = 0;
    virtual int DriveRowCount() = 0;
    virtual int DriveItemIndex() = 0;
    virtual void SetDriveItemIndex(int index) = 0;
    // Enabled of cboDrives, BtnQuick and BtnFull.
    virtual void SetEnabled(UiControl control, bool enabled) = 0;
    // lblHelp.Caption.
    virtual void SetHelpText(const std::string& text) = 0;
    // lblMsg.Caption (hidden) and the text of status-bar panel 0.
    virtual void SetStatusLabel(const std::string& text) = 0;
    virtual std::string StatusLabel() = 0;
    virtual void SetStatusPanel(const std::string& text) = 0;
    // suiProgressBar1.
    virtual void SetProgressMin(int value) = 0;
    virtual void SetProgressMax(int value) = 0;
    virtual int ProgressMax() = 0;
    virtual void SetProgressPosition(int value) = 0;
    virtual int ProgressPosition() = 0;
    // suiMessageDialog1: the five properties, then ShowModal.
    virtual void SetDialogButtonCount(uint8_t count) = 0;
    virtual void SetDialogIconType(uint8_t icon) = 0;
    virtual void SetDialogCaptionFontColor(uint32_t color) = 0;
    virtual void SetDialogText(const std::string& text) = 0;
    virtual void SetDialogCaption(const std::string& caption) = 0;
    virtual int ShowDialogModal() = 0;
    // The application: ProcessMessages, a wait for the next message, Terminate.
    virtual void ProcessMessages() = 0;
    virtual void WaitForMessage(uint32_t milliseconds) = 0;
    virtual void Terminate() = 0;
};

// Icon types of the message dialog.
constexpr uint8_t kIconNone = 0;
constexpr uint8_t kIconWarning = 1;
constexpr uint8_t kIconStop = 2;
constexpr uint8_t kIconInformation = 3;
constexpr uint8_t kIconHelp = 4;

// Modal results of its buttons.
constexpr int kModalOk = 1;
constexpr int kModalCancel = 2;
