#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/RemoteNames.h"
#include "engine/TControlLog.h"
#include "engine/TDirectoryCache.h"
#include "ftp/ReplyParser.h"

namespace {

using Entries = std::vector<std::pair<TLogKind, std::string>>;

struct Collected
{
    Entries entries;
    TControlLog log{
        [this](TLogKind kind, const QString& text) { entries.emplace_back(kind, text.toStdString()); }};
};

// --- The control-connection log ------------------------------------------------

TEST(ControlLog, PasswordsNeverAppearInClear)
{
    Collected c;
    c.log.sent("USER bob");
    c.log.sent("PASS secret");
    c.log.sent("pass other secret");
    c.log.sent("PASS");
    EXPECT_EQ(c.entries, (Entries{{TLogKind::lkCommand, "USER bob"},
                                  {TLogKind::lkCommand, "PASS ******"},
                                  {TLogKind::lkCommand, "PASS ******"},
                                  {TLogKind::lkCommand, "PASS ******"}}));
}

// The log shows replies as the client's reply parser frames them; the bytes
// arrive in pieces split anywhere.
struct Framed : Collected
{
    ftp::ReplyParser parser;
    void received(std::string_view piece)
    {
        parser.feed(piece);
        while (std::optional<ftp::Reply> reply = parser.next())
            log.received(*reply);
    }
};

TEST(ControlLog, AMultiLineReplyInTwoPiecesIsOneEntry)
{
    Framed c;
    c.received("220-Welcome to the server\r\n");
    EXPECT_TRUE(c.entries.empty());
    c.received("220 Ready\r\n");
    EXPECT_EQ(c.entries, (Entries{{TLogKind::lkReply, "220-Welcome to the server\r\n220 Ready"}}));
}

TEST(ControlLog, AMultiLineReplyInOnePieceIsLoggedAtOnce)
{
    Framed c;
    c.received("211-Features:\r\n UTF8\r\n SIZE\r\n211 End\r\n331 Password please\r\n");
    EXPECT_EQ(c.entries, (Entries{{TLogKind::lkReply, "211-Features:\r\n UTF8\r\n SIZE\r\n211 End"},
                                  {TLogKind::lkReply, "331 Password please"}}));
}

TEST(ControlLog, PiecesSplitAnywhereStillGiveWholeEntries)
{
    const std::string wire = "220-Hej, v\xC3\xA4lkommen\r\n220 Ready\r\n331 Password required\r\n";
    Framed c;
    for (char byte : wire)
        c.received(std::string(1, byte));
    EXPECT_EQ(c.entries, (Entries{{TLogKind::lkReply, "220-Hej, v\xC3\xA4lkommen\r\n220 Ready"},
                                  {TLogKind::lkReply, "331 Password required"}}));
}

TEST(ControlLog, ARepliesInsideAnOpenMultiLineReplyAreAppendedToIt)
{
    Framed c;
    c.received("220-First line\r\n");
    c.received("331 Not the end\r\n");
    c.received(" 220 is only mentioned here\r\n");
    EXPECT_TRUE(c.entries.empty());
    c.received("220 End\r\n");
    ASSERT_EQ(c.entries.size(), 1u);
    EXPECT_EQ(c.entries[0].second,
              "220-First line\r\n331 Not the end\r\n 220 is only mentioned here\r\n220 End");
}

TEST(ControlLog, LinesThatOnlyLookLikeReplyBoundariesStayInsideTheirReply)
{
    // A bare "211" is no last line (RFC 959 wants the code and a space), and
    // "999-hidden" inside the reply opens nothing.
    Framed c;
    c.received("211-Features:\r\n211\r\n999-hidden\r\n211 End\r\n257 \"/\" is the current directory\r\n");
    EXPECT_EQ(c.entries, (Entries{{TLogKind::lkReply, "211-Features:\r\n211\r\n999-hidden\r\n211 End"},
                                  {TLogKind::lkReply, "257 \"/\" is the current directory"}}));
}

// --- Names from a server ---------------------------------------------------------

TEST(RemoteNames, OnlyPlainNamesMayBeUsedInCommands)
{
    for (const char* good : {"file.txt", "a b", "-rf", "...", ".hidden", "\xC3\xA5\xC3\xA4\xC3\xB6"})
        EXPECT_TRUE(isUsableRemoteName(std::string(good))) << good;
    for (std::string bad :
         {std::string(""), std::string("."), std::string(".."), std::string("a/b"), std::string("..\\x"),
          std::string("a\rb"), std::string("a\nDELE x"), std::string("a\0b", 3)})
        EXPECT_FALSE(isUsableRemoteName(bad)) << printableRemoteName(bad).toStdString();
    EXPECT_EQ(printableRemoteName("a\r\nDELE\x01").toStdString(), "a\\r\\nDELE\\x01");
    // DEL and the C1 controls (U+009B is a one-character CSI to some terminals).
    EXPECT_EQ(printableRemoteName("x\x7f\xc2\x9b"
                                  "31m\xc3\xa9")
                  .toStdString(),
              "x\\x7f\\x9b31m\xc3\xa9");
}

TEST(RemoteNames, JoinedPathsMatchWhatPwdShows)
{
    EXPECT_EQ(joinRemotePath(QStringLiteral("/"), QStringLiteral("pub")), QStringLiteral("/pub"));
    EXPECT_EQ(joinRemotePath(QStringLiteral("/pub"), QStringLiteral("x")), QStringLiteral("/pub/x"));
    EXPECT_EQ(joinRemotePath(QStringLiteral("/pub/"), QStringLiteral("x")), QStringLiteral("/pub/x"));
}

// --- Directory cache --------------------------------------------------------------

TListingPtr listingOf(std::initializer_list<const char*> names)
{
    auto listing = std::make_shared<TListing>();
    for (const char* n : names) {
        ftp::ListingEntry e;
        e.name = n;
        listing->push_back(e);
    }
    return listing;
}

TEST(DirectoryCache, KeysIgnoreCaseAndTheFirstEntryStays)
{
    TDirectoryCache cache;
    const TListingPtr first = listingOf({"a"});
    EXPECT_TRUE(cache.add(QStringLiteral("/Pub/Dir"), first));
    EXPECT_FALSE(cache.add(QStringLiteral("/pub/dir"), listingOf({"b"})));
    EXPECT_EQ(cache.find(QStringLiteral("/PUB/DIR")), first);
    EXPECT_EQ(cache.count(), 1);
    cache.invalidate(QStringLiteral("/pub/DIR"));
    EXPECT_EQ(cache.find(QStringLiteral("/Pub/Dir")), nullptr);
}

TEST(DirectoryCache, EmptyListingsAreNotKept)
{
    TDirectoryCache cache;
    EXPECT_FALSE(cache.add(QStringLiteral("/empty"), listingOf({})));
    EXPECT_FALSE(cache.add(QStringLiteral("/none"), nullptr));
    EXPECT_EQ(cache.count(), 0);
}

TEST(DirectoryCache, AListingOutlivesItsEntry)
{
    TDirectoryCache cache;
    cache.add(QStringLiteral("/d"), listingOf({"kept"}));
    const TListingPtr shown = cache.find(QStringLiteral("/d"));
    cache.clear();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->at(0).name, "kept");
}

} // namespace
