#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// The MS-DOS style of Windows NT / IIS servers:
//   04-27-00  09:09PM       <DIR>          licensed
//   04-14-00  03:47PM                  589 readme.htm
//   2002-09-02  19:06                9,730 report.doc
// 12- and 24-hour times, two- and four-digit years, grouped sizes. Whether a
// listing writes month or day first is decided from all its lines.
class WindowsNtParser final : public StyleParser
{
public:
    std::string_view name() const override { return "windows-nt"; }
    void prepare(Lines lines) override;
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;

private:
    bool m_dayFirst = false;
};

} // namespace ftp::listing
