#pragma once

#include "core/EnumNames.h"

// How a file list shows its items.
enum class TViewStyle
{
    vsIcon,
    vsSmallIcon,
    vsList,
    vsReport,
};

template <>
struct TEnumNames<TViewStyle>
{
    static constexpr std::array<std::string_view, 4> names{"vsIcon", "vsSmallIcon", "vsList", "vsReport"};
};
