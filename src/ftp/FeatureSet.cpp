#include "ftp/FeatureSet.h"

#include <cctype>

namespace ftp {

namespace {

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

FeatureSet FeatureSet::fromReply(const Reply& reply)
{
    FeatureSet set;
    if (reply.code != 211)
        return set;
    // The first and last lines carry the code; the features are the lines between.
    for (std::size_t i = 1; i + 1 < reply.lines.size(); ++i) {
        std::string_view line = reply.lines[i];
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        std::size_t space = line.find(' ');
        std::string name = upper(line.substr(0, space));
        std::string params =
            space == std::string_view::npos ? std::string() : std::string(line.substr(space + 1));
        set.m_features.emplace(std::move(name), std::move(params));
    }
    return set;
}

bool FeatureSet::has(std::string_view name) const
{
    return m_features.count(upper(name)) != 0;
}

std::string FeatureSet::parameters(std::string_view name) const
{
    auto it = m_features.find(upper(name));
    return it == m_features.end() ? std::string() : it->second;
}

} // namespace ftp
