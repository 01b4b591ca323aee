// nullburn-bench: what the program costs on an emulated drive that runs in real time. Prints one
// line per figure as "name: value unit".
//
//   nullburn-bench [--quick] [--exe PATH]
//
// --quick lets each drive wait last 3 s instead of 60 s, for a smoke run. --exe names the
// Windows program whose size is reported (default: the win32 build's nullburn.exe).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/FrmMain.h"
#include "emulator/Scenario.h"
#include "tests/support/RecordingView.h"

namespace {

// A window with nothing to do: waiting for a message blocks, as an idle message queue does.
class IdleView : public RecordingView {
public:
    void WaitForMessage(uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Figure(const char* name, double value, const char* unit, int decimals = 2) {
    std::printf("%s: %.*f %s\n", name, decimals, value, unit);
    std::fflush(stdout);
}

// The program on an emulated bay whose clock is real time, or virtual for figures that do not
// depend on time.
struct Rig {
    Rig(const std::string& shortScenario, const std::function<void(emu::Scenario&)>& tweak, bool realTime) {
        std::string error;
        if (!emu::ParseShortScenario(shortScenario, scenario, error)) Fail(error);
        if (tweak) tweak(scenario);
        if (!emu::BuildBay(scenario, bay, error)) Fail(error);
        system = emu::MakeEmulatedSystem(bay, realTime ? std::make_shared<ScaledRealClock>(1.0) : nullptr);
        form = std::make_unique<TfrmMain>(*system, view);
    }
    [[noreturn]] static void Fail(const std::string& error) {
        std::fprintf(stderr, "nullburn-bench: %s\n", error.c_str());
        std::exit(2);
    }
    size_t Commands() const {
        size_t n = 0;
        for (auto& m : bay.models) n += m->Received().size();
        return n;
    }

    emu::Scenario scenario;
    emu::Bay bay;
    std::unique_ptr<EmulatedSystem> system;
    IdleView view;
    std::unique_ptr<TfrmMain> form;
};

// Runs `wait` on a started program and reports the share of one core it used.
bool CpuFigure(const char* name, Rig& rig, const std::function<void()>& prepare, const std::function<void()>& wait) {
    rig.form->FormCreate();
    if (prepare) prepare();
    size_t before = rig.Commands();
    double cpu0 = ProcessCpuSeconds(), wall0 = WallSeconds();
    wait();
    double cpu = ProcessCpuSeconds() - cpu0, wall = WallSeconds() - wall0;
    double share = wall > 0 ? 100.0 * cpu / wall : 0;
    std::string n = name;
    Figure(("cpu " + n).c_str(), share, "% of one core", 3);
    Figure(("duration " + n).c_str(), wall, "s", 1);
    Figure(("commands " + n).c_str(), double(rig.Commands() - before), "commands", 0);
    return share <= 1.0;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 60;
    std::string exe = NULLBURN_DEFAULT_EXE;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--quick") == 0) seconds = 3;
        else if (std::strcmp(argv[i], "--exe") == 0 && i + 1 < argc) exe = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--quick] [--exe PATH]\n", argv[0]);
            return 2;
        }
    }

    // Peak memory first, while nothing else has run: a Full Erase of a BD-R DL, whose bookkeeping
    // is the largest, on a virtual clock.
    {
        Rig rig("range:bd-r-dl", {}, false);
        rig.form->FormCreate();
        if (!rig.form->EraseDisc(false)) Rig::Fail("the Full Erase did not succeed");
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        Figure("peak memory full erase", double(u.ru_maxrss), "KiB", 0);
    }

    // Start-up: the drive scan at a realistic time per command.
    for (int drives : {1, 4, 16}) {
        std::string bay;
        for (int i = 0; i < drives; i++) bay += (i ? "," : "") + std::string("range:dvd+r");
        Rig rig(bay, [](emu::Scenario& s) { s.system.commandLatencyMicros = 2000; }, true);
        double wall0 = WallSeconds();
        rig.form->FormCreate();
        double wall = WallSeconds() - wall0;
        std::string n = "startup " + std::to_string(drives) + (drives == 1 ? " drive" : " drives");
        Figure(n.c_str(), wall * 1000, "ms", 1);
        Figure((n + " commands").c_str(), double(rig.Commands()), "commands", 0);
    }

    bool met = true;
    // A range-erase step the drive takes `seconds` over, followed once a second.
    {
        Rig rig("range:dvd+r", [&](emu::Scenario& s) {
            s.drives[0].drive.eraseSetupMillis = 0;
            s.drives[0].drive.eraseSpeed.dvd = 10'000;
        }, true);
        uint32_t sectors = uint32_t(seconds * 10'000);
        met &= CpuFigure("progress wait", rig, {}, [&] { rig.form->EraseStep(EraseCommand::Lba(0x30000, sectors), 0); });
    }
    // A drive that erases the whole disc by itself for `seconds`.
    {
        Rig rig("whole:dvd+r", [&](emu::Scenario& s) {
            s.drives[0].drive.eraseSetupMillis = int64_t(seconds * 1000);
            s.drives[0].drive.eraseSpeed = {1e12, 1e12, 1e12, 1e12};
        }, true);
        met &= CpuFigure("drive-internal erase wait", rig, [&] { rig.form->Device()->VendorEraseDisc(1, 1); },
                         [&] { rig.form->WaitDriveErase(true); });
    }
    // The disc readiness check while the drive spins a disc up for `seconds`.
    {
        Rig rig("range:dvd+r", [&](emu::Scenario& s) {
            s.drives[0].drive.trayOpen = true;
            s.drives[0].drive.trayMoveMillis = 0;
            s.drives[0].drive.spinUpMillis = int64_t(seconds * 1000) - 500;
        }, true);
        met &= CpuFigure("readiness check", rig, {}, [&] { rig.form->CheckDiscReady(); });
    }
    // The device's own readiness wait (300 ms polls) over the same spin-up.
    {
        Rig rig("range:dvd+r", [&](emu::Scenario& s) {
            s.drives[0].drive.trayOpen = true;
            s.drives[0].drive.trayMoveMillis = 0;
            s.drives[0].drive.spinUpMillis = int64_t(seconds * 1000);
        }, true);
        met &= CpuFigure("readiness wait", rig, [&] { rig.form->Device()->LoadMedium(); },
                         [&] { rig.form->Device()->WaitUntilReady(int(seconds) + 10, 300); });
    }

    std::error_code error;
    auto size = std::filesystem::file_size(exe, error);
    if (error) std::printf("nullburn.exe size: not built\n");
    else Figure("nullburn.exe size", double(size), "bytes", 0);
    return met ? 0 : 1;
}
