#pragma once

#include <QObject>
#include <QString>

#include "core/THost.h"

// The browsing session as the main window sees it: the flags the worker's events
// set, the window's own copy of the host and the home directory. The panes read
// it for their enabling rules and are told of every change (changed()).
// Main thread only.
class TBrowsingState final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool connected() const { return m_connected; }
    bool loggedIn() const { return m_loggedIn; }
    bool busy() const { return m_busy; }
    // Remote actions may start: logged in and the worker idle.
    bool isAuthenticated() const { return m_loggedIn && !m_busy; }

    void setConnected(bool on) { set(m_connected, on); }
    void setLoggedIn(bool on) { set(m_loggedIn, on); }
    void setBusy(bool on) { set(m_busy, on); }

    // The window's copy of the session's host (bookmarks are added to it).
    THost& host() { return m_host; }
    const THost& host() const { return m_host; }
    QString homeDirectory;

signals:
    void changed();

private:
    void set(bool& flag, bool on)
    {
        if (flag == on)
            return;
        flag = on;
        emit changed();
    }

    bool m_connected = false;
    bool m_loggedIn = false;
    bool m_busy = false;
    THost m_host;
};
