#include "cli/TextView.h"

#include <chrono>
#include <iostream>
#include <thread>

#ifdef _WIN32
#include <io.h>
bool IsTerminal(FILE* stream) { return _isatty(_fileno(stream)) != 0; }
#else
#include <unistd.h>
bool IsTerminal(FILE* stream) { return isatty(fileno(stream)) != 0; }
#endif

TextView::TextView(bool assumeYes, bool interactive)
    : assumeYes(assumeYes), interactive(interactive), progressOnTerminal(IsTerminal(stderr)) {}

void TextView::EndProgressLine() {
    if (!progressLineOpen) return;
    std::fputc('\n', stderr);
    progressLineOpen = false;
}

void TextView::SetStatusPanel(const std::string& text) {
    if (text == lastStatus) return;
    lastStatus = text;
    if (!printStatus || text.empty()) return;
    EndProgressLine();
    std::printf("%s\n", text.c_str() + (text[0] == ' ' ? 1 : 0));
    std::fflush(stdout);
}

void TextView::SetProgressMax(int value) {
    progressMax = value;
    lastDrawn = -1;
}

void TextView::SetProgressPosition(int value) {
    progressPosition = value;
    if (!printStatus || value == lastDrawn) return;
    lastDrawn = value;
    int max = progressMax > 0 ? progressMax : 1;
    int percent = int(int64_t(value) * 100 / max);
    if (progressOnTerminal) {
        constexpr int kWidth = 40;
        int filled = int(int64_t(value) * kWidth / max);
        if (filled < 0) filled = 0;
        if (filled > kWidth) filled = kWidth;
        std::fprintf(stderr, "\r[%s%s] %3d%% (%d/%d)", std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(kWidth - filled), '.').c_str(), percent, value, progressMax);
        progressLineOpen = true;
    } else {
        std::fprintf(stderr, "progress %d/%d\n", value, progressMax);
    }
    std::fflush(stderr);
}

int TextView::ShowDialogModal() {
    EndProgressLine();
    lastCaption = dialogCaption;
    std::string text = dialogText;
    if (dialogButtons >= 2) {
        if (describeTarget) std::fprintf(stderr, "%s\n", describeTarget().c_str());
        std::fprintf(stderr, "%s %s [y/N] ", dialogCaption.c_str(), text.c_str());
        if (assumeYes) {
            std::fprintf(stderr, "yes (--yes)\n");
            return kModalOk;
        }
        if (!interactive) {
            std::fprintf(stderr, "no (no terminal)\n");
            return kModalCancel;
        }
        std::string answer;
        std::getline(std::cin, answer);
        return answer == "y" || answer == "Y" || answer == "yes" ? kModalOk : kModalCancel;
    }
    std::fprintf(stderr, "%s %s\n", dialogCaption.c_str(), text.c_str());
    // A prompt to act on the drive waits for the user where there is one to wait for.
    if (dialogCaption == "Information ..." && text.rfind("Please put tray in", 0) == 0 && interactive && !assumeYes) {
        std::fprintf(stderr, "Press Enter when done. ");
        std::string line;
        std::getline(std::cin, line);
    }
    return kModalOk;
}

void TextView::WaitForMessage(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
