#pragma once

#include "platform/TSystemRegistrations.h"

namespace platform {

// Registrations on a desktop the program does not integrate with yet: nothing is
// registered and every change is declined.
class TInactiveRegistrations final : public TSystemRegistrations
{
public:
    bool startWithSystem() const override { return false; }
    bool setStartWithSystem(bool) override { return false; }

    bool ftpHandler() const override { return false; }
    bool setFtpHandler(bool) override { return false; }

    bool contextMenu() const override { return false; }
    bool setContextMenu(bool) override { return false; }
};

} // namespace platform
