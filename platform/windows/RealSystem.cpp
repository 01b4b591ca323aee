// The command-line tool's real system on Windows.
#include "platform/RealSystem.h"

#include "platform/windows/WindowsSystem.h"

std::unique_ptr<System> CreateRealSystem(std::string& error) { return std::make_unique<WindowsSystem>(); }
