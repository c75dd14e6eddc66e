#include <atomic>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "core/TMessageTexts.h"
#include "core/TTranslationTable.h"

namespace {

TTranslationTable tableFrom(const QByteArray& text)
{
    TTranslationTable table;
    const auto result = table.loadFromData(text, QStringLiteral("test.lang"));
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    return table;
}

const QByteArray kSmallTable = "# sample\n"
                               "languages\tEnglish\tSvenska\n"
                               "[stCaptions]\n"
                               "ConnectAction\tConnect\tAnslut\n"
                               "AboutAction\tAbout...\t\n"
                               "[stStrings]\n"
                               "IDS_44\tNow connecting to %s..\tAnsluter nu till %s..\n"
                               "IDS_53\tAre you sure?\t\n"
                               "IDS_54\tFirst. \\n\\nSecond\\tTab \\\\ end\tF\xC3\xB6rsta\n";

std::string str(const QString& s)
{
    return s.toStdString();
}

TTranslationTable mainTable()
{
    TTranslationTable table;
    const auto result = table.loadWindowTable(QStringLiteral("MainForm"));
    EXPECT_TRUE(result.ok) << str(result.error);
    return table;
}

} // namespace

// --- Lookup rules --------------------------------------------------------------

TEST(TranslationTableLookup, UnknownKeyGivesEmptyText)
{
    TTranslationTable table = tableFrom(kSmallTable);
    EXPECT_EQ(table.GetText(QStringLiteral("IDS_999")), QString());
    EXPECT_FALSE(table.property(TTranslationSection::stCaptions, QStringLiteral("NoSuchAction")));
    // A caption key is not a message key.
    EXPECT_EQ(table.GetText(QStringLiteral("ConnectAction")), QString());
    EXPECT_EQ(TTranslationTable().GetText(QStringLiteral("IDS_44")), QString());
}

TEST(TranslationTableLookup, KeysIgnoreCase)
{
    TTranslationTable table = tableFrom(kSmallTable);
    const QString expected = QStringLiteral("Now connecting to %s..");
    EXPECT_EQ(table.GetText(QStringLiteral("IDS_44")), expected);
    EXPECT_EQ(table.GetText(QStringLiteral("ids_44")), expected);
    EXPECT_EQ(table.GetText(QStringLiteral("Ids_44")), expected);
    EXPECT_EQ(table.property(TTranslationSection::stCaptions, QStringLiteral("connectaction")),
              QStringLiteral("Connect"));
}

TEST(TranslationTableLookup, EmptySwedishMessageFallsBackToEnglish)
{
    TTranslationTable table = tableFrom(kSmallTable);
    ASSERT_TRUE(table.SetLanguage(QStringLiteral("Svenska")));
    EXPECT_EQ(table.GetText(QStringLiteral("IDS_44")), QStringLiteral("Ansluter nu till %s.."));
    EXPECT_EQ(table.GetText(QStringLiteral("IDS_53")), QStringLiteral("Are you sure?"));
}

TEST(TranslationTableLookup, EmptySwedishCaptionKeepsDesignText)
{
    TTranslationTable table = tableFrom(kSmallTable);
    ASSERT_TRUE(table.SetLanguage(QStringLiteral("Svenska")));
    EXPECT_EQ(table.property(TTranslationSection::stCaptions, QStringLiteral("ConnectAction")),
              QStringLiteral("Anslut"));
    EXPECT_FALSE(table.property(TTranslationSection::stCaptions, QStringLiteral("AboutAction")));

    // The row list a window applies carries the empty text as "keep", not English.
    const auto entries = table.entries(TTranslationSection::stCaptions);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].key, QStringLiteral("ConnectAction"));
    EXPECT_EQ(entries[0].text, QStringLiteral("Anslut"));
    EXPECT_EQ(entries[1].key, QStringLiteral("AboutAction"));
    EXPECT_TRUE(entries[1].text.isEmpty());
}

TEST(TranslationTableLookup, LanguageSwitchByName)
{
    TTranslationTable table = tableFrom(kSmallTable);
    EXPECT_EQ(table.language(), QStringLiteral("English"));
    EXPECT_TRUE(table.SetLanguage(QStringLiteral("svenska")));
    EXPECT_EQ(table.language(), QStringLiteral("Svenska"));
    // A stray setting value gives the first column rather than a blank window.
    EXPECT_FALSE(table.SetLanguage(QStringLiteral("Klingon")));
    EXPECT_EQ(table.language(), QStringLiteral("English"));
    EXPECT_EQ(table.GetText(QStringLiteral("IDS_44")), QStringLiteral("Now connecting to %s.."));
}

