#include "core/TFileMask.h"

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "core/EMaskException.h"

namespace {

struct MatchCase
{
    const char* mask;
    const char* name;
    bool matches;
};

TEST(TFileMask, MatchingTable)
{
    const MatchCase cases[] = {
        // Whole name, any case.
        {"*.txt", "readme.txt", true},
        {"*.TXT", "readme.txt", true},
        {"*.txt", "README.TXT", true},
        {"*.txt", "readme.txt.bak", false},
        {"readme", "readme.txt", false},
        {"eadme.txt", "readme.txt", false},
        {"ÄRGER.txt", "ärger.TXT", true},
        // "*" takes any run, none included.
        {"*", "", true},
        {"*", "anything at all", true},
        {"a*", "a", true},
        {"*a*b*", "xxaxxbxx", true},
        {"*a*b*", "xxbxxaxx", false},
        {"a*b*c", "abbbbc", true},
        {"a*b*c", "abbbbcx", false},
        {"**", "x", true},
        // "?" takes exactly one.
        {"?", "", false},
        {"?", "x", true},
        {"?", "xy", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"?*", "", false},
        {"?*", "x", true},
        // "?" right after "*" is dropped.
        {"*?", "", true},
        {"a*?", "a", true},
        {"*??", "", true},
        {"*?x", "x", true},
        {"*x?", "x", false},
        // The dot is an ordinary character.
        {"*.*", "makefile", false},
        {"*.*", "a.b", true},
        {"*.", "name.", true},
        {".*", ".profile", true},
        {"a.c", "abc", false},
        // Sets.
        {"[abc].txt", "b.txt", true},
        {"[abc].txt", "d.txt", false},
        {"[a-c]x", "Bx", true},
        {"[A-C]x", "bx", true},
        {"[!a-c]x", "dx", true},
        {"[!a-c]x", "Cx", false},
        {"[0-9][0-9]", "42", true},
        {"[0-9][0-9]", "4a", false},
        {"[a-]", "-", true},
        {"[-a]", "-", true},
        {"[a-c-e]", "-", true},
        {"[a-c-e]", "d", false},
        {"[*?]", "*", true},
        {"[*?]", "x", false},
        {"[!!]", "!", false},
        {"[!!]", "x", true},
        {"x]", "x]", true},
        {"!x", "!x", true},
        {"*[0-9]", "file7", true},
        {"*[0-9]", "file", false},
        // The empty mask matches only the empty name.
        {"", "", true},
        {"", "a", false},
        {"", " ", false},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " vs " + c.name);
        EXPECT_EQ(TFileMask::matches(QString::fromUtf8(c.mask), QString::fromUtf8(c.name)), c.matches);
    }
}

struct InvalidCase
{
    const char* mask;
    int position;
};

TEST(TFileMask, MalformedSetsNameTheMaskAndThePosition)
{
    const InvalidCase cases[] = {
        {"[", 2},      // "]" missing: one past the end
        {"*.[abc", 7}, //
        {"[!", 3},     //
        {"[a-", 4},    //
        {"[]", 2},     // nothing in the set: its "]"
        {"x[!]", 4},   //
        {"[!]]x", 3},
        {"[z-a]", 4}, // descending range: its upper end
        {"ok[a-c][9-0]", 11},
    };
    for (const InvalidCase& c : cases) {
        SCOPED_TRACE(c.mask);
        try {
            TFileMask mask(QString::fromUtf8(c.mask));
            ADD_FAILURE() << "accepted";
        } catch (const EMaskException& error) {
            EXPECT_EQ(error.position(), c.position);
            EXPECT_EQ(str(error.message()), "'" + std::string(c.mask) + "' is an invalid mask at (" +
                                                std::to_string(c.position) + ")");
        }
    }
    // The "]" that closes a set may be followed by anything, and "]" alone is no set.
    EXPECT_NO_THROW(TFileMask(QStringLiteral("[a]]")));
    EXPECT_NO_THROW(TFileMask(QStringLiteral("]")));
}

TEST(TFileMask, ManyStarsAgainstALongNameFinishWithoutBacktrackingBlowUp)
{
    // Exponential backtracking would not finish this within the test's time-out.
    const QString name = QString(5000, QLatin1Char('a'));
    EXPECT_FALSE(TFileMask::matches(QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*a*b"), name));
    EXPECT_TRUE(TFileMask::matches(QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*a*"), name));
    EXPECT_TRUE(TFileMask::matches(QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*a*b"), name + QLatin1Char('b')));
}

} // namespace
