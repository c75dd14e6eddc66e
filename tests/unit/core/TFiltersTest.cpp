#include "core/TFilters.h"

#include <gtest/gtest.h>

#include "CoreTestSupport.h"
#include "StoreTestSupport.h"
#include "core/EMaskException.h"

namespace {

struct SplitCase
{
    const char* text;
    Strings masks;
};

TEST(TFilterSplit, DelimitedTextRule)
{
    const SplitCase cases[] = {
        {"*.txt; *.doc", {"*.txt", "*.doc"}},
        {"*.jpg *.gif", {"*.jpg", "*.gif"}},
        {"a b.txt", {"a", "b.txt"}},
        {"*.htm;*.html", {"*.htm", "*.html"}},
        {"a;;b", {"a", "", "b"}},
        {"a ; ; b", {"a", "", "b"}},
        {"a;", {"a", ""}},
        {"a; ", {"a"}},
        {";", {"", ""}},
        {";a", {"", "a"}},
        {"", {}},
        {"   ", {}},
        {"\t*.c\r\n;\n*.h  ", {"*.c", "*.h"}},
        {"  lead", {"lead"}},
        {"x\x01y", {"x", "y"}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(str(TFilter::SplitMasks(QString::fromUtf8(c.text))), c.masks);
    }
    // The text ends at a NUL character.
    EXPECT_EQ(str(TFilter::SplitMasks(QStringLiteral("a;b") + QChar(0) + QStringLiteral(";c"))),
              (Strings{"a", "b"}));
}

TEST(TFilterSelect, MarksMatchesKeepsEarlierMarksAndStopsAtAMalformedMask)
{
    const QStringList pane{QStringLiteral("data.bin"), QStringLiteral("readme.txt"),
                           QStringLiteral("NOTES.TXT")};
    std::vector<bool> selected{true, false, false};
    const TFilter text(QStringLiteral("Text"), QStringLiteral("*.TXT"));
    EXPECT_EQ(text.selectMatching(pane, selected), 1);
    EXPECT_EQ(selected, (std::vector<bool>{true, true, true}));

    std::vector<bool> none;
    EXPECT_EQ(TFilter(QStringLiteral("x"), QStringLiteral("*.zip;")).selectMatching(pane, none), -1);
    EXPECT_EQ(none, (std::vector<bool>{false, false, false}));

    // "*.bin" selects data.bin before "[" is first tried on it.
    const TFilter broken(QStringLiteral("Broken"), QStringLiteral("*.bin;["));
    std::vector<bool> partial;
    EXPECT_THROW(broken.selectMatching(pane, partial), EMaskException);
    EXPECT_EQ(partial, (std::vector<bool>{true, false, false}));
}

class TFiltersTest : public ::testing::Test
{
protected:
    QString filtersPath() const { return m_data.path(QStringLiteral("Filters.xml")); }
    TempDataDir m_data;
};

TEST_F(TFiltersTest, MissingFileIsCreatedEmpty)
{
    TFilters filters;
    EXPECT_EQ(filters.count(), 0);
    EXPECT_EQ(readWholeFile(filtersPath()), QByteArray("<?xml version=\"1.0\"?>\n<FilterList />\n"));
}

TEST_F(TFiltersTest, SaveWritesOneFileMaskPerMaskAndReadsBack)
{
    {
        TFilters filters;
        filters.Add(std::make_unique<TFilter>(QStringLiteral("Web"), QStringLiteral("*.htm;*.html")));
        filters.Add(
            std::make_unique<TFilter>(QStringLiteral("Pictures & more"), QStringLiteral("*.jpg *.gif")));
        filters.Add(std::make_unique<TFilter>(QStringLiteral("Nothing"), QString()));
        ASSERT_TRUE(filters.Save());
    }
    EXPECT_EQ(readWholeFile(filtersPath()), QByteArray("<?xml version=\"1.0\"?>\n"
                                                       "<FilterList>\n"
                                                       "  <Filter Name=\"Web\">\n"
                                                       "    <FileMask Mask=\"*.htm\" />\n"
                                                       "    <FileMask Mask=\"*.html\" />\n"
                                                       "  </Filter>\n"
                                                       "  <Filter Name=\"Pictures &amp; more\">\n"
                                                       "    <FileMask Mask=\"*.jpg\" />\n"
                                                       "    <FileMask Mask=\"*.gif\" />\n"
                                                       "  </Filter>\n"
                                                       "  <Filter Name=\"Nothing\" />\n"
                                                       "</FilterList>\n"));
    TFilters again;
    ASSERT_EQ(again.count(), 3);
    EXPECT_EQ(str(again.at(0)->Masks), (Strings{"*.htm", "*.html"}));
    EXPECT_EQ(str(again.at(1)->Name), "Pictures & more");
    EXPECT_TRUE(again.at(2)->Masks.isEmpty());
    EXPECT_EQ(again.at(3), nullptr);
}

TEST_F(TFiltersTest, ReloadSplitsStoredMasksAgainAndIgnoresStrangers)
{
    QDir().mkpath(m_data.dataFolder());
    ASSERT_TRUE(writeWholeFile(filtersPath(),
                               "<FilterList>"
                               "<Filter Name=\"Odd\"><FileMask Mask=\"a b\"/><Other Mask=\"x\"/>"
                               "<FileMask/><FileMask Mask=\"c\"/></Filter>"
                               "<NotAFilter Name=\"skip\"/>"
                               "<Filter><FileMask Mask=\"*\"/></Filter>"
                               "</FilterList>"));
    TFilters filters;
    ASSERT_EQ(filters.count(), 2);
    // "a b" splits in two; the empty mask stays, between "b" and "c".
    EXPECT_EQ(str(filters.at(0)->Masks), (Strings{"a", "b", "", "c"}));
    EXPECT_EQ(str(filters.at(1)->Name), "");

    filters.Clear();
    EXPECT_EQ(filters.count(), 0);
    filters.Reload();
    EXPECT_EQ(filters.count(), 2);
}

TEST_F(TFiltersTest, UnreadableFileIsCopiedAsideBeforeTheFirstSave)
{
    QDir().mkpath(m_data.dataFolder());
    ASSERT_TRUE(writeWholeFile(filtersPath(), "<FilterList><Filter"));
    TFilters filters;
    EXPECT_EQ(filters.count(), 0);
    EXPECT_FALSE(filters.loadError().isEmpty());
    filters.Add(std::make_unique<TFilter>(QStringLiteral("New"), QStringLiteral("*")));
    ASSERT_TRUE(filters.Save());
    const QStringList aside = m_data.files().filter(QStringLiteral("Filters.xml.unreadable-"));
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(readWholeFile(m_data.path(aside.front())), QByteArray("<FilterList><Filter"));
}

} // namespace
