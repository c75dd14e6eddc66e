#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Sterling Connect:Enterprise mailboxes: a flag field of 13 characters, the
// batch status, the mailbox id and the batch number, then size, date and name
// as in "ls -l":
//   -C--E-----FTP B QUA1I1      18128       41 Aug 12 13:56 QUADTEST
//   -C--E-----FTP A BCC3I1       7670  1294495 Jan 13 07:42 monthly report.txt
// The mailbox id becomes the owner.
class ConnectEnterpriseParser final : public StyleParser
{
public:
    std::string_view name() const override { return "connect-enterprise"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
