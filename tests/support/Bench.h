// The program's window logic on an emulated bay: a scenario, the emulated system, a recording
// view and TfrmMain, with the drive models at hand for inspection.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/FrmMain.h"
#include "emulator/Scenario.h"
#include "support/RecordingView.h"

struct Bench {
    // `tweak` may change the scenario before the bay is built.
    explicit Bench(const std::string& shortScenario, const std::function<void(emu::Scenario&)>& tweak = {},
                   bool create = true) {
        std::string error;
        if (!emu::ParseShortScenario(shortScenario, scenario, error)) ADD_FAILURE() << error;
        if (tweak) tweak(scenario);
        if (!emu::BuildBay(scenario, bay, error)) ADD_FAILURE() << error;
        system = emu::MakeEmulatedSystem(bay);
        form = std::make_unique<TfrmMain>(*system, view);
        if (create) form->FormCreate();
    }

    emu::MmcDrive& Drive(size_t n = 0) { return *bay.models.at(n); }
    emu::Disc& Disc(size_t n = 0) { return *bay.models.at(n)->GetDisc(); }
    AtapiDevice& Device() { return *form->Device(); }
    int64_t Now() { return system->GetClock().NowMicros(); }
    // The CDBs the drive received since the last call, as hex, for commands matching `opcode`
    // (-1: all).
    std::vector<std::string> Sent(int opcode = -1, size_t n = 0) {
        std::vector<std::string> out;
        for (auto& c : Drive(n).Received())
            if (opcode < 0 || c.Opcode() == opcode) out.push_back(c.Hex());
        return out;
    }

    emu::Scenario scenario;
    emu::Bay bay;
    std::unique_ptr<EmulatedSystem> system;
    RecordingView view;
    std::unique_ptr<TfrmMain> form;
};
