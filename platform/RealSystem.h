// The system of the platform the program was built for, as the command-line tool uses it.
#pragma once

#include <memory>
#include <string>

#include "platform/System.h"

// The real system, or none with the reason in `error`.
std::unique_ptr<System> CreateRealSystem(std::string& error);
