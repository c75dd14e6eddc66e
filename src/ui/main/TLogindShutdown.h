#pragma once

#include <QDBusMessage>

#include "ui/main/IShutdown.h"

// Powers off through systemd-logind on the system bus
// (org.freedesktop.login1.Manager.PowerOff). The call is not interactive: logind
// decides by its policy whether this session may power off, and never asks for a
// password that nobody would be there to type.
class TLogindShutdown final : public IShutdown
{
public:
    bool powerOff(QString* error) override;

    // The method call sent.
    static QDBusMessage powerOffMessage();
};
