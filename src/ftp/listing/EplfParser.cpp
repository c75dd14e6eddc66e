#include "ftp/listing/EplfParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

LineResult EplfParser::parse(Lines lines, std::size_t index, const ParseContext&,
                             std::vector<ListingEntry>& out)
{
    std::string_view line = lines[index];
    if (line.size() < 3 || line[0] != '+')
        return failed();
    std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab + 1 >= line.size())
        return failed();
    std::string_view facts = line.substr(1, tab - 1);
    ListingEntry e;
    bool known = false;
    while (!facts.empty()) {
        std::size_t comma = facts.find(',');
        std::string_view fact = facts.substr(0, comma);
        facts = comma == std::string_view::npos ? std::string_view{} : facts.substr(comma + 1);
        if (fact.empty())
            continue;
        switch (fact[0]) {
        case '/':
            e.type = EntryType::Directory;
            known = true;
            break;
        case 'r':
            known = true;
            break;
        case 's': {
            SizeField size = parseSize(fact.substr(1));
            if (!size.isNumber)
                return failed();
            e.size = size.value;
            known = true;
            break;
        }
        case 'm': {
            SizeField seconds = parseSize(fact.substr(1));
            if (!seconds.isNumber)
                return failed();
            if (seconds.value)
                e.modified = fromUnixSeconds(*seconds.value);
            known = true;
            break;
        }
        default:
            break; // ids, permissions and facts of later versions are not needed
        }
    }
    if (!known)
        return failed();
    e.name = std::string(line.substr(tab + 1));
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
