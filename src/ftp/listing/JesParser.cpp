#include "ftp/listing/JesParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"

namespace ftp::listing {

namespace {

// JOB01906, TSU01830, STC00012, or J0012345 with seven digits.
bool isJobId(std::string_view s)
{
    if (s.size() == 8 && (s.starts_with("JOB") || s.starts_with("TSU") || s.starts_with("STC")))
        return isDigits(s.substr(3));
    return s.size() == 8 && (s[0] == 'J' || s[0] == 'T' || s[0] == 'S') && isDigits(s.substr(1));
}

bool isStatus(std::string_view s)
{
    return s == "OUTPUT" || s == "ACTIVE" || s == "INPUT" || s == "HELD" || s == "OUTPUT*" || s == "ABEND";
}

} // namespace

LineResult JesParser::parse(Lines lines, std::size_t index, const ParseContext&,
                            std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.empty())
        return ignored();
    if (t.size() >= 3 && t.text(0) == "JOBNAME" && t.text(1) == "JOBID") {
        m_seenJobs = true;
        return ignored();
    }
    // Spool file details of one job, and their separators.
    if (m_seenJobs && (t.text(0).find_first_not_of('-') == std::string_view::npos ||
                       (t.size() >= 3 && t.text(0) == "ID" && t.text(1) == "STEPNAME") ||
                       (t.size() >= 3 && isDigits(t.text(0)) && t.text(0).size() == 3) ||
                       (t.size() == 3 && isDigits(t.text(0)) && equalsNoCase(t.text(1), "spool"))))
        return ignored();
    if (t.size() < 3 || !isJobId(t.text(1)))
        return failed();
    ListingEntry e;
    e.type = EntryType::Other;
    e.name = std::string(t.text(1));
    if (isStatus(t.text(2))) {
        // Level 1: job name, id, status.
    } else if (t.size() >= 4 && isStatus(t.text(3))) {
        e.owner = std::string(t.text(2));
    } else {
        return failed();
    }
    out.push_back(std::move(e));
    m_seenJobs = true;
    return entry();
}

} // namespace ftp::listing
