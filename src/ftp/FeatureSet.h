#pragma once

#include <map>
#include <string>
#include <string_view>

#include "ftp/Reply.h"

namespace ftp {

// The server's answer to FEAT (RFC 2389): feature names matched whole and without
// regard to case ("UTF8" is not "UTF8X"), each with its parameter text.
class FeatureSet final
{
public:
    static FeatureSet fromReply(const Reply& reply);

    bool has(std::string_view name) const;
    // Parameters of a feature ("type*;size*;" of MLST), empty when absent.
    std::string parameters(std::string_view name) const;
    bool empty() const { return m_features.empty(); }
    void clear() { m_features.clear(); }

private:
    std::map<std::string, std::string> m_features; // upper-case name -> parameters
};

} // namespace ftp
