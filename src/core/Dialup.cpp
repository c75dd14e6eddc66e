#include "core/Dialup.h"

bool DialConnection(const QString& connectionName)
{
    Q_UNUSED(connectionName);
    return true;
}

QStringList DialupConnectionNames()
{
    return {};
}