TEST(TranslationTableLookup, EscapesInFields)
{
    TTranslationTable table = tableFrom(kSmallTable);
    EXPECT_EQ(table.GetText(QStringLiteral("IDS_54")), QStringLiteral("First. \n\nSecond\tTab \\ end"));
}

// --- Loading -------------------------------------------------------------------

TEST(TranslationTableLoad, AcceptsCrLfAndByteOrderMark)
{
    TTranslationTable table = tableFrom("\xEF\xBB\xBFlanguages\tEnglish\tSvenska\r\n"
                                        "[stStrings]\r\n"
                                        "strYes\t&Yes\t&Ja\r\n");
    EXPECT_EQ(table.GetText(QStringLiteral("strYes")), QStringLiteral("&Yes"));
}

struct MalformedCase
{
    const char* name;
    QByteArray rows; // appended after a valid languages line unless it starts with '!'
    const char* errorPart;
};

class TranslationTableMalformed : public ::testing::TestWithParam<MalformedCase>
{};

TEST_P(TranslationTableMalformed, ReportsLineAndKeepsPreviousTable)
{
    const MalformedCase& c = GetParam();
    TTranslationTable table = tableFrom(kSmallTable);
    table.SetLanguage(QStringLiteral("Svenska"));

    const QByteArray data = c.rows.startsWith('!') ? c.rows.mid(1) : "languages\tEnglish\tSvenska\n" + c.rows;
    const auto result = table.loadFromData(data, QStringLiteral("bad.lang"));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("bad.lang"))) << str(result.error);
    EXPECT_TRUE(result.error.contains(QLatin1String(c.errorPart))) << str(result.error);

    EXPECT_EQ(table.language(), QStringLiteral("Svenska"));
    EXPECT_EQ(table.GetText(QStringLiteral("IDS_44")), QStringLiteral("Ansluter nu till %s.."));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TranslationTableMalformed,
    ::testing::Values(
        MalformedCase{"TooFewFields", "[stStrings]\nIDS_1\tOnly English\n", "line 3: expected 3 fields"},
        MalformedCase{"TooManyFields", "[stStrings]\nIDS_1\ta\tb\tc\n", "line 3: expected 3 fields"},
        MalformedCase{"TrailingTabStripped", "[stStrings]\nIDS_1\ta\tb\nIDS_2\ta\n", "line 4"},
        MalformedCase{"UnknownSection", "[stStrings]\nIDS_1\ta\tb\n[stBogus]\n", "line 4: unknown section"},
        MalformedCase{"SectionTwice", "[stHints]\n[stStrings]\n[stHints]\n", "line 4: section \"stHints\""},
        MalformedCase{"UnclosedHeader", "[stStrings\n", "line 2: malformed section header"},
        MalformedCase{"RowBeforeSection", "IDS_1\ta\tb\n", "line 2: row before"},
        MalformedCase{"NoLanguagesLine", "![stStrings]\nIDS_1\ta\tb\n", "line 1: expected the \"languages\""},
        MalformedCase{"OnlyComments", "!# nothing\n\n", "no \"languages\" line"},
        MalformedCase{"LanguageTwice", "!languages\tEnglish\tenglish\n", "line 1: language \"english\""},
        MalformedCase{"UnknownEscape", "[stStrings]\nIDS_1\ta\\qb\tb\n", "line 3: bad escape in the English"},
        MalformedCase{"DanglingBackslash", "[stStrings]\nIDS_1\ta\tb\\\n",
                      "line 3: bad escape in the Svenska"},
        MalformedCase{"DuplicateKeyAnyCase", "[stStrings]\nIDS_1\ta\tb\nids_1\tc\td\n",
                      "line 4: key \"ids_1\""},
        MalformedCase{"EmptyKey", "[stStrings]\n\ta\tb\n", "line 3: invalid key"},
        MalformedCase{"KeyWithSpace", "[stStrings]\nNo To All\ta\tb\n", "line 3: invalid key"},
        MalformedCase{"InvalidUtf8", "[stStrings]\nIDS_1\t\xC3\x28\tb\n", "not valid UTF-8"}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) { return std::string(info.param.name); });

TEST(TranslationTableLoad, GarbageNeverCrashes)
{
    std::mt19937 rng(20240607);
    const QByteArray alphabet("languages\tEnglish\tSvenska\n[stStrings]\\nt\r\x01\x19\x1A\xC3\xA5 IDS_");
    for (int round = 0; round < 2000; ++round) {
        QByteArray data;
        const int length = static_cast<int>(rng() % 200);
        for (int i = 0; i < length; ++i)
            data.append(alphabet.at(static_cast<qsizetype>(rng() % alphabet.size())));
        TTranslationTable table;
        const auto result = table.loadFromData(data, QStringLiteral("fuzz"));
        EXPECT_TRUE(result.ok || !result.error.isEmpty());
        (void)table.GetText(QStringLiteral("IDS_1"));
    }
}

