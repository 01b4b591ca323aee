// The fault matrix: every command an erase request sends, on every erase path, answered in turn
// with an error sense, a CHECK CONDITION without sense, a transport failure and a time-out.
// Whatever the drive does, the request must end with the controls enabled and with the message
// the flow prescribes, and the success message only when the disc really is erased.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "support/Bench.h"

namespace {

constexpr const char* kSuccess = "The disc has been erased successfully !";
constexpr const char* kSuccessTrayClosed =
    "The disc has been erased successfully !\nPlease tray out/in to refresh the computer";
constexpr const char* kConfirm = "Do you really want to erase your disc ?";
constexpr const char* kNotSupported =
    "Disc not support ! \n\nPlease insert CD-R, DVD+/-R, DVD+/-R DL , BD-R, BD-R DL media.";
constexpr const char* kNoFeature = "Your drive may not support this feature.";
// The disc check's refusals: nothing may have been erased or even confirmed before them.
const char* const kCheckRefusals[] = {"Disc not present ! ", "Tray in error ! ",
                                      "Disc not ready ! \n\nPlease check the disc."};

// A request that runs longer than this on the virtual clock is taken as hung.
constexpr int64_t kHangMicros = int64_t(3) * 3600 * 1'000'000;

struct ErasePath {
    const char* name;
    const char* scenario;
    bool quick;
};

const ErasePath kPaths[] = {
    {"range cd-r quick", "range:cd-r", true},         {"range cd-r full", "range:cd-r", false},
    {"range dvd+r quick", "range:dvd+r", true},       {"range dvd+r full", "range:dvd+r", false},
    {"range dvd-r quick", "range:dvd-r", true},       {"range dvd-r full", "range:dvd-r", false},
    {"range dvd-r-dl quick", "range:dvd-r-dl", true}, {"range dvd-r-dl full", "range:dvd-r-dl", false},
    {"range bd-r quick", "range:bd-r", true},         {"range bd-r full", "range:bd-r", false},
    {"range bd-r-dl quick", "range:bd-r-dl", true},   {"range bd-r-dl full", "range:bd-r-dl", false},
    {"whole quick", "whole:dvd+r", true},             {"whole full", "whole:dvd+r", false},
};

// Erases that take seconds instead of minutes keep the number of progress polls small; the
// faults are about answers, not about how long an erase lasts. BDs get spare areas, so that
// the places the program falls back to when a read fails are not where the data is.
void QuickDrive(emu::Scenario& s) {
    s.drives[0].drive.eraseSpeed = {40'000, 250'000, 1'000'000, 1'000'000};
    s.drives[0].drive.eraseSetupMillis = 500;
    emu::DiscConfig& disc = s.drives[0].disc;
    if (emu::InfoOf(disc.kind).family != emu::DiscFamily::Bd) return;
    disc.isa0Clusters = 4096;
    disc.osaClusters = 2048;
    if (emu::InfoOf(disc.kind).layers == 2) disc.isa1Clusters = 8192;
}

enum class Injected { Sense, NoSense, Transport, Timeout };
const Injected kInjected[] = {Injected::Sense, Injected::NoSense, Injected::Transport, Injected::Timeout};
const char* Name(Injected i) {
    switch (i) {
        case Injected::Sense: return "sense";
        case Injected::NoSense: return "no sense";
        case Injected::Transport: return "transport failure";
        case Injected::Timeout: return "time-out";
    }
    return "?";
}

// What a drive plausibly answers when the command fails: the readiness and tray commands with a
// hardware error, the disc reads with an unrecovered read error, the erase commands with a
// write error, everything else with an invalid field.
void PlausibleSense(uint8_t opcode, emu::FaultRule& f) {
    struct Sense {
        uint8_t opcode, key, asc, ascq;
    };
    static const Sense kSenses[] = {
        {0x00, 0x04, 0x44, 0x00}, {0x1B, 0x04, 0x44, 0x00}, {0x25, 0x03, 0x11, 0x00}, {0x43, 0x03, 0x11, 0x00},
        {0x51, 0x03, 0x11, 0x00}, {0x52, 0x03, 0x11, 0x00}, {0xAD, 0x03, 0x11, 0x00}, {0xDF, 0x03, 0x0C, 0x00},
        {0xDC, 0x03, 0x0C, 0x00},
    };
    f.key = 0x05;
    f.asc = 0x24;
    f.ascq = 0x00;
    for (const auto& s : kSenses) {
        if (s.opcode != opcode) continue;
        f.key = s.key;
        f.asc = s.asc;
        f.ascq = s.ascq;
    }
}

emu::FaultRule RuleFor(uint8_t opcode, int occurrence, Injected injected) {
    emu::FaultRule f;
    f.opcode = opcode;
    f.skip = occurrence;
    f.count = 1;
    switch (injected) {
        case Injected::Sense: f.action = emu::FaultAction::Sense; PlausibleSense(opcode, f); break;
        case Injected::NoSense: f.action = emu::FaultAction::CheckWithoutSense; break;
        case Injected::Transport: f.action = emu::FaultAction::TransportFailure; break;
        case Injected::Timeout: f.action = emu::FaultAction::Timeout; break;
    }
    return f;
}

// One command of a clean run that gets a fault: its operation code and how many commands with
// that code came before it in the request.
struct Target {
    size_t index;  // in the clean run's commands
    uint8_t opcode;
    int occurrence;
    std::string what;  // CDB and clean answer, for the failure message
};

std::string Answer(const emu::DriveCommand& c) {
    char b[32];
    if (c.outcome == ScsiOutcome::TransportFailure) return "transport";
    if (c.outcome == ScsiOutcome::Timeout) return "timeout";
    if (c.status != 0x02) std::snprintf(b, sizeof b, "status %02Xh", c.status);
    else std::snprintf(b, sizeof b, "%X/%02Xh/%02Xh", c.key, c.asc, c.ascq);
    return b;
}

// Every command of the clean run, except that of a stretch of polls with the same command and
// the same answer (a progress wait, a readiness wait) only the first, middle and last are kept.
std::vector<Target> Targets(const std::vector<emu::DriveCommand>& sent) {
    std::map<uint8_t, int> seen;
    std::vector<Target> all;
    for (const auto& c : sent) all.push_back({all.size(), c.Opcode(), seen[c.Opcode()]++, c.Hex() + " -> " + Answer(c)});
    // Polls alternate at most two commands (TEST UNIT READY, REQUEST SENSE), so a repeat two
    // places back still belongs to the same stretch.
    std::map<std::string, std::vector<std::vector<size_t>>> stretches;
    for (size_t i = 0; i < all.size(); i++) {
        auto& list = stretches[all[i].what];
        if (list.empty() || i - list.back().back() > 2) list.push_back({});
        list.back().push_back(i);
    }
    std::vector<bool> keep(all.size(), false);
    for (auto& [key, list] : stretches) {
        for (auto& s : list) {
            keep[s.front()] = keep[s[s.size() / 2]] = keep[s.back()] = true;
        }
    }
    std::vector<Target> out;
    for (size_t i = 0; i < all.size(); i++)
        if (keep[i]) out.push_back(all[i]);
    return out;
}

// What one request did, as the user and the drive saw it.
struct Outcome {
    bool returned = false;
    std::vector<ShownDialog> dialogs;
    bool successShown = false;
    emu::IntervalSet erasedAtSuccess;  // what the disc had lost when the success message showed
    bool trayOpen = false;
    bool allEnabled = false;
    std::string status;
    size_t erasures = 0;     // erase jobs the drive started
    size_t eraseCommands = 0;  // DFh and DCh commands that reached the drive, the probe included
    bool hung = false;
    std::vector<emu::DriveCommand> sent;
};

Outcome Request(const ErasePath& path, const emu::FaultRule* fault) {
    Bench b(path.scenario, QuickDrive);
    b.Drive().ClearReceived();
    if (fault) b.Drive().AddFault(*fault);
    Outcome run;
    const int64_t start = b.Now();
    b.view.onDialog = [&](const ShownDialog& d) {
        if (d.text != kSuccess && d.text != kSuccessTrayClosed) return;
        run.successShown = true;
        b.Drive().Update(b.Now());
        run.erasedAtSuccess = b.Disc().ErasedPositions();
    };
    b.view.onMessages = [&] {
        if (b.Now() - start > kHangMicros && !b.form->CloseRequested()) {
            run.hung = true;
            b.form->RequestClose();
        }
    };
    run.returned = b.form->EraseDisc(path.quick);
    run.dialogs = b.view.dialogs;
    run.trayOpen = b.Drive().TrayOpen();
    run.allEnabled = b.view.AllEnabled();
    run.status = b.view.statusPanel;
    run.erasures = b.Drive().Erasures().size();
    run.sent = b.Drive().Received();
    for (const auto& c : run.sent)
        if (c.Opcode() == 0xDF || c.Opcode() == 0xDC) run.eraseCommands++;
    return run;
}

bool Covers(const emu::IntervalSet& outer, const emu::IntervalSet& inner) {
    for (const auto& v : inner.Intervals())
        if (!outer.Uncovered(v.begin, v.end).empty()) return false;
    return true;
}

bool IsCheckRefusal(const std::string& text) {
    for (const char* t : kCheckRefusals)
        if (text == t) return true;
    return false;
}

struct Tally {
    int cases = 0, success = 0, incomplete = 0, error = 0;
};

// The rules every request obeys, whatever the fault. Returns the closing message.
std::string CheckRequest(const Outcome& run, const Outcome& clean) {
    EXPECT_FALSE(run.hung) << "the request did not end";
    EXPECT_TRUE(run.allEnabled) << "controls left disabled";
    EXPECT_EQ(run.status, "");
    if (run.dialogs.empty()) {
        ADD_FAILURE() << "the request ended without a word";
        return "";
    }
    const std::string& last = run.dialogs.back().text;
    for (size_t i = 0; i + 1 < run.dialogs.size(); i++)
        EXPECT_EQ(run.dialogs[i].text, kConfirm) << "only the confirmation may come before the closing message";
    for (const auto& d : run.dialogs) EXPECT_FALSE(d.controlsEnabled);
    const bool confirmed = run.dialogs.size() > 1;

    EXPECT_EQ(run.returned, run.successShown);
    if (run.successShown) {
        EXPECT_TRUE(last == kSuccess || last == kSuccessTrayClosed) << last;
        // Success only when the disc has lost at least what a clean run takes from it.
        EXPECT_TRUE(Covers(run.erasedAtSuccess, clean.erasedAtSuccess)) << "success shown for an incomplete erase";
        // The tray question is asked exactly when the program could not open the tray.
        EXPECT_EQ(last == kSuccess, run.trayOpen) << last;
        return last;
    }
    if (last == kIncompleteText) {
        EXPECT_TRUE(confirmed);
        EXPECT_EQ(run.dialogs.back().caption, "Error ...");
    } else if (IsCheckRefusal(last)) {
        EXPECT_FALSE(confirmed) << last;
        EXPECT_EQ(run.eraseCommands, 0u) << last;
    } else if (last == kNotSupported || last == kNoFeature) {
        // Said only when the drive was not asked to erase anything of the disc.
        EXPECT_EQ(run.erasures, 0u) << last;
    } else {
        ADD_FAILURE() << "unexpected closing message: " << last;
    }
    // Once the drive has erased anything, a failed request says that the erase is incomplete.
    if (run.erasures > 0) {
        EXPECT_EQ(last, kIncompleteText);
    }
    return last;
}

class FaultMatrix : public testing::TestWithParam<ErasePath> {};

TEST_P(FaultMatrix, EveryCommandEveryFault) {
    const ErasePath& path = GetParam();
    Outcome clean = Request(path, nullptr);
    ASSERT_TRUE(clean.returned) << "the clean run must succeed";
    ASSERT_FALSE(clean.erasedAtSuccess.Intervals().empty());

    Tally tally;
    for (const Target& t : Targets(clean.sent)) {
        for (Injected injected : kInjected) {
            SCOPED_TRACE(std::string(path.name) + ": " + Name(injected) + " on " + t.what + " (occurrence " +
                         std::to_string(t.occurrence) + ")");
            emu::FaultRule rule = RuleFor(t.opcode, t.occurrence, injected);
            Outcome run = Request(path, &rule);
            // The fault hit the command it was meant for: the runs agree up to it.
            ASSERT_GT(run.sent.size(), t.index);
            EXPECT_TRUE(run.sent[t.index].faulted);
            EXPECT_EQ(run.sent[t.index].Hex(), clean.sent[t.index].Hex());
            std::string last = CheckRequest(run, clean);
            tally.cases++;
            if (run.successShown) tally.success++;
            else if (last == kIncompleteText) tally.incomplete++;
            else tally.error++;
        }
    }
    std::printf("fault matrix: %s: %d cases, %d success, %d incomplete, %d error\n", path.name, tally.cases,
                tally.success, tally.incomplete, tally.error);
    EXPECT_GT(tally.success, 0);
    EXPECT_GT(tally.incomplete, 0);
}

std::string TestName(const testing::TestParamInfo<ErasePath>& info) {
    std::string n;
    for (const char* p = info.param.name; *p; p++) {
        char c = *p;
        n += (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ? c : c == '+' ? 'p' : '_';
    }
    return n;
}

INSTANTIATE_TEST_SUITE_P(Paths, FaultMatrix, testing::ValuesIn(kPaths), TestName);

}  // namespace
