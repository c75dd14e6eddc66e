#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ftp/FtpError.h"
#include "ftp/NameCodec.h"
#include "ftp/NameMemory.h"

// How names go between the wire and UTF-8: per directory, shared by the
// connections to one server, and bounded.

using namespace ftp;

namespace {

// Decoded (UTF-8) names and the Latin-1 bytes a server sends for them.
const std::string kCafe = "caf\xC3\xA9";
const std::string kCafeLatin1 = "caf\xE9";
const std::string kRep = "r\xC3\xA9p";
const std::string kRepLatin1 = "r\xE9p";

ListingEntry entry(std::string raw, EntryType type = EntryType::File)
{
    ListingEntry e;
    e.name = std::move(raw);
    e.type = type;
    return e;
}

// A whole listing of `directory` (decoded) with entries of these raw names.
std::vector<ListingEntry> listed(NameCodec& codec, const std::string& directory, std::vector<std::string> raw)
{
    std::vector<ListingEntry> entries;
    for (std::string& name : raw)
        entries.push_back(entry(std::move(name)));
    codec.decodeListing(entries, directory, true);
    return entries;
}

class NameCodecSharedTest : public ::testing::Test
{
protected:
    void SetUp() override { NameMemory::forgetServers(); }
    void TearDown() override { NameMemory::forgetServers(); }
};

TEST_F(NameCodecSharedTest, AConnectionSendsTheBytesAnotherConnectionToTheServerListed)
{
    NameCodec browsing;
    NameCodec transfer;
    NameCodec otherPort;
    NameCodec otherUser;
    browsing.attach("ftp.example.com", 21, "bob");
    transfer.attach("FTP.Example.com", 21, "bob"); // host names compare without case
    otherPort.attach("ftp.example.com", 2121, "bob");
    otherUser.attach("ftp.example.com", 21, "alice");

    const auto entries = listed(browsing, "/pub", {kCafeLatin1 + ".txt", kRepLatin1, "plain.txt"});
    EXPECT_EQ(entries[0].name, kCafe + ".txt");
    EXPECT_EQ(entries[1].name, kRep);
    EXPECT_EQ(entries[2].name, "plain.txt");

    EXPECT_EQ(transfer.encode("/pub/" + kCafe + ".txt"), "/pub/" + kCafeLatin1 + ".txt");
    EXPECT_EQ(transfer.encode("/pub/" + kRep + "/"), "/pub/" + kRepLatin1 + "/");
    EXPECT_TRUE(transfer.knows("/pub/" + kCafe + ".txt"));
    // Another server, or another account (another root), knows nothing of it.
    EXPECT_EQ(otherPort.encode("/pub/" + kCafe + ".txt"), "/pub/" + kCafe + ".txt");
    EXPECT_EQ(otherUser.encode("/pub/" + kCafe + ".txt"), "/pub/" + kCafe + ".txt");
    EXPECT_FALSE(otherUser.knows("/pub/" + kCafe + ".txt"));

    // What the transfer connection learns, the browsing one uses.
    listed(transfer, "/pub/" + kRep, {"\xFC.txt"});
    EXPECT_EQ(browsing.encode("/pub/" + kRep + "/\xC3\xBC.txt"), "/pub/" + kRepLatin1 + "/\xFC.txt");
}

TEST_F(NameCodecSharedTest, TheRegistryKeepsAServerInUseAndForgetsOnesNobodyHolds)
{
    std::shared_ptr<NameMemory> held = NameMemory::forServer("held", 21, "bob");
    held->learnListing("/", {{kCafe, kLatin1Form}});
    NameMemory::forServer("dropped", 21, "bob")->learnListing("/", {{kCafe, kLatin1Form}});
    for (std::size_t i = 0; i < NameMemory::kMaxServers + 5; ++i)
        NameMemory::forServer("other" + std::to_string(i), 21, "bob");
    EXPECT_EQ(NameMemory::forServer("held", 21, "bob"), held);
    EXPECT_FALSE(NameMemory::forServer("dropped", 21, "bob")->listed("/"));
}

TEST(NameCodecPathTest, EachPartIsSpeltAsItsOwnDirectoryHoldsIt)
{
    NameCodec codec;
    listed(codec, "/", {kRepLatin1});
    listed(codec, "/" + kRep, {"\xC3\xBC.txt", "\xF6.txt"}); // one UTF-8, one Latin-1
    EXPECT_EQ(codec.encode("/" + kRep + "/\xC3\xBC.txt"), "/" + kRepLatin1 + "/\xC3\xBC.txt");
    EXPECT_EQ(codec.encode("/" + kRep + "/\xC3\xB6.txt"), "/" + kRepLatin1 + "/\xF6.txt");
    // A directory listed whole that lacks the name: a new name, UTF-8, though the
    // server spells it in Latin-1 elsewhere.
    EXPECT_EQ(codec.encode("/" + kRep + "/" + kRep), "/" + kRepLatin1 + "/" + kRep);
    // A directory never listed: the spelling the name has elsewhere.
    EXPECT_EQ(codec.encode("/other/" + kRep), "/other/" + kRepLatin1);
    // Names no server spelt go as UTF-8, and so does what Latin-1 cannot hold.
    EXPECT_EQ(codec.encode("/new-\xC3\xA5"), "/new-\xC3\xA5");
    EXPECT_EQ(codec.encode("/\xE2\x82\xAC"), "/\xE2\x82\xAC");

    // Relative paths start in the current directory; "..", "." and "//" are followed.
    codec.changedDirectory("/" + kRep);
    EXPECT_EQ(codec.encode("\xC3\xB6.txt"), "\xF6.txt");
    EXPECT_EQ(codec.encode("../" + kRep + "//./\xC3\xB6.txt"), "../" + kRepLatin1 + "//./\xF6.txt");
    EXPECT_EQ(codec.resolve("../" + kRep + "//./x"), "/" + kRep + "/x");
    codec.changedUp();
    EXPECT_EQ(codec.currentDirectory(), "/");
    EXPECT_EQ(codec.encode(kRep), kRepLatin1);
    // Without a current directory a relative name falls back to its spelling elsewhere.
    codec.forgetCurrentDirectory();
    EXPECT_EQ(codec.encode(kRep + "/\xC3\xB6.txt"), kRepLatin1 + "/\xF6.txt");
    EXPECT_FALSE(codec.knows(kRep));
}

TEST(NameCodecPathTest, PwdAndMkdRepliesTeachEveryPart)
{
    NameCodec codec;
    const std::string home = codec.decodePath("/home/j\xF6rg/d\xE9");
    EXPECT_EQ(home, "/home/j\xC3\xB6rg/d\xC3\xA9");
    codec.setCurrentDirectory(home + "/");
    EXPECT_EQ(codec.currentDirectory(), home);
    EXPECT_EQ(codec.encode("/home/j\xC3\xB6rg"), "/home/j\xF6rg");
    EXPECT_EQ(codec.encode(home), "/home/j\xF6rg/d\xE9");
    // A relative MKD reply is learnt in the current directory.
    EXPECT_EQ(codec.decodePath("n\xE9w"), "n\xC3\xA9w");
    EXPECT_EQ(codec.encode(home + "/n\xC3\xA9w"), "/home/j\xF6rg/d\xE9/n\xE9w");
    EXPECT_TRUE(codec.knows("n\xC3\xA9w"));
    // A server's own notation that is no '/' path is a key as it stands.
    codec.setCurrentDirectory("DISK$USER:[J\xC3\x96RG]");
    EXPECT_EQ(codec.currentDirectory(), "DISK$USER:[J\xC3\x96RG]");
}

TEST(NameCodecPathTest, ANameWithAPathInAListingIsLearntPartByPart)
{
    NameCodec codec;
    std::vector<ListingEntry> entries = {entry("/pub/d\xE9/f\xE9.txt"), entry("sub\xE9/x\xE9")};
    codec.decodeListing(entries, std::string("/pub"), true);
    EXPECT_EQ(entries[0].name, "/pub/d\xC3\xA9/f\xC3\xA9.txt");
    EXPECT_EQ(entries[1].name, "sub\xC3\xA9/x\xC3\xA9");
    EXPECT_EQ(codec.encode("/pub/d\xC3\xA9/f\xC3\xA9.txt"), "/pub/d\xE9/f\xE9.txt");
    EXPECT_EQ(codec.encode("/pub/sub\xC3\xA9/x\xC3\xA9"), "/pub/sub\xE9/x\xE9");
}

TEST(NameCodecAmbiguityTest, ADirectoryHoldingBothSpellingsOfANameRefusesIt)
{
    NameCodec codec;
    const auto entries = listed(codec, "/d", {kCafe, kCafeLatin1, "t\xE9st"});
    EXPECT_EQ(entries[0].name, kCafe);
    EXPECT_EQ(entries[1].name, kCafe);
    EXPECT_THROW(codec.encode("/d/" + kCafe), ProtocolError);
    EXPECT_THROW(codec.encode("/d/" + kCafe + "/below"), ProtocolError);
    EXPECT_TRUE(codec.knows("/d/" + kCafe)); // nothing more to learn
    EXPECT_EQ(codec.encode("/d/t\xC3\xA9st"), "/d/t\xE9st");
    // A directory that was not listed could hold either.
    EXPECT_THROW(codec.encode("/unlisted/" + kCafe), ProtocolError);
    // One listed with a single spelling is no question.
    listed(codec, "/one", {kCafeLatin1});
    EXPECT_EQ(codec.encode("/one/" + kCafe), "/one/" + kCafeLatin1);
    listed(codec, "/new", {});
    EXPECT_EQ(codec.encode("/new/" + kCafe), "/new/" + kCafe);
    // Listed again with one of them gone, the name works again.
    listed(codec, "/d", {kCafeLatin1});
    EXPECT_EQ(codec.encode("/d/" + kCafe), "/d/" + kCafeLatin1);
}

TEST(NameCodecLearnTest, KnowsTellsWhichDirectoryAListingWouldSettle)
{
    NameCodec codec;
    EXPECT_TRUE(codec.knows("/pub/plain/name.txt")); // ASCII needs nothing
    EXPECT_TRUE(codec.knows("relative.txt"));
    EXPECT_FALSE(codec.knows("/pub/" + kRep + "/x.txt"));
    EXPECT_EQ(codec.nextDirectoryToLearn("/pub/" + kRep + "/\xC3\xBC.txt"), "/pub");
    listed(codec, "/pub", {kRepLatin1});
    EXPECT_TRUE(codec.knows("/pub/" + kRep + "/x.txt"));
    EXPECT_EQ(codec.nextDirectoryToLearn("/pub/" + kRep + "/\xC3\xBC.txt"), "/pub/" + kRep);
    listed(codec, "/pub/" + kRep, {});
    // Known to be missing: a new name.
    EXPECT_TRUE(codec.knows("/pub/" + kRep + "/\xC3\xBC.txt"));
    EXPECT_EQ(codec.nextDirectoryToLearn("/pub/" + kRep + "/\xC3\xBC.txt"), std::nullopt);
    EXPECT_EQ(codec.encode("/pub/" + kRep + "/\xC3\xBC.txt"), "/pub/" + kRepLatin1 + "/\xC3\xBC.txt");
    // A relative name without a current directory cannot be placed.
    EXPECT_FALSE(codec.knows(kRep));
    EXPECT_EQ(codec.nextDirectoryToLearn(kRep), std::nullopt);
    codec.changedDirectory("/pub");
    EXPECT_TRUE(codec.knows(kRep));
}

TEST(NameCodecLearnTest, CreatedAndRemovedNamesKeepADirectoryTrue)
{
    NameCodec codec;
    listed(codec, "/d", {kCafeLatin1, kRepLatin1});
    listed(codec, "/d/" + kRep, {"x\xE9"});
    // Renamed away: the name is new again and goes as UTF-8.
    codec.removed("/d/" + kCafe, false);
    EXPECT_EQ(codec.encode("/d/" + kCafe), "/d/" + kCafe);
    codec.created("/d/" + kCafe, "/d/" + kCafe);
    EXPECT_EQ(codec.encode("/d/" + kCafe), "/d/" + kCafe);
    // A name created as the server's Latin-1 is remembered so.
    codec.created("/d/n\xC3\xA9w", "/d/n\xE9w");
    EXPECT_EQ(codec.encode("/d/n\xC3\xA9w"), "/d/n\xE9w");
    // A directory removed takes what was known below it along.
    EXPECT_TRUE(codec.knows("/d/" + kRep + "/x\xC3\xA9"));
    codec.removed("/d/" + kRep, true);
    EXPECT_FALSE(codec.memory().listed("/d/" + kRep));
    EXPECT_EQ(codec.encode("/d/" + kRep), "/d/" + kRep);
}

TEST(NameMemoryTest, ForgetsTheDirectoriesUsedLeastRecentlyPastItsBounds)
{
    NameMemory memory;
    for (std::size_t i = 0; i < NameMemory::kMaxDirectories; ++i)
        memory.learnListing("/d" + std::to_string(i), {{kCafe, kLatin1Form}});
    EXPECT_EQ(memory.directoryCount(), NameMemory::kMaxDirectories);
    memory.find("/d0", kCafe); // used again: the youngest now
    memory.learnListing("/one-more", {{kCafe, kUtf8Form}});
    EXPECT_EQ(memory.directoryCount(), NameMemory::kMaxDirectories);
    EXPECT_TRUE(memory.listed("/d0"));
    EXPECT_FALSE(memory.listed("/d1"));
    EXPECT_TRUE(memory.listed("/one-more"));
    EXPECT_EQ(memory.nameCount(), NameMemory::kMaxDirectories);
    // The spellings across directories follow what is forgotten.
    EXPECT_EQ(memory.find("/elsewhere", kCafe).anywhere, kUtf8Form | kLatin1Form);
    memory.forgetTree("/one-more");
    EXPECT_EQ(memory.find("/elsewhere", kCafe).anywhere, kLatin1Form);
}

TEST(NameMemoryTest, NamesPastTheBoundCostWholeDirectoriesAndAHugeListingIsNoWholeOne)
{
    NameMemory memory;
    std::vector<std::pair<std::string, NameForms>> half;
    for (std::size_t i = 0; i < NameMemory::kMaxNames / 2 + 1; ++i)
        half.emplace_back(kCafe + std::to_string(i), kLatin1Form);
    memory.learnListing("/a", half);
    memory.learnListing("/b", half);
    EXPECT_FALSE(memory.listed("/a"));
    EXPECT_TRUE(memory.listed("/b"));
    EXPECT_LE(memory.nameCount(), NameMemory::kMaxNames);
    EXPECT_EQ(memory.find("/x", kCafe + "0").anywhere, kLatin1Form);

    std::vector<std::pair<std::string, NameForms>> huge = half;
    for (std::size_t i = 0; i < half.size(); ++i)
        huge.emplace_back(kRep + std::to_string(i), kLatin1Form);
    memory.learnListing("/huge", huge);
    EXPECT_EQ(memory.nameCount(), NameMemory::kMaxNames);
    EXPECT_EQ(memory.directoryCount(), 1u);
    // What is missing from it may be there: not a whole listing.
    EXPECT_FALSE(memory.listed("/huge"));
    EXPECT_EQ(memory.find("/huge", kCafe + "0").here, kLatin1Form);
}

TEST(NameMemoryTest, ConnectionsLearnAndAskAtOnce)
{
    auto memory = NameMemory::forServer("concurrent.example", 21, "bob");
    memory->learnListing("/fixed", {{kCafe, kLatin1Form}});
    std::atomic<bool> wrong{false};
    std::thread learner([&] {
        for (int i = 0; i < 20000; ++i)
            memory->learnListing("/churn" + std::to_string(i % 500),
                                 {{kRep + std::to_string(i), kLatin1Form}});
    });
    std::thread asker([&] {
        NameCodec codec;
        codec.attach("concurrent.example", 21, "bob");
        for (int i = 0; i < 20000; ++i) {
            if (codec.encode("/fixed/" + kCafe) != "/fixed/" + kCafeLatin1)
                wrong = true;
        }
    });
    learner.join();
    asker.join();
    EXPECT_FALSE(wrong.load());
    EXPECT_EQ(memory->directoryCount(), 501u);
    NameMemory::forgetServers();
}

} // namespace
