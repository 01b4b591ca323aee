// The command-line tool's real system on Linux.
#include "platform/RealSystem.h"

#include "platform/linux/LinuxSystem.h"

namespace {
// The kernel outlives every system made here.
RealLinuxKernel theKernel;
}  // namespace

std::unique_ptr<System> CreateRealSystem(std::string& error) { return std::make_unique<LinuxSystem>(theKernel); }