TEST(TranslationTableLoad, MissingFileIsAnError)
{
    TTranslationTable table;
    const auto result = table.loadWindowTable(QStringLiteral("NoSuchForm"));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(QStringLiteral("NoSuchForm"))) << str(result.error);
}

// --- The main window's table, compiled into the program ------------------------

namespace {

// Delphi-style format specifiers, in order: "%s", "%d", "%.2d", "%0:s", ...
QStringList formatSpecifiers(const QString& text)
{
    static const QRegularExpression re(
        QStringLiteral("%(?:%|(?:\\d+:)?-?(?:\\d+|\\*)?(?:\\.(?:\\d+|\\*))?[dusefgnmpx])"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList result;
    for (auto it = re.globalMatch(text); it.hasNext();)
        result.append(it.next().captured(0).toLower());
    return result;
}

// The accelerator letter of a caption ("&File" -> 'f'); "&&" is a literal '&'.
QList<QChar> accelerators(const QString& text)
{
    QList<QChar> result;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != u'&')
            continue;
        if (text.at(i + 1) != u'&')
            result.append(text.at(i + 1).toLower());
        ++i;
    }
    return result;
}

} // namespace

TEST(MainFormTable, EveryRowTranslatedWithTheSameFormatSpecifiers)
{
    const TTranslationTable table = mainTable();
    ASSERT_EQ(table.languages(), (QStringList{QStringLiteral("English"), QStringLiteral("Svenska")}));
    int rows = 0;
    for (int s = 0; s <= static_cast<int>(TTranslationSection::stCharSets); ++s) {
        const auto section = static_cast<TTranslationSection>(s);
        for (const QString& key : table.keys(section)) {
            SCOPED_TRACE(str(TTranslationTable::sectionName(section) + u' ' + key));
            const QString en = table.field(section, key, QStringLiteral("English"));
            const QString sv = table.field(section, key, QStringLiteral("Svenska"));
            EXPECT_FALSE(en.isEmpty());
            EXPECT_FALSE(sv.isEmpty());
            EXPECT_EQ(formatSpecifiers(sv), formatSpecifiers(en)) << str(en) << " / " << str(sv);
            EXPECT_EQ(sv.count(u'|'), en.count(u'|')) << "file dialog filters need the same pairs";
            EXPECT_EQ(sv.count(u'\n'), en.count(u'\n'));
            EXPECT_EQ(accelerators(sv).size(), accelerators(en).size()) << str(en) << " / " << str(sv);
            ++rows;
        }
    }
    EXPECT_GT(rows, 200);
}

// The English captions are the system's own ("&Hosts" and "&Help" share Alt+H);
// the Swedish menu bar must not repeat that.
TEST(MainFormTable, SwedishMenuBarAcceleratorsDistinct)
{
    TTranslationTable table = mainTable();
    const QStringList menus = {"FileMenuItem",   "ViewMenuItem",  "HostsMenuItem", "LocalMenuItem",
                               "RemoteMenuItem", "ToolsMenuItem", "HelpMenuItem"};
    std::set<QChar> seen;
    for (const QString& menu : menus) {
        const auto keys =
            accelerators(table.field(TTranslationSection::stCaptions, menu, QStringLiteral("Svenska")));
        ASSERT_EQ(keys.size(), 1) << str(menu);
        EXPECT_TRUE(seen.insert(keys.first()).second) << str(menu);
    }
}

