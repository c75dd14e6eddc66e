#pragma once

#include <QString>

// Turns the computer off once the queue has finished (the queue view's "Turn off
// computer after queue finished"). Main thread.
class IShutdown
{
public:
    virtual ~IShutdown() = default;
    // Asks the system to power off; false with `error` set when it refused or
    // could not be asked.
    virtual bool powerOff(QString* error) = 0;
};
