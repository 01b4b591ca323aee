// A drive that erases the whole disc by itself: progress by elapsed time until it is ready.
#include "app/FrmMain.h"

bool TfrmMain::WaitDriveErase(bool quick) {
    HiTimer timer(system);
    const int limit = quick ? 240 : 800;
    const int threshold = quick ? 190 : 650;
    view.SetProgressMax(limit);
    view.SetProgressMin(0);
    int tick = 0;
    int lateCount = 0;
    for (;;) {
        if (device->TestUnitReady()) break;
        if (!device->IsSense(2, 0x04)) {
            // No disc any more is how a drive that opened its own tray answers; a medium or
            // hardware error, a rejected command, a CHECK CONDITION that names no reason or a
            // lost drive means the erase did not finish.
            if (device->IsSense(0) || device->IsSense(3) || device->IsSense(4) || device->IsSense(5) ||
                device->lastCommand.result == kResultFailed)
                runIncomplete = true;
            break;
        }
        timer.WaitMilliseconds(250);
        view.ProcessMessages();
        if (tick == 60) ShowStatus(" Erasing ...");
        if (tick == 360) ShowStatus(" Please wait ...");
        if (tick <= threshold) {
            Progress(tick);
        } else {
            lateCount++;
            ShowStatus(" Please wait ...");
            if (tick < limit - 5 && lateCount % 10 == 0 && view.ProgressPosition() < limit - 5)
                Progress(view.ProgressPosition() + 1);
        }
        tick++;
    }
    return FinishErase();
}
