#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// KA9Q NOS and its descendants (packet-radio TCP/IP for DOS), one or two
// entries to a line, separated by three blanks:
//   autoexec.bat     1,024 12:40  2/01/95   command.com     54,619 18:00  4/09/91
//   spool/                 16:30  8/05/93
//   5 files. 12,345,678 bytes free. Disk size 40,000,000 bytes.
// A trailing slash marks a directory, which has no size; the last line is a
// summary, not an entry.
class Ka9qParser final : public StyleParser
{
public:
    std::string_view name() const override { return "ka9q"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