TEST(MainFormTable, MessageKeysInTableOrder)
{
    const QStringList expected = {"IDS_15",
                                  "IDS_16",
                                  "IDS_29",
                                  "IDS_44",
                                  "IDS_46",
                                  "IDS_47",
                                  "IDS_48",
                                  "strRSFTRemoteConnectionFailed",
                                  "strRSFTRemoteConnectionFailedLong",
                                  "strRSFTRemoteHostNotFound",
                                  "strRSFTRemoteHostNotFoundLong",
                                  "strRSFTRemoteAuthenticationFailed",
                                  "strRSFTRemoteAuthenticationFailedLong",
                                  "strRSFTRemoteDirectoryParseFailed",
                                  "strRSFTRemoteDirectoryParseFailedLong",
                                  "strRSFTRemoteProtocolReplyError",
                                  "strRSFTRemoteProtocolReplyErrorLong",
                                  "strRSFTPRemoteDirectoryCantChange",
                                  "strRSFTPRemoteDirectoryCantChangeLong",
                                  "strRSFTPRemoteDirectoryCantCreate",
                                  "strRSFTPRemoteDirectoryCantCreateLong",
                                  "strRSFTPRemoteFileAlreadyExists",
                                  "strRSFTPRemoteFileAlreadyExistsLong",
                                  "strRSFTPRemoteFileAlreadySmallerExists",
                                  "strRSFTPRemoteFileAlreadySmallerExistsLong",
                                  "strRSFTPRemoteFileCantDelete",
                                  "strRSFTPRemoteFileCantDeleteLong",
                                  "strRSFTPLocalFileAlreadyExists",
                                  "strRSFTPLocalFileAlreadyExistsLong",
                                  "strRSFTPLocalFileSmallerAlreadyExists",
                                  "strRSFTPLocalFileSmallerAlreadyExistsLong",
                                  "strRSFTPRemoteCantRename",
                                  "strRSFTPRemoteCantRenameLong",
                                  "strRSFTPRemoteSymbolicLinkInRecursiveDelete",
                                  "strRSFTPRemoteSymbolicLinkInRecursiveDeleteLong",
                                  "strRSFTPRemoteTransferStopped",
                                  "strRSSTChangingDirectory",
                                  "strRSSTConnecting",
                                  "strRSSTListingDirectory",
                                  "strRSSTLoggingIn",
                                  "strRSSTDeletingFilesandDirectories",
                                  "IDS_49",
                                  "IDS_50",
                                  "IDS_51",
                                  "strHosts",
                                  "strRSSTTransfering",
                                  "strRSSTStartingTransfer",
                                  "strRSSTTransferComplete",
                                  "strRSSTSearchingDirectoryForFiles",
                                  "strRSSTAwaitingTransfer",
                                  "strRSSTPaused",
                                  "strRSSTConnected",
                                  "strRSSTDisconnecting",
                                  "strRSSTDisconnected",
                                  "strRSSTResolving",
                                  "strRSSTRemoteFileDoesntExist",
                                  "IDS_52",
                                  "strConfirm",
                                  "strYes",
                                  "strNo",
                                  "strCancel",
                                  "strHelp",
                                  "strError",
                                  "strWarning",
                                  "strInformation",
                                  "IDS_53",
                                  "IDS_54",
                                  "IDS_55",
                                  "IDS_56",
                                  "strRSFTPRemoteDirectoryCantRead",
                                  "strRSFTPRemoteDirectoryCantReadLong",
                                  "strRSSTNoFileWritePermission",
                                  "strRSSTNoDirWritePermission",
                                  "strRSFTPRemoteConnectionClosed",
                                  "strRSFTPRemoteConnectionClosedLong",
                                  "strEditHosts",
                                  "strAddHost",
                                  "strQuickConnect",
                                  "strRSSTHostComboBox",
                                  "strRSSTHostLabel",
                                  "strRSFTRemoteTLSNotSupported",
                                  "strRSFTRemoteTLSNotSupportedLong",
                                  "strConnectTo"};
    // Keys of our own (texts the original list lacks) may only follow the list.
    const QStringList keys = mainTable().keys(TTranslationSection::stStrings);
    ASSERT_GE(keys.size(), expected.size());
    EXPECT_EQ(keys.mid(0, expected.size()), expected);
}

TEST(MainFormTable, TextsWithLineBreaks)
{
    TTranslationTable table = mainTable();
    for (const QString& language : table.languages()) {
        table.SetLanguage(language);
        EXPECT_EQ(table.GetText(QStringLiteral("IDS_54")).count(QStringLiteral(". \n\n")), 1)
            << str(language);
        EXPECT_EQ(table.GetText(QStringLiteral("IDS_56")).count(QStringLiteral(".\n\n")), 1) << str(language);
    }
}

// --- Process-wide message texts ----------------------------------------------

namespace {

// Stands in for an error object: it copies its texts when created.
struct CopiedError
{
    CopiedError()
    {
        const TMessagePair texts = TMessageTexts::pair(TMessageKey::strRSFTRemoteHostNotFound,
                                                       TMessageKey::strRSFTRemoteHostNotFoundLong);
        shortText = texts.shortText;
        longText = texts.longText;
    }
    QString shortText;
    QString longText;
};

} // namespace

