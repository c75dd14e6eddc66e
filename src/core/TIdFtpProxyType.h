#pragma once

#include "core/EnumNames.h"

// Kinds of FTP proxy. The ordinals are stored in the host files and must not change.
enum class TIdFtpProxyType
{
    fpcmNone,
    fpcmUserSite,
    fpcmSite,
    fpcmOpen,
    fpcmUserPass,
    fpcmTransparent,
    fpcmHttpProxyWithFtp,
    fpcmCustomProxy,
};

template <>
struct TEnumNames<TIdFtpProxyType>
{
    static constexpr std::array<std::string_view, 8> names{
        "fpcmNone",        "fpcmUserSite",         "fpcmSite",       "fpcmOpen", "fpcmUserPass",
        "fpcmTransparent", "fpcmHttpProxyWithFtp", "fpcmCustomProxy"};
};
