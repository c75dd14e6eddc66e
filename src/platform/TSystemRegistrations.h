#pragma once

namespace platform {

// The program's registrations with the desktop outside its own files: starting
// with the user's session, handling ftp:// addresses for the browser, and the
// file manager's "upload to host" entry. Each reads as the current state and is
// switched by its setter, which returns whether the change was made.
class TSystemRegistrations
{
public:
    virtual ~TSystemRegistrations() = default;

    virtual bool startWithSystem() const = 0;
    virtual bool setStartWithSystem(bool enabled) = 0;

    virtual bool ftpHandler() const = 0;
    virtual bool setFtpHandler(bool enabled) = 0;

    virtual bool contextMenu() const = 0;
    virtual bool setContextMenu(bool enabled) = 0;
};

} // namespace platform