TEST(MessageTexts, EmptyUntilFilled)
{
    TMessageTexts::clear();
    for (std::size_t i = 0; i < kMessageKeyCount; ++i)
        EXPECT_EQ(TMessageTexts::text(static_cast<TMessageKey>(i)), QString()) << i;
    EXPECT_TRUE(TMessageTexts::snapshot()->language().isEmpty());
}

TEST(MessageTexts, FillCopiesEveryKeyOfTheMainTable)
{
    TTranslationTable table = mainTable();
    table.SetLanguage(QStringLiteral("Svenska"));
    EXPECT_EQ(TMessageTexts::fill(table), QStringList());
    EXPECT_EQ(TMessageTexts::snapshot()->language(), QStringLiteral("Svenska"));
    for (std::size_t i = 0; i < kMessageKeyCount; ++i) {
        const auto key = static_cast<TMessageKey>(i);
        EXPECT_EQ(TMessageTexts::text(key), table.GetText(TMessageTexts::keyName(key)))
            << str(TMessageTexts::keyName(key));
        EXPECT_EQ(TMessageTexts::keyFromName(TMessageTexts::keyName(key).toUpper()), key);
    }
    EXPECT_EQ(TMessageTexts::text(TMessageKey::strRSSTConnected), QStringLiteral("Ansluten"));
    EXPECT_FALSE(TMessageTexts::keyFromName(QStringLiteral("IDS_44")));
    TMessageTexts::clear();
}

TEST(MessageTexts, FillReportsMissingKeysAndFallsBackToEnglish)
{
    TTranslationTable table = tableFrom("languages\tEnglish\tSvenska\n"
                                        "[stStrings]\n"
                                        "strRSSTConnected\tConnected\t\n"
                                        "STRRSSTPAUSED\tPaused\tPausad\n");
    table.SetLanguage(QStringLiteral("Svenska"));
    const QStringList missing = TMessageTexts::fill(table);
    EXPECT_EQ(missing.size(), static_cast<qsizetype>(kMessageKeyCount) - 2);
    EXPECT_TRUE(missing.contains(QStringLiteral("strRSSTHostLabel")));
    EXPECT_EQ(TMessageTexts::text(TMessageKey::strRSSTConnected), QStringLiteral("Connected"));
    EXPECT_EQ(TMessageTexts::text(TMessageKey::strRSSTPaused), QStringLiteral("Pausad"));
    EXPECT_EQ(TMessageTexts::text(TMessageKey::strRSSTHostLabel), QString());
    TMessageTexts::clear();
}

TEST(MessageTexts, ObjectsKeepTheTextsOfTheirCreation)
{
    TTranslationTable table = mainTable();
    TMessageTexts::fill(table);
    const CopiedError before;
    table.SetLanguage(QStringLiteral("Svenska"));
    TMessageTexts::fill(table);
    const CopiedError after;

    EXPECT_EQ(before.shortText, QStringLiteral("Host not found."));
    EXPECT_TRUE(before.longText.startsWith(QStringLiteral("Can't find the hostname")));
    EXPECT_EQ(after.shortText, QStringLiteral("Värden hittades inte."));
    EXPECT_EQ(after.longText, table.GetText(QStringLiteral("strRSFTRemoteHostNotFoundLong")));
    TMessageTexts::clear();
}

TEST(MessageTexts, ReadersDuringLanguageSwitchesSeeOneLanguagePerPair)
{
    TTranslationTable english = mainTable();
    TTranslationTable swedish = mainTable();
    swedish.SetLanguage(QStringLiteral("Svenska"));
    const QString enShort = english.GetText(QStringLiteral("strRSFTRemoteHostNotFound"));
    const QString enLong = english.GetText(QStringLiteral("strRSFTRemoteHostNotFoundLong"));
    const QString svShort = swedish.GetText(QStringLiteral("strRSFTRemoteHostNotFound"));
    const QString svLong = swedish.GetText(QStringLiteral("strRSFTRemoteHostNotFoundLong"));
    TMessageTexts::fill(english);

    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::atomic<long> reads{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                const CopiedError e;
                const bool isEnglish = e.shortText == enShort && e.longText == enLong;
                const bool isSwedish = e.shortText == svShort && e.longText == svLong;
                if (!isEnglish && !isSwedish)
                    torn.fetch_add(1);
                reads.fetch_add(1);
            }
        });
    }
    for (int i = 0; i < 2000; ++i)
        TMessageTexts::fill(i % 2 ? english : swedish);
    while (reads.load() < 1000)
        std::this_thread::yield();
    stop = true;
    for (auto& t : readers)
        t.join();
    EXPECT_EQ(torn.load(), 0);
    TMessageTexts::clear();
}
