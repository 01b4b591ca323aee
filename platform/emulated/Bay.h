// The emulated drive bay a scenario describes, ready to stand in for the real system.
#pragma once

#include <memory>
#include <string>

#include "platform/emulated/EmulatedSystem.h"

// `scenario` is a short scenario ("range:dvd+r,cdrom:none,whole:cd-r") or the path of a scenario
// file. Time is virtual unless `clock` is given. None, with the reason in `error`, when the
// scenario is malformed.
std::unique_ptr<EmulatedSystem> CreateEmulatedBay(const std::string& scenario, std::string& error,
                                                  std::shared_ptr<Clock> clock = nullptr);
