// A view that records what the window would show, answers dialogs from a script, and lets a
// test act while the program waits (push a tray in, close the window).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/MainView.h"

struct ShownDialog {
    std::string caption;
    std::string text;
    int buttons;
    int icon;
    uint32_t captionColor;
    bool controlsEnabled;  // any of the three controls enabled while it was shown
};

class RecordingView : public MainView {
public:
    std::string caption;
    std::vector<std::string> rows;
    int itemIndex = -1;
    bool enabled[3] = {true, true, true};
    std::string helpText = "unset";
    std::string statusLabel;
    std::string statusPanel;
    std::vector<std::string> statusHistory;  // panel 0, each change
    int progressMin = 0, progressMax = 100, progressPosition = 0;
    std::vector<int> progressHistory;        // each position set
    std::vector<int> maxHistory;
    std::vector<ShownDialog> dialogs;
    std::deque<int> answers;                 // modal results to give, OK once empty
    bool terminated = false;
    int pumpPasses = 0;
    std::function<void()> onMessages;        // runs on every pass of the message pump
    std::function<void(const ShownDialog&)> onDialog;

    bool AnyEnabled() const { return enabled[0] || enabled[1] || enabled[2]; }
    bool AllEnabled() const { return enabled[0] && enabled[1] && enabled[2]; }

    void SetCaption(const std::string& text) override { caption = text; }
    void AddDriveRow(const std::string& row) override { rows.push_back(row); }
    int DriveRowCount() override { return int(rows.size()); }
    int DriveItemIndex() override { return itemIndex; }
    void SetDriveItemIndex(int index) override { itemIndex = index; }
    void SetEnabled(UiControl control, bool on) override { enabled[int(control)] = on; }
    void SetHelpText(const std::string& text) override { helpText = text; }
    void SetStatusLabel(const std::string& text) override { statusLabel = text; }
    std::string StatusLabel() override { return statusLabel; }
    void SetStatusPanel(const std::string& text) override {
        if (statusHistory.empty() || statusHistory.back() != text) statusHistory.push_back(text);
        statusPanel = text;
    }
    void SetProgressMin(int value) override { progressMin = value; }
    void SetProgressMax(int value) override {
        progressMax = value;
        maxHistory.push_back(value);
    }
    int ProgressMax() override { return progressMax; }
    void SetProgressPosition(int value) override {
        progressPosition = value;
        progressHistory.push_back(value);
    }
    int ProgressPosition() override { return progressPosition; }
    void SetDialogButtonCount(uint8_t count) override { pending.buttons = count; }
    void SetDialogIconType(uint8_t icon) override { pending.icon = icon; }
    void SetDialogCaptionFontColor(uint32_t color) override { pending.captionColor = color; }
    void SetDialogText(const std::string& text) override { pending.text = text; }
    void SetDialogCaption(const std::string& text) override { pending.caption = text; }
    int ShowDialogModal() override {
        pending.controlsEnabled = AnyEnabled();
        dialogs.push_back(pending);
        if (onDialog) onDialog(pending);
        if (answers.empty()) return 1;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    void ProcessMessages() override {
        pumpPasses++;
        if (onMessages) onMessages();
    }
    void WaitForMessage(uint32_t) override {}
    void Terminate() override { terminated = true; }

    std::vector<std::string> DialogTexts() const {
        std::vector<std::string> t;
        for (auto& d : dialogs) t.push_back(d.text);
        return t;
    }

private:
    ShownDialog pending{};
};
