// The request behind both erase buttons: check the disc, confirm, tell the drive kind, erase.
#include "app/FrmMain.h"

namespace {
constexpr const char* kNotSupportedText =
    "Disc not support ! \n\nPlease insert CD-R, DVD+/-R, DVD+/-R DL , BD-R, BD-R DL media.";

bool IsCdR(MediaCode m) { return m >= 4 && m <= 11; }
bool IsDvdR(MediaCode m) { return m == 19 || m == 21 || m == 23 || m == 25; }
bool IsBdR(MediaCode m) { return m == 28 || m == 31; }
}  // namespace

bool TfrmMain::EraseDisc(bool quick) {
    if (!device || requestRunning) return false;
    requestRunning = true;
    runIncomplete = false;
    runClosed = false;
    bool erased = false;
    DisableUI();

    switch (CheckDiscReady()) {
        case DiscCheckResult::NotPresent:
            ShowMessageDialog("Error ...", "Disc not present ! ", 1, kIconStop);
            break;
        case DiscCheckResult::TrayError:
            ShowMessageDialog("Error ...", "Tray in error ! ", 1, kIconStop);
            break;
        case DiscCheckResult::NotReady:
            ShowMessageDialog("Error ...", "Disc not ready ! \n\nPlease check the disc.", 1, kIconStop);
            break;
        case DiscCheckResult::NotSupported:
            device->EjectMedium();
            ShowMessageDialog("Error ...", kNotSupportedText, 1, kIconStop);
            break;
        case DiscCheckResult::Ready:
            if (ShowMessageDialog("Confirm ...", "Do you really want to erase your disc ?", 2, kIconHelp) != kModalOk)
                break;
            // The support probe: a drive that erases ranges on command rejects this address as
            // out of range; any other answer means the drive erases whole discs by itself.
            device->VendorEraseRangeLba(0xFFFFFFFF, 0, 0, 0);
            if (device->IsSense(5, 0x21, 0x00)) {
                MediaCode m = device->IdentifyMedia(0);
                requestMedia = m;
                if (IsCdR(m) || IsDvdR(m) || IsBdR(m)) {
                    ShowStatus(" Processing ...");
                    if (IsCdR(m)) erased = quick ? QuickEraseCd() : FullEraseCd();
                    else if (IsDvdR(m)) erased = quick ? QuickEraseDvd() : FullEraseDvd();
                    else erased = quick ? QuickEraseBd() : FullEraseBd();
                    // A procedure that stopped at a failed read erased nothing or only part: say so.
                    if (!erased && !runClosed)
                        ShowMessageDialog("Error ...", kIncompleteText, 1, kIconStop);
                } else {
                    // Nothing to erase on this disc: do not end silently after the user confirmed.
                    device->EjectMedium();
                    ShowMessageDialog("Error ...", kNotSupportedText, 1, kIconStop);
                }
            } else if (device->VendorEraseDisc(1, quick ? 1 : 0)) {
                ShowStatus(" Processing ...");
                erased = WaitDriveErase(quick);
            } else {
                ShowMessageDialog("Error ...", ExplainedFailure("Your drive may not support this feature."), 1, kIconStop);
            }
            break;
    }

    ShowStatus("");
    EnableUI();
    requestRunning = false;
    return erased;
}
