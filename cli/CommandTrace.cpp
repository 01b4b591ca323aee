#include "cli/CommandTrace.h"

std::string FormatTraceLine(const uint8_t cdb[12], uint8_t direction, uint32_t transferLength,
                            const CommandRecord& outcome) {
    char line[128];
    int n = 0;
    for (int i = 0; i < 12; i++) n += std::snprintf(line + n, sizeof line - size_t(n), i ? " %02X" : "%02X", cdb[i]);
    std::snprintf(line + n, sizeof line - size_t(n), " dir=%u len=%u -> result=%u sense=%X/%02X/%02X", direction,
                  transferLength, outcome.result, outcome.senseKey, outcome.asc, outcome.ascq);
    return line;
}

void CommandTrace::CommandSent(const uint8_t cdb[12], uint8_t direction, uint32_t transferLength,
                               const CommandRecord& outcome) {
    std::fprintf(out, "%s\n", FormatTraceLine(cdb, direction, transferLength, outcome).c_str());
    std::fflush(out);
}
