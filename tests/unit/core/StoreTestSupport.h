#pragma once

#include <string>
#include <vector>

#include <QString>
#include <QStringList>

// Plain strings for comparisons whose failure output should be readable.
inline std::string str(const QString& text)
{
    return text.toStdString();
}

inline std::vector<std::string> str(const QStringList& list)
{
    std::vector<std::string> out;
    for (const QString& text : list)
        out.push_back(text.toStdString());
    return out;
}

using Strings = std::vector<std::string>;
