#pragma once

#include <QString>
#include <QStringList>

// Dial-up networking before a connection. Linux has no dial-up entries: the
// machine counts as online, nothing is dialled and the result is true (a
// connection attempt then fails or succeeds on its own).
bool DialConnection(const QString& connectionName);

// Names of the dial-up entries the user can choose; none on Linux.
QStringList DialupConnectionNames();
