#pragma once

#include <QString>

#include "core/TIdFtpProxyType.h"

// The FTP proxy of a host or of the settings. The password is kept and stored in
// plain text.
struct TIdFtpProxySettings
{
    TIdFtpProxyType ProxyType = TIdFtpProxyType::fpcmNone;
    QString Host;
    int Port = 0;
    QString UserName;
    QString Password;

    friend bool operator==(const TIdFtpProxySettings&, const TIdFtpProxySettings&) = default;
};
