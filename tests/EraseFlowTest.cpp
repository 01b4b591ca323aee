// The request behind the two buttons, end to end on the emulated bay: what is sent, what the
// window shows, and that only a complete erase is called a success.
#include "support/Bench.h"

namespace {

using Tweak = std::function<void(emu::Scenario&)>;

constexpr const char* kProbe = "DF 1A FF FF FF FF 00 00 00 00 00 00";
constexpr const char* kSuccess = "The disc has been erased successfully !";
constexpr const char* kNotSupported =
    "Disc not support ! \n\nPlease insert CD-R, DVD+/-R, DVD+/-R DL , BD-R, BD-R DL media.";

emu::FaultRule Fault(int opcode, uint8_t key, uint8_t asc, uint8_t ascq, int skip = 0, int count = 1) {
    emu::FaultRule f;
    f.opcode = opcode;
    f.key = key;
    f.asc = asc;
    f.ascq = ascq;
    f.skip = skip;
    f.count = count;
    return f;
}

// The erase commands (DCh, DFh) the drive received.
std::vector<std::string> EraseCommands(Bench& b) {
    std::vector<std::string> out;
    for (auto& c : b.Drive().Received())
        if (c.Opcode() == 0xDF || c.Opcode() == 0xDC) out.push_back(c.Hex());
    return out;
}

TEST(EraseCommands, SentInOrderForEachProcedure) {
    struct Case {
        const char* name;
        const char* scenario;
        bool quick;
        std::vector<std::string> commands;
        int max;
    } cases[] = {
        {"DVD+R, Quick", "range:dvd+r", true,
         {kProbe, "DF 1A 00 03 00 00 00 00 08 D0 80 00", "DF 1A 00 02 00 00 00 01 00 00 80 00"}, 200},
        {"DVD-R DL, Quick, with the layer-1 region", "range:dvd-r-dl", true,
         {kProbe, "DF 1A 00 03 00 00 00 00 08 D0 80 00", "DF 1A 00 02 00 00 00 01 00 00 80 00",
          "DF 1A FF FD A5 E0 00 00 0B C0 80 00"},
         300},
        {"DVD+R DL, Quick, no layer-1 region", "range:dvd+r-dl", true,
         {kProbe, "DF 1A 00 03 00 00 00 00 08 D0 80 00", "DF 1A 00 02 00 00 00 01 00 00 80 00"}, 200},
        {"CD-R, Quick: the lead-in from ATIP 97:26:66", "range:cd-r", true,
         {kProbe, "DF 1A 00 00 02 00 00 00 08 D0 80 00", "DF 1A FF 61 0D 29 00 00 31 59 80 00"}, 200},
        {"BD-R, Full", "range:bd-r", false, {kProbe, "DF 1A 00 02 00 00 00 C8 91 80 80 00"}, 100},
        {"BD-R DL, Quick", "range:bd-r-dl", true,
         {kProbe, "DF 1A 00 10 00 00 00 00 10 00 80 00", "DF 1A 00 02 00 00 00 0E 00 00 80 00",
          "DF 1A 00 CA 74 00 00 00 1D 80 80 00", "DF 1A 01 35 6E 80 00 00 1D 80 80 00",
          "DF 1A 01 F0 00 00 00 02 40 00 80 00"},
         500},
        {"whole-disc drive, Quick", "whole:cd-r", true, {kProbe, "DC 01 01 00 00 00 00 00 00 00 00 00"}, 240},
        {"whole-disc drive, Full", "whole:dvd+r", false, {kProbe, "DC 01 00 00 00 00 00 00 00 00 00 00"}, 800},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(c.scenario);
        EXPECT_TRUE(b.form->EraseDisc(c.quick));
        EXPECT_EQ(EraseCommands(b), c.commands);
        ASSERT_FALSE(b.view.maxHistory.empty());
        EXPECT_EQ(b.view.maxHistory.back(), c.max);
        EXPECT_EQ(b.view.DialogTexts().back(), kSuccess);
    }
}

TEST(RangeErase, ProgressStatusAndDialogsThroughARun) {
    Bench b("range:dvd+r");
    ASSERT_TRUE(b.form->EraseDisc(true));
    const std::vector<int>& p = b.view.progressHistory;
    ASSERT_GE(p.size(), 4u);
    EXPECT_EQ(p.front(), 0);
    EXPECT_EQ(p[p.size() - 2], 200);  // Max at the end
    EXPECT_EQ(p.back(), 0);           // and back to 0
    for (size_t i = 1; i + 1 < p.size(); i++) EXPECT_LE(p[i - 1], p[i]) << i;
    // The drive's own progress shows inside each step's slice, and each step ends on its slice.
    EXPECT_TRUE(std::any_of(p.begin(), p.end(), [](int v) { return v > 0 && v < 100; }));
    EXPECT_TRUE(std::any_of(p.begin(), p.end(), [](int v) { return v > 100 && v < 200; }));
    EXPECT_NE(std::find(p.begin(), p.end(), 100), p.end());
    EXPECT_EQ(b.view.statusHistory,
              (std::vector<std::string>{" Checking disc, please wait ...", " Recognizing disc, please wait ...",
                                        " Disc is ready !", " Processing ...", " Erasing ...", ""}));
    ASSERT_EQ(b.view.dialogs.size(), 2u);
    const ShownDialog& confirm = b.view.dialogs[0];
    EXPECT_EQ(confirm.caption, "Confirm ...");
    EXPECT_EQ(confirm.text, "Do you really want to erase your disc ?");
    EXPECT_EQ(confirm.buttons, 2);
    EXPECT_EQ(confirm.icon, kIconHelp);
    EXPECT_EQ(confirm.captionColor, 0u);
    EXPECT_FALSE(confirm.controlsEnabled);
    const ShownDialog& done = b.view.dialogs[1];
    EXPECT_EQ(done.caption, "Information ...");
    EXPECT_EQ(done.buttons, 1);
    EXPECT_EQ(done.icon, kIconInformation);
    EXPECT_TRUE(b.Drive().TrayOpen());
    EXPECT_TRUE(b.view.AllEnabled());
    EXPECT_EQ(b.view.statusPanel, "");
}

TEST(RangeErase, TrayThatDoesNotOpenAsksTheUserToTakeItOutAndIn) {
    Bench b("range:dvd+r", [](emu::Scenario& s) { s.drives[0].drive.faults.push_back(Fault(0x1B, 2, 0x53, 0x02)); });
    EXPECT_TRUE(b.form->EraseDisc(false));
    EXPECT_EQ(b.view.DialogTexts().back(),
              "The disc has been erased successfully !\nPlease tray out/in to refresh the computer");
}

// A drive that erases the whole disc by itself and takes `seconds` to do it.
Tweak WholeDiscTaking(int64_t seconds) {
    return [seconds](emu::Scenario& s) {
        s.drives[0].drive.eraseSetupMillis = seconds * 1000;
        s.drives[0].drive.eraseSpeed = {1e12, 1e12, 1e12, 1e12};
    };
}

TEST(WholeDiscErase, ProgressByElapsedTime) {
    struct Case {
        const char* name;
        bool quick;
        int64_t seconds;
        int highestBefore, lowestBefore;  // the bar's position when the drive reports ready
        bool pleaseWait;
    } cases[] = {
        {"Quick, 100 s", true, 100, 194, 194, true},
        {"Full, 60 s", false, 60, 241, 230, false},
        {"ready at once", true, 0, 0, 0, false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b("whole:cd-r", WholeDiscTaking(c.seconds));
        ASSERT_TRUE(b.form->EraseDisc(c.quick));
        const std::vector<int>& p = b.view.progressHistory;
        ASSERT_GE(p.size(), 2u);
        int max = c.quick ? 240 : 800;
        EXPECT_EQ(p[p.size() - 2], max);
        EXPECT_EQ(p.back(), 0);
        int before = p.size() >= 3 ? p[p.size() - 3] : 0;
        EXPECT_LE(before, c.highestBefore);
        EXPECT_GE(before, c.lowestBefore);
        auto& s = b.view.statusHistory;
        bool erasing = std::find(s.begin(), s.end(), " Erasing ...") != s.end();
        bool wait = std::find(s.begin(), s.end(), " Please wait ...") != s.end();
        EXPECT_EQ(erasing, c.seconds > 16);
        EXPECT_EQ(wait, c.pleaseWait);
        EXPECT_EQ(b.view.DialogTexts().back(), kSuccess);
    }
}

struct CheckCase {
    const char* name;
    const char* scenario;
    Tweak tweak;
    DiscCheckResult result;
    int prompts;
    bool verifying;  // " Verifying disc, please wait ..." was shown
};

TEST(CheckDiscReady, TrayReadinessAndMedia) {
    auto manualTray = [](int pushAfter) {
        return [pushAfter](emu::Scenario& s) {
            s.drives[0].drive.trayOpen = true;
            s.drives[0].drive.trayLoad = emu::TrayLoad::Manual;
            s.drives[0].drive.userPushesAfterRefusals = pushAfter;
        };
    };
    auto spinningFor = [](int64_t ms) {
        return [ms](emu::Scenario& s) {
            s.drives[0].drive.trayOpen = true;
            s.drives[0].drive.spinUpMillis = ms;
        };
    };
    const CheckCase cases[] = {
        {"ready at once", "range:cd-r", {}, DiscCheckResult::Ready, 0, false},
        {"the drive closes its tray", "range:cd-r", [](emu::Scenario& s) { s.drives[0].drive.trayOpen = true; },
         DiscCheckResult::Ready, 0, false},
        {"three prompts, then no disc", "range:none", manualTray(-1), DiscCheckResult::NotPresent, 3, false},
        {"pushed in after two prompts", "range:cd-r", manualTray(2), DiscCheckResult::Ready, 2, false},
        {"45 s to become ready", "range:dvd+r", spinningFor(45'000), DiscCheckResult::Ready, 0, true},
        {"70 s is too long", "range:dvd+r", spinningFor(70'000), DiscCheckResult::NotReady, 0, true},
        {"load refused for another reason", "range:cd-r",
         [](emu::Scenario& s) {
             s.drives[0].drive.trayOpen = true;
             s.drives[0].drive.faults.push_back(Fault(0x1B, 4, 0x44, 0));
         },
         DiscCheckResult::TrayError, 0, false},
        {"DVD+RW", "range:dvd+rw", {}, DiscCheckResult::NotSupported, 0, false},
        {"CD-RW", "range:cd-rw", {}, DiscCheckResult::NotSupported, 0, false},
        {"BD-RE", "range:bd-re", {}, DiscCheckResult::NotSupported, 0, false},
        {"DVD-ROM", "range:dvd-rom", {}, DiscCheckResult::Ready, 0, false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(c.scenario, c.tweak);
        EXPECT_EQ(b.form->CheckDiscReady(), c.result);
        int prompts = 0;
        for (auto& d : b.view.dialogs) {
            if (d.text == "Please put tray in ... ") {
                prompts++;
                EXPECT_EQ(d.caption, "Information ...");
                EXPECT_EQ(d.icon, kIconInformation);
            }
        }
        EXPECT_EQ(prompts, c.prompts);
        auto& s = b.view.statusHistory;
        EXPECT_EQ(std::find(s.begin(), s.end(), " Verifying disc, please wait ...") != s.end(), c.verifying);
        if (c.result == DiscCheckResult::Ready) {
            EXPECT_EQ(b.view.statusPanel, " Disc is ready !");
        }
    }
}

struct FlowCase {
    const char* name;
    const char* scenario;
    Tweak tweak;
    std::vector<std::string> dialogs;
    bool erased;
    bool trayOpenAfter;
};

TEST(EraseRequest, EveryEndHasItsDialogAndEnablesTheControls) {
    const FlowCase cases[] = {
        {"no disc", "range:none", {}, {"Disc not present ! "}, false, false},
        {"tray in error", "range:cd-r",
         [](emu::Scenario& s) {
             s.drives[0].drive.trayOpen = true;
             s.drives[0].drive.faults.push_back(Fault(0x1B, 4, 0x44, 0));
         },
         {"Tray in error ! "}, false, true},
        {"not ready", "range:dvd+r",
         [](emu::Scenario& s) {
             s.drives[0].drive.trayOpen = true;
             s.drives[0].drive.spinUpMillis = 70'000;
         },
         {"Disc not ready ! \n\nPlease check the disc."}, false, false},
        {"rewritable disc: the tray opens first", "range:dvd+rw", {}, {kNotSupported}, false, true},
        {"range drive, disc without a procedure", "range:dvd-rom", {},
         {"Do you really want to erase your disc ?", kNotSupported}, false, true},
        {"drive refuses the whole-disc erase", "plain:cd-r", {},
         {"Do you really want to erase your disc ?", "Your drive may not support this feature."}, false, false},
        {"probe 5/21h/01h is no range-erase drive", "range:cd-r",
         [](emu::Scenario& s) { s.drives[0].drive.faults.push_back(Fault(0xDF, 5, 0x21, 0x01)); },
         {"Do you really want to erase your disc ?", "Your drive may not support this feature."}, false, false},
        {"probe accepted: whole-disc path", "whole:cd-r",
         [](emu::Scenario& s) {
             emu::FaultRule ok = Fault(0xDF, 0, 0, 0);
             ok.action = emu::FaultAction::Sense;  // key 0: completes without error
             s.drives[0].drive.faults.push_back(ok);
         },
         {"Do you really want to erase your disc ?", kSuccess}, true, true},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(c.scenario, c.tweak);
        EXPECT_EQ(b.form->EraseDisc(true), c.erased);
        EXPECT_EQ(b.view.DialogTexts(), c.dialogs);
        EXPECT_EQ(b.Drive().TrayOpen(), c.trayOpenAfter);
        EXPECT_TRUE(b.view.AllEnabled());
        EXPECT_EQ(b.view.statusPanel, "");
        for (auto& d : b.view.dialogs) {
            if (d.caption == "Error ...") {
                EXPECT_EQ(d.buttons, 1);
                EXPECT_EQ(d.icon, kIconStop);
            }
            EXPECT_FALSE(d.controlsEnabled);
        }
    }
}

TEST(EraseRequest, CancelAtTheConfirmationSendsNothingMore) {
    Bench b("range:dvd+r");
    b.view.answers = {kModalCancel};
    size_t atConfirmation = 0;
    b.view.onDialog = [&](const ShownDialog&) { atConfirmation = b.Drive().Received().size(); };
    EXPECT_FALSE(b.form->EraseDisc(false));
    EXPECT_EQ(b.Drive().Received().size(), atConfirmation);
    EXPECT_EQ(b.view.dialogs.size(), 1u);
    EXPECT_TRUE(b.Drive().Erasures().empty());
    EXPECT_TRUE(b.view.AllEnabled());
}

TEST(IncompleteRun, NeverEndsWithTheSuccessMessage) {
    const FlowCase cases[] = {
        {"an erase command refused", "range:dvd+r",
         [](emu::Scenario& s) { s.drives[0].drive.faults.push_back(Fault(0xDF, 5, 0x24, 0, 1)); }, {}, false, true},
        {"the progress wait ends on a medium error", "range:dvd+r",
         [](emu::Scenario& s) {
             emu::FaultRule f = Fault(0x00, 3, 0x11, 0);
             f.whileErasing = true;
             s.drives[0].drive.faults.push_back(f);
         },
         {}, false, true},
        {"a track's information cannot be read", "range:cd-r",
         [](emu::Scenario& s) { s.drives[0].drive.faults.push_back(Fault(0x52, 5, 0x24, 0)); }, {}, false, true},
        {"the BD layer count cannot be read", "range:bd-r",
         // The disc information reads of the identification and of the procedure's own queries
         // go through; from the layer count that chooses the steps after the tracks on, they fail.
         [](emu::Scenario& s) {
             emu::FaultRule f = Fault(0xAD, 5, 0x24, 0, 9, 0);
             f.subcode = 0x01;
             s.drives[0].drive.faults.push_back(f);
         },
         {}, false, true},
        // The drive is still busy with its erase, so it keeps its tray closed.
        {"a whole-disc drive reports a medium error", "whole:cd-r",
         [](emu::Scenario& s) {
             emu::FaultRule f = Fault(0x00, 3, 0x11, 0);
             f.whileErasing = true;
             s.drives[0].drive.faults.push_back(f);
         },
         {}, false, false},
        {"a failed preparatory read", "range:dvd+r",
         [](emu::Scenario& s) { s.drives[0].drive.faults.push_back(Fault(0x51, 5, 0x24, 0)); }, {}, false, false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(c.scenario, c.tweak);
        EXPECT_FALSE(b.form->EraseDisc(true));
        ASSERT_FALSE(b.view.dialogs.empty());
        const ShownDialog& last = b.view.dialogs.back();
        EXPECT_EQ(last.caption, "Error ...");
        EXPECT_EQ(last.text, kIncompleteText);
        EXPECT_EQ(last.icon, kIconStop);
        for (auto& t : b.view.DialogTexts()) EXPECT_NE(t, kSuccess);
        EXPECT_EQ(b.Drive().TrayOpen(), c.trayOpenAfter);
        EXPECT_TRUE(b.view.AllEnabled());
    }
}

TEST(WholeDiscErase, NoDiscAtTheEndCountsAsDone) {
    Bench b("whole:cd-r", [](emu::Scenario& s) {
        emu::FaultRule f = Fault(0x00, 2, 0x3A, 0);
        f.whileErasing = true;
        s.drives[0].drive.faults.push_back(f);
    });
    EXPECT_TRUE(b.form->EraseDisc(true));
    EXPECT_EQ(b.view.DialogTexts().back().rfind(kSuccess, 0), 0u);
}

TEST(ClosingTheWindow, StopsTheRequestBeforeItsNextCommand) {
    Bench b("range:dvd+r");
    size_t atClose = 0;
    b.view.onMessages = [&] {
        if (!b.form->CloseRequested() && b.Drive().Erasing()) {
            b.form->RequestClose();
            atClose = b.Drive().Received().size();
        }
    };
    EXPECT_FALSE(b.form->EraseDisc(true));
    EXPECT_TRUE(b.form->CloseRequested());
    EXPECT_FALSE(b.form->RequestRunning());
    EXPECT_GT(atClose, 0u);
    EXPECT_EQ(b.Drive().Received().size(), atClose);
    for (auto& t : b.view.DialogTexts()) EXPECT_NE(t, kSuccess);
    b.form.reset();  // the device goes only now, after the request has returned
}

TEST(HelpTexts, EnterReplacesLeaveClears) {
    Bench b("range:none");
    EXPECT_EQ(b.view.helpText, "");
    b.form->BtnQuickMouseEnter();
    EXPECT_EQ(b.view.helpText.rfind("Quick Erase will only erase", 0), 0u);
    // Straight from one button onto the other: the other's enter comes after this one's leave.
    b.form->BtnQuickMouseExit();
    b.form->BtnFullMouseEnter();
    EXPECT_EQ(b.view.helpText.rfind("Full Erase will erase all", 0), 0u);
    EXPECT_NE(b.view.helpText.find("\n\nFull Erase takes a longer time"), std::string::npos);
    b.form->BtnFullMouseExit();
    EXPECT_EQ(b.view.helpText, "");
}

}  // namespace
