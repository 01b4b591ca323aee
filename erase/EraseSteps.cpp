// What every range-erase procedure shares: the erase step with its progress wait, the closing
// of a run, and the disc-geometry helpers.
#include "app/FrmMain.h"

void TfrmMain::Progress(int position) { view.SetProgressPosition(position); }

void TfrmMain::EraseStep(const EraseCommand& command, int base) {
    bool accepted = command.msf ? device->VendorEraseRangeMsf(command.start, command.count, command.areaByte, 1, 0)
                                : device->VendorEraseRangeLba(command.start, command.count, 1, 0);
    if (!accepted) runIncomplete = true;
    ProgressWait(base);
}

void TfrmMain::ProgressWait(int base) {
    HiTimer timer(system);
    // A UNIT ATTENTION is reported once per event and says nothing about the erase; a drive
    // that keeps reporting it is not followed forever.
    int unitAttentions = 0;
    for (;;) {
        bool ready = device->TestUnitReady();
        if (device->IsSense(2, 0x04)) {
            device->RequestSense(32, 0);
            uint32_t p = device->ReadBe16(16);
            Progress(base + int(p * 100 / 65536));
            timer.WaitSeconds(1.0);
            continue;
        }
        if (ready) break;
        if (device->IsSense(6) && ++unitAttentions <= 10) continue;
        // Any other answer ends the step without knowing that the drive finished it.
        runIncomplete = true;
        break;
    }
    Progress(base + 100);
}

bool TfrmMain::FinishErase() {
    if (runIncomplete || closeRequested) return FinishIncompleteErase();
    runClosed = true;
    ShowStatus("");
    Progress(view.ProgressMax());
    bool opened = device->EjectMedium();
    ShowMessageDialog("Information ...",
                      opened ? "The disc has been erased successfully !"
                             : "The disc has been erased successfully !\nPlease tray out/in to refresh the computer",
                      1, kIconInformation);
    Progress(0);
    return true;
}

bool TfrmMain::FinishIncompleteErase() {
    runClosed = true;
    ShowStatus("");
    device->EjectMedium();
    ShowMessageDialog("Error ...", kIncompleteText, 1, kIconStop);
    Progress(0);
    return false;
}

int TfrmMain::GetLastTrackNumber() {
    if (!device->ReadDiscInformation(24, 0)) return 0;
    const uint8_t* b = device->GetDataBuffer();
    return b[11] * 256 + b[6];
}

uint32_t TfrmMain::GetRecordedEnd() {
    const uint8_t* b = device->GetDataBuffer();
    if (b[7] & 0x01) return device->ReadBe32(12);
    // Without the end of the recorded data the erase cannot cover it all.
    if (!device->ReadCapacity()) runIncomplete = true;
    return device->ReadBe32(0) + 1;
}

bool TfrmMain::ReadTrackStart(int track, uint32_t* start) {
    if (!device->ReadTrackInformation(1, uint32_t(track), 4096, 0)) {
        // Never erase at a guessed address: the track's step is left out and the run is incomplete.
        runIncomplete = true;
        return false;
    }
    *start = device->ReadBe32(8);
    return true;
}

uint32_t TfrmMain::LbaToPsn(int kind, uint32_t s, uint32_t lba, uint32_t e) {
    if (lba <= e - s) return lba + s;
    // Layer 1 runs the other way and numbers its sectors as the complement of layer 0's.
    if (kind == 3) return lba + s - 2 * e + 0x1FFFFFE;
    return ((lba + s - 2 * e - 2) & 0xFFFFFF) | 0xFF000000;
}

uint32_t TfrmMain::MsfToLba(uint8_t m, uint8_t s, uint8_t f) { return uint32_t(m) * 4500 + uint32_t(s) * 75 + f - 150; }
