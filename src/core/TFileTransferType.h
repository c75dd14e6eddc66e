#pragma once

#include "core/EnumNames.h"

// The FTP transfer type used for a file: ASCII or binary (TYPE A / TYPE I), unknown when not decided.
enum class TFileTransferType
{
    fttUnknown,
    fttASCII,
    fttBinary,
};

template <>
struct TEnumNames<TFileTransferType>
{
    static constexpr std::array<std::string_view, 3> names{"fttUnknown", "fttASCII", "fttBinary"};
};
