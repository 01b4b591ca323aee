// The main window's logic, independent of any window toolkit: start-up and the drive list,
// the help texts, and the erase workflow behind the two buttons.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/MainView.h"
#include "device/AtapiDevice.h"
#include "sysinfo/OSInfo.h"

// One erase command: a run of sectors by physical sector number, or by block address sent as
// minute/second/frame with its area byte (CD).
struct EraseCommand {
    bool msf;
    uint32_t start;
    uint32_t count;
    uint8_t areaByte;
    static EraseCommand Lba(uint32_t psn, uint32_t count) { return {false, psn, count, 0}; }
    static EraseCommand Msf(uint32_t lba, uint32_t count, uint8_t areaByte) { return {true, lba, count, areaByte}; }
};

// The closing message of a run that could not erase everything it set out to.
inline constexpr const char* kIncompleteText =
    "The disc could not be erased completely !\n\nPlease try again, or destroy the disc.";

enum class DiscCheckResult : int {
    NotPresent = 0,
    Ready = 1,
    TrayError = 2,
    NotReady = 3,
    NotSupported = 4,
};

class TfrmMain : private MessagePump {
public:
    TfrmMain(System& system, MainView& view);
    ~TfrmMain() override;
    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    // Start-up and the drive list.
    void FormCreate();
    void cboDrivesChange();
    void DisableUI();
    void EnableUI();
    void ShowStatus(const std::string& text);
    int ShowMessageDialog(const std::string& caption, const std::string& text, uint8_t buttonCount,
                          uint8_t iconType);
    void FormDestroy();

    // Help texts.
    void BtnQuickMouseEnter();
    void BtnQuickMouseExit();
    void BtnFullMouseEnter();
    void BtnFullMouseExit();

    // The erase request flow. Returns true only after the success message.
    void BtnQuickClick();
    void BtnFullClick();
    bool EraseDisc(bool quick);
    DiscCheckResult CheckDiscReady();

    // Closing the window while a request runs: the request stops before its next command and
    // shows nothing more; the caller closes the window once RequestRunning() is false.
    bool RequestRunning() const { return requestRunning; }
    void RequestClose();
    bool CloseRequested() const { return closeRequested; }

    AtapiDevice* Device() { return device.get(); }
    // Every command of the device object, the drive scan included, is reported here.
    void SetCommandObserver(CommandObserver* observer) { commandObserver = observer; }
    // The media code the latest disc check identified.
    MediaCode CheckedMedia() const { return checkedMedia; }
    int DriveOfRow(int row) const { return row >= 0 && row < kMaxDrives ? driveOfRow[row] : -1; }
    std::string FormatDriveRow(const DriveRecord& drive);

    // Erase steps, progress and completion, shared by every procedure.
    void EraseStep(const EraseCommand& command, int base);
    void ProgressWait(int base);
    bool FinishErase();
    int GetLastTrackNumber();
    uint32_t GetRecordedEnd();
    static uint32_t LbaToPsn(int kind, uint32_t userStartPsn, uint32_t lba, uint32_t layer0UserEndPsn);
    static uint32_t MsfToLba(uint8_t m, uint8_t s, uint8_t f);

    // The procedures. Each returns true after a completed run.
    bool QuickEraseCd();
    bool FullEraseCd();
    bool QuickEraseDvd();
    bool FullEraseDvd();
    int GetLayerCount();
    bool QuickEraseBd();
    bool FullEraseBd();
    uint32_t GetBdUserStartPsn();
    uint32_t GetBdLayer0EndPsn();
    int GetBdLayerCount();
    bool WaitDriveErase(bool quick);

private:
    // MessagePump, so that every wait of the device object runs the window's messages.
    void ProcessMessages() override;
    void WaitForMessage(uint32_t milliseconds) override;

    void Progress(int position);
    // `text`, unless the system was refused access to the drive: then why, in its words.
    std::string ExplainedFailure(const std::string& text);
    bool ReadTrackStart(int track, uint32_t* start);
    // Whether a DVD run erases the layer-1 region; marks the run incomplete when it cannot tell.
    bool NeedsLayer1Region(MediaCode m, int layers);
    // Closes a run that could not erase everything it set out to: never a success message.
    bool FinishIncompleteErase();

    System& system;
    MainView& view;
    std::unique_ptr<AtapiDevice> device;
    int driveOfRow[kMaxDrives];
    OSInfo osInfo;

    bool requestRunning = false;
    bool closeRequested = false;
    bool runIncomplete = false;  // a step of this run did not complete
    bool runClosed = false;      // the run has shown its closing message
    MediaCode checkedMedia = 0;
    MediaCode requestMedia = 0;  // the code the request chose its procedure by
    bool bdGeometryGuessed = false;  // a BD query fell back to its default
    CommandObserver* commandObserver = nullptr;
};
