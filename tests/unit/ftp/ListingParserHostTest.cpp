// Mainframe and midrange styles: MVS, JES, VM, VSE and AS/400.
#include "ListingTestSupport.h"

using namespace listing_test;

namespace {

class HostListing : public testing::TestWithParam<StyleRow>
{};

TEST_P(HostListing, ParsesRow)
{
    checkRow(GetParam());
}

const std::string kMvsHeader = "Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname\r\n";
const std::string kPdsHeader = " Name     VV.MM   Created       Changed      Size  Init   Mod   Id\r\n";

const StyleRow kHostRows[] = {
    {"MvsSequentialDataSet",
     kMvsHeader + "WYOSPT 3420   2003/05/21  1  200  FB      80  8053  PS  USER.DATA\r\n",
     {file("USER.DATA").at(2003, 5, 21)},
     "mvs"},
    {"MvsPartitionedIsDirectory",
     kMvsHeader + "WPTA01 3290   2004/03/04  1    3  FB      80  3125  PO  USER.PDS\r\n",
     {dir("USER.PDS").at(2004, 3, 4)},
     "mvs"},
    {"MvsExtendedPartitioned",
     kMvsHeader + "WYOSPT 3420   2003/05/21  1 3 U 6447    6447  PO-E USER.PDSE\r\n",
     {dir("USER.PDSE").at(2003, 5, 21)},
     "mvs"},
    {"MvsNoReferredDate",
     kMvsHeader + "NRP004 3390   **NONE**    1   15  NONE     0     0  PO  USER.NODATE\r\n",
     {dir("USER.NODATE")},
     "mvs"},
    {"MvsUsedOverflowMarks",
     kMvsHeader + "WYOSPT 3420   2003/05/21  1 ????  FB      80  8053  PS  USER.BIG1\r\n"
                  "GISBWI 3390   2011/08/25  2 ++++  FB     904 18080  PS  USER.BIG2\r\n",
     {file("USER.BIG1").at(2003, 5, 21), file("USER.BIG2").at(2011, 8, 25)},
     "mvs"},
    {"MvsNoExtentColumn",
     kMvsHeader + "TSO005 3390   2005/06/06 213000 U 0 27998 PO USER.LOAD\r\n",
     {dir("USER.LOAD").at(2005, 6, 6)},
     "mvs"},
    {"MvsVsamMigratedTapeAndPseudoDirectory",
     kMvsHeader + "TSO004 3390   VSAM USER.CLUSTER\r\n"
                  "Migrated                                                USER.OLD\r\n"
                  "V43525 Tape                                             USER.TAPE\r\n"
                  "Pseudo Directory                                        USER.LEVEL\r\n",
     {file("USER.CLUSTER"), file("USER.OLD"), file("USER.TAPE"), dir("USER.LEVEL")},
     "mvs"},
    {"MvsImpossibleReferredDate",
     kMvsHeader + "WYOSPT 3420   2003/02/30  1  200  FB      80  8053  PS  USER.FEB\r\n",
     {file("USER.FEB")},
     "mvs"},
    {"PdsMemberWithStatistics",
     kPdsHeader + "TESTMEM   01.00 2003/02/20 2003/02/22 15:35    5     5     0 USERID\r\n",
     {file("TESTMEM").at(2003, 2, 22, 15, 35)},
     "mvs-pds"},
    {"PdsMemberWithoutStatisticsAfterHeader",
     kPdsHeader + "TESTMEM   01.00 2003/02/20 2003/02/22 15:35    5     5     0 USERID\r\nNOSTATS\r\n",
     {file("TESTMEM").at(2003, 2, 22, 15, 35), file("NOSTATS")},
     "mvs-pds"},
    {"PdsLoadModuleHexSize",
     " Name      Size     TTR   Alias-of AC --------- Attributes --------- Amode Rmode\r\n"
     "PROGRAM   00B308  000411          00 FO                31    ANY\r\n",
     {file("PROGRAM").size(0xB308)},
     "mvs-pds"},
    {"JesLevelTwoWithOwner",
     "JOBNAME  JOBID    OWNER    STATUS CLASS\r\n"
     "IBMUSER1 JOB01906 IBMUSER  OUTPUT A        RC=0000 3 spool files\r\n"
     "IBMUSER  TSU01830 IBMUSER  ACTIVE TSU\r\n"
     "IBMUSER2 J0012345 OTHER    OUTPUT A        ABEND=522 3 spool files\r\n",
     {other("JOB01906").owner("IBMUSER"), other("TSU01830").owner("IBMUSER"),
      other("J0012345").owner("OTHER")},
     "jes"},
    {"JesLevelOne",
     "IBMUSER1  JOB01906  OUTPUT    3 Spool Files\r\nIBMUSER1  JOB01907  ACTIVE\r\n",
     {other("JOB01906"), other("JOB01907")},
     "jes"},
    {"JesSpoolDetailsAreNoEntries",
     "JOBNAME  JOBID    OWNER    STATUS CLASS\r\n"
     "IBMUSER1 JOB01906 IBMUSER  OUTPUT A        RC=0000\r\n"
     "--------\r\n"
     "         ID  STEPNAME PROCSTEP C DDNAME   BYTE-COUNT\r\n"
     "         001 JES2              A JESMSGLG      1200\r\n"
     "3 spool files\r\n",
     {other("JOB01906").owner("IBMUSER")},
     "jes"},
    {"CmsWithFileModeAndShortDate",
     "PROFILE  EXEC     A1 V         17          3          1  9/20/93 11:31:48 WORK\r\n",
     {file("PROFILE.EXEC").at(1993, 9, 20, 11, 31, 48).owner("WORK")},
     "vm-cms"},
    {"CmsFixedRecordsGiveSize",
     "ZVMFILE  TRACE       F        65        107          2 2005-10-04 15:28:42 060191\r\n",
     {file("ZVMFILE.TRACE").size(6955).at(2005, 10, 4, 15, 28, 42).owner("060191")},
     "vm-cms"},
    {"CmsDirectory",
     "SUBDIR   DIR         -         -          -          - 2000-05-05 11:58:19 -\r\n",
     {dir("SUBDIR").at(2000, 5, 5, 11, 58, 19)},
     "vm-cms"},
    {"BfsFileDirectoryAndQuotedLink",
     "11/20/2002 13:42:38        5 F          1 T1.DATA\r\n"
     "11/20/2002 13:42:38        - D          - SUBDIR\r\n"
     "11/20/2002 13:42:38       12 S          1 'link name'\r\n",
     {file("T1.DATA").size(5).at(2002, 11, 20, 13, 42, 38), dir("SUBDIR").at(2002, 11, 20, 13, 42, 38),
      link("link name").size(12).at(2002, 11, 20, 13, 42, 38)},
     "vm-bfs"},
    {"VseRootDirectory",
     "PRD1      LIBRARY\r\nPOWER     POWER\r\nVSAM      VSAM\r\nDOSRES    VTOC\r\n",
     {dir("PRD1"), dir("POWER"), dir("VSAM"), dir("DOSRES")},
     "vse"},
    {"VseLibrarySubLibraries",
     "S U B L I B     CREATION   NUMBER OF   LIBR\r\n"
     "NAME            DATE        MEMBERS    BLKS\r\n"
     "BASE            03-06-03      4512    23000\r\n",
     {dir("BASE").at(2003, 6, 3)},
     "vse"},
    {"VseMembersBytesAndRecords",
     "$$A$SUPI  PHASE   2003-06-03 2003-06-04  51240 B   64\r\n"
     "DTRIINIT  PROC    2002-11-14 -            33 R     2\r\n",
     {file("$$A$SUPI.PHASE").size(51240).at(2003, 6, 4), file("DTRIINIT.PROC").at(2002, 11, 14)},
     "vse"},
    {"VseVsamCatalogueAndVtoc",
     "VSE.MESSAGE.ROUTING.FILE  KSDS  2003-06-03\r\nVSE.POWER.DATA.FILE       SD    2003-06-03  DOSRES\r\n",
     {file("VSE.MESSAGE.ROUTING.FILE").at(2003, 6, 3), file("VSE.POWER.DATA.FILE").at(2003, 6, 3)},
     "vse"},
    {"VsePowerQueue",
     "JOBNAME   NUMBER QUEUE CLASS DISP\r\nPAUSEBG   00012  LST  A  D\r\nPAYROLL   00345  RDR  0  K\r\n",
     {other("PAUSEBG.00012"), other("PAYROLL.00345")},
     "vse"},
    {"As400DirectoryWithSlash",
     "QSYS            77824 02/23/00 15:09:55 *DIR       QOpenSys/\r\n",
     {dir("QOpenSys").size(77824).at(2000, 2, 23, 15, 9, 55).owner("QSYS")},
     "as400"},
    {"As400DayFirstDecidedByAnotherLine",
     "QPGMR           36864 03/09/06 14:21:26 *FILE      FIRST.FILE\r\n"
     "QPGMR           36864 18/09/06 14:21:26 *STMF      second.txt\r\n",
     {file("FIRST.FILE").size(36864).at(2006, 9, 3, 14, 21, 26).owner("QPGMR"),
      file("second.txt").size(36864).at(2006, 9, 18, 14, 21, 26).owner("QPGMR")},
     "as400"},
    {"As400DottedDate",
     "QPGMR           36864 18.09.06 14:21:26 *FILE      AS400.FILE\r\n",
     {file("AS400.FILE").size(36864).at(2006, 9, 18, 14, 21, 26).owner("QPGMR")},
     "as400"},
    {"As400MemberWithoutSizeOrDate",
     "QPGMR                                   *MEM       AS400.FILE/MEMBER.MBR\r\n",
     {file("MEMBER.MBR").owner("QPGMR")},
     "as400"},
    {"As400NameWithSpaces",
     "OWNER          123456 2001/02/03 04:05:06 *STMF      my notes.txt\r\n",
     {file("my notes.txt").size(123456).at(2001, 2, 3, 4, 5, 6).owner("OWNER")},
     "as400"},
};

INSTANTIATE_TEST_SUITE_P(Styles, HostListing, testing::ValuesIn(kHostRows), rowName);

} // namespace
