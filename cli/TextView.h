// The main window's view on a terminal: status texts on standard output, dialogs and the
// progress bar on standard error, questions answered on the terminal or by --yes.
#pragma once

#include <cstdio>
#include <functional>
#include <vector>
#include <string>

#include "app/MainView.h"

class TextView : public MainView {
public:
    TextView(bool assumeYes, bool interactive);

    // Shown with the confirmation so that nobody erases the wrong disc.
    std::function<std::string()> describeTarget;
    bool Terminated() const { return terminated; }
    std::string LastDialogCaption() const { return lastCaption; }
    const std::vector<std::string>& Rows() const { return rows; }
    bool printStatus = false;  // list and identify keep standard output to their answer

    void SetCaption(const std::string& text) override {}
    void AddDriveRow(const std::string& row) override { rows.push_back(row); }
    int DriveRowCount() override { return int(rows.size()); }
    int DriveItemIndex() override { return itemIndex; }
    void SetDriveItemIndex(int index) override { itemIndex = index; }
    void SetEnabled(UiControl control, bool enabled) override {}
    void SetHelpText(const std::string& text) override {}
    void SetStatusLabel(const std::string& text) override { statusLabel = text; }
    std::string StatusLabel() override { return statusLabel; }
    void SetStatusPanel(const std::string& text) override;
    void SetProgressMin(int value) override {}
    void SetProgressMax(int value) override;
    int ProgressMax() override { return progressMax; }
    void SetProgressPosition(int value) override;
    int ProgressPosition() override { return progressPosition; }
    void SetDialogButtonCount(uint8_t count) override { dialogButtons = count; }
    void SetDialogIconType(uint8_t icon) override {}
    void SetDialogCaptionFontColor(uint32_t color) override {}
    void SetDialogText(const std::string& text) override { dialogText = text; }
    void SetDialogCaption(const std::string& caption) override { dialogCaption = caption; }
    int ShowDialogModal() override;
    void ProcessMessages() override {}
    void WaitForMessage(uint32_t milliseconds) override;
    void Terminate() override { terminated = true; }

private:
    void EndProgressLine();

    bool assumeYes;
    bool interactive;
    bool progressOnTerminal;
    bool progressLineOpen = false;
    std::vector<std::string> rows;
    int itemIndex = -1;
    std::string statusLabel, lastStatus;
    int progressMax = 100, progressPosition = 0, lastDrawn = -1;
    uint8_t dialogButtons = 1;
    std::string dialogText, dialogCaption, lastCaption;
    bool terminated = false;
};

bool IsTerminal(FILE* stream);
