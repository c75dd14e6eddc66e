#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// MVS JES job lists (the server in FILETYPE=JES mode), both interface levels:
//   JOBNAME  JOBID    OWNER    STATUS CLASS
//   IBMUSER1 JOB01906 IBMUSER  OUTPUT A        RC=0000 3 spool files
//   IBMUSER  TSU01830 IBMUSER  ACTIVE TSU
//   IBMUSER1  JOB01906  OUTPUT    3 Spool Files
// Jobs are queue entries named by their job id, the name RETR takes. Spool
// file detail lines of a single job are not entries.
class JesParser final : public StyleParser
{
public:
    std::string_view name() const override { return "jes"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;

private:
    bool m_seenJobs = false; // spool details only follow a header or a job line
};

} // namespace ftp::listing
