// The message pump of a Win32 program: dispatches the calling thread's window messages.
#pragma once

#include "platform/System.h"

class Win32MessagePump : public MessagePump {
public:
    // Dispatches every pending message. A WM_QUIT is put back and ends the pass, so that the
    // application's own message loop still sees it and ends the program.
    void ProcessMessages() override;
    // Sleeps in the kernel until input arrives or the time is up; never polls.
    void WaitForMessage(uint32_t milliseconds) override;
};
