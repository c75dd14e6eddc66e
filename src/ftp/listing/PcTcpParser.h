#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// FTP Software's PC/TCP ftpsrv (DOS):
//        40774              IO.SYS   Tue May 31 06:22:00 1994
//   <dir>                     UTIL   Thu Feb 20 09:55:02 2003
// Size or "<dir>", the name, then a ctime()-style date.
class PcTcpParser final : public StyleParser
{
public:
    std::string_view name() const override { return "pc-tcp"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
