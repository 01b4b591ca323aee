// One line per command sent, whatever system is behind the device object:
// "DF 1A 00 03 00 00 00 00 08 D0 80 00 dir=2 len=0 -> result=1 sense=0/00/00".
#pragma once

#include <cstdio>
#include <string>

#include "device/AtapiDevice.h"

std::string FormatTraceLine(const uint8_t cdb[12], uint8_t direction, uint32_t transferLength,
                            const CommandRecord& outcome);

class CommandTrace : public CommandObserver {
public:
    explicit CommandTrace(FILE* out) : out(out) {}
    void CommandSent(const uint8_t cdb[12], uint8_t direction, uint32_t transferLength,
                     const CommandRecord& outcome) override;

private:
    FILE* out;
};
