#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Stratus VOS, in sections for files, directories and links:
//   Files: 2  Blocks: 159
//   w        1 seq       03-06-04 12:12:36  notes.txt
//   w      158 stm       90-05-19 11:53:44  acctng.cobol
//   Dirs: 1
//   m        3  04-07-13 21:15:43  reports
//   Links: 1
//   04-07-13 21:15:43  logs ->  %sys#m2_d01>l3s>db>logs
// An access code, the size in 4096-byte blocks, a file organisation (files
// only), a year-first date and the name. A link target too long for the line
// goes on in the next lines, each starting with "+".
class StratusVosParser final : public StyleParser
{
public:
    std::string_view name() const override { return "stratus-vos"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;

private:
    EntryType m_section = EntryType::File;
};

} // namespace ftp::listing
