#pragma once

#include "core/EnumNames.h"

// What a transfer does when its target file already exists.
enum class TFileAlreadyExistsAction
{
    faeAsk,
    faeOverwrite,
    faeResume,
    faeSkip,
};

template <>
struct TEnumNames<TFileAlreadyExistsAction>
{
    static constexpr std::array<std::string_view, 4> names{"faeAsk", "faeOverwrite", "faeResume", "faeSkip"};
};
