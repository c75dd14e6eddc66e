#pragma once

#include "core/EnumNames.h"

// Sort direction of a list view column.
enum class TRzLVSortDirection
{
    sdAscending,
    sdDescending,
};

template <>
struct TEnumNames<TRzLVSortDirection>
{
    static constexpr std::array<std::string_view, 2> names{"sdAscending", "sdDescending"};
};
