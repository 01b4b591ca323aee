// Before an erase: close the tray or ask the user to, wait for the disc, and identify it.
#include "app/FrmMain.h"

DiscCheckResult TfrmMain::CheckDiscReady() {
    HiTimer timer(system);
    checkedMedia = 0;
    ShowStatus(" Checking disc, please wait ...");

    // A drive that cannot close its own tray refuses the load with an invalid field: the user
    // is asked to push it in, at most three times.
    int prompts = 0;
    while (device->IsTrayOpen() && !device->LoadMedium()) {
        if (!device->IsSense(5, 0x24)) return DiscCheckResult::TrayError;
        if (prompts > 2) break;
        ShowStatus(" Please put tray in ...");
        ShowMessageDialog("Information ...", "Please put tray in ... ", 1, kIconInformation);
        prompts++;
    }

    ShowStatus(" Recognizing disc, please wait ...");
    timer.Start(true);
    bool timedOut = false;
    HiTimer pause(system);
    for (;;) {
        device->TestUnitReady();
        if (device->IsSense(2, 0x3A)) return DiscCheckResult::NotPresent;
        if (!device->IsSense(2, 0x04) && !device->IsSense(6)) break;
        if (device->lastCommand.result == kResultFailed) break;
        float t = float(timer.RunningSeconds());
        if (t >= 60.0f) {
            timedOut = true;
            break;
        }
        if (t >= 30.0f && t <= 32.0f) view.SetStatusLabel(" Verifying disc, please wait ...");
        view.SetStatusPanel(view.StatusLabel());
        pause.WaitMilliseconds(200);
        view.ProcessMessages();
    }
    timer.Stop();
    if (timedOut) return DiscCheckResult::NotReady;

    MediaCode m = device->IdentifyMedia(0);
    checkedMedia = m;
    if (m == 0) return DiscCheckResult::NotPresent;
    bool refused = (m >= 12 && m <= 15) || (m >= 33 && m <= 39) ||
                   (m >= 18 && m <= 32 && m != 19 && m != 21 && m != 23 && m != 25 && m != 28 && m != 31);
    if (refused) return DiscCheckResult::NotSupported;
    ShowStatus(" Disc is ready !");
    return DiscCheckResult::Ready;
}
