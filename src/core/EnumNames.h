#pragma once

#include <array>
#include <optional>
#include <string_view>

#include <QString>
#include <QStringView>

// Enumerations of the data files are stored by the name of their value
// ("vsReport", "faeAsk"). Each such enumeration specialises TEnumNames with the
// names in value order:
//
//   template <> struct TEnumNames<TViewStyle>
//   { static constexpr std::array<std::string_view, 4> names{"vsIcon", ...}; };
template <typename E>
struct TEnumNames;

template <typename E>
QString EnumToName(E value)
{
    const auto index = static_cast<std::size_t>(value);
    constexpr auto& names = TEnumNames<E>::names;
    return index < names.size() ? QString::fromLatin1(names[index].data(), qsizetype(names[index].size()))
                                : QString();
}

// Names are matched without regard to case; an unknown name gives nothing.
template <typename E>
std::optional<E> EnumFromName(QStringView name)
{
    constexpr auto& names = TEnumNames<E>::names;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const QLatin1String candidate(names[i].data(), qsizetype(names[i].size()));
        if (name.compare(candidate, Qt::CaseInsensitive) == 0)
            return static_cast<E>(i);
    }
    return std::nullopt;
}

template <typename E>
E EnumFromName(QStringView name, E fallback)
{
    return EnumFromName<E>(name).value_or(fallback);
}

// For the few enumerations stored by ordinal; out of range gives nothing.
template <typename E>
std::optional<E> EnumFromOrdinal(qint64 ordinal)
{
    if (ordinal < 0 || ordinal >= qint64(TEnumNames<E>::names.size()))
        return std::nullopt;
    return static_cast<E>(ordinal);
}
