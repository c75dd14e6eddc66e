#include "core/TTips.h"

#include <limits>

#include <gtest/gtest.h>

#include <QFileInfo>

#include "CoreTestSupport.h"
#include "StoreTestSupport.h"
#include "core/TMainConfig.h"

namespace {

class TTipsTest : public ::testing::Test
{
protected:
    void SetUp() override { TMainConfig::createGlobal(); }
    void TearDown() override { TMainConfig::destroyGlobal(); }

    void writeTips(const QString& language, const QStringList& texts)
    {
        QByteArray xml = "<?xml version=\"1.0\"?>\n<TipList>";
        for (const QString& text : texts)
            xml += "<Tip><Content>" + text.toUtf8() + "</Content></Tip>";
        xml += "</TipList>";
        ASSERT_TRUE(writeWholeFile(m_data.path(TTips::TipFileName(language)), xml));
    }
    int lastIndex() const { return MainConfig()->LastTipIndex(); }

    TempDataDir m_data;
};

TEST_F(TTipsTest, FirstTipShownIsTheSecondAndSteppingWrapsBothWays)
{
    writeTips(QStringLiteral("English"), {"zero", "one", "two"});
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Next()), "one");
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Next()), "two");
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Next()), "zero");
    EXPECT_EQ(lastIndex(), 0);
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Previous()), "two");
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Previous()), "one");
    TTips tips(QStringLiteral("English"));
    EXPECT_EQ(tips.current(), nullptr);
    EXPECT_EQ(str(tips.Previous()), "zero");
    EXPECT_EQ(str(tips.current()->Text), "zero");
}

TEST_F(TTipsTest, SingleTipIsShownEveryTime)
{
    writeTips(QStringLiteral("English"), {"only"});
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(str(TTips(QStringLiteral("English")).Next()), "only");
        EXPECT_EQ(str(TTips(QStringLiteral("English")).Previous()), "only");
    }
}

TEST_F(TTipsTest, ShrunkFileRestartsAtTheFirstOrTheLast)
{
    writeTips(QStringLiteral("English"), {"a", "b", "c"});
    MainConfig()->SetLastTipIndex(10);
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Next()), "a");
    EXPECT_EQ(lastIndex(), 0);
    MainConfig()->SetLastTipIndex(10);
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Previous()), "c");
    EXPECT_EQ(lastIndex(), 2);
}

TEST_F(TTipsTest, NegativeOrHugeStoredIndexNeverReachesTheList)
{
    writeTips(QStringLiteral("English"), {"a", "b", "c"});
    MainConfig()->SetLastTipIndex(-5);
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Next()), "a");
    MainConfig()->SetLastTipIndex(-1);
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Next()), "a");
    MainConfig()->SetLastTipIndex(std::numeric_limits<int>::max());
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Next()), "a");
    MainConfig()->SetLastTipIndex(std::numeric_limits<int>::min());
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Previous()), "c");
}

TEST_F(TTipsTest, LanguageSwitchUsesTheOtherFileAndTheSameIndex)
{
    writeTips(QStringLiteral("English"), {"e0", "e1", "e2"});
    writeTips(QStringLiteral("Svenska"), {"s0", "s1", "s2", "s3"});
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Next()), "e1");
    EXPECT_EQ(str(TTips(QStringLiteral("Svenska")).Next()), "s2");
    EXPECT_EQ(str(TTips(QStringLiteral("Svenska")).Next()), "s3");
    // Index 3 is beyond the English file.
    EXPECT_EQ(str(TTips(QStringLiteral("English")).Next()), "e0");
}

TEST_F(TTipsTest, EmptyFileGivesTheNotFoundTextAndLeavesTheIndex)
{
    ASSERT_TRUE(writeWholeFile(m_data.path(TTips::TipFileName(QStringLiteral("English"))), "<TipList/>"));
    MainConfig()->SetLastTipIndex(4);
    TTips tips(QStringLiteral("English"));
    EXPECT_EQ(str(tips.Next()), "Tip file not found.");
    EXPECT_EQ(str(tips.Previous()), "Tip file not found.");
    EXPECT_EQ(tips.current(), nullptr);
    EXPECT_EQ(tips.HelpID(), -1);
    EXPECT_EQ(lastIndex(), 4);
    EXPECT_EQ(str(TTips(QStringLiteral("English"), QStringLiteral("Tipsfilen hittades inte.")).Next()),
              "Tipsfilen hittades inte.");
}

TEST_F(TTipsTest, TipFieldsAndStrangers)
{
    ASSERT_TRUE(writeWholeFile(m_data.path(TTips::TipFileName(QStringLiteral("English"))),
                               "<TipList>"
                               "<Tip HelpID=\"12\"><Content>plain &amp; <b>bold</b> text</Content></Tip>"
                               "<Note><Content>not a tip</Content></Note>"
                               "<Tip/>"
                               "<Tip HelpID=\"x\"><Content><![CDATA[{\\rtf1 rich}]]></Content></Tip>"
                               "</TipList>"));
    TTips tips(QStringLiteral("English"));
    ASSERT_EQ(tips.count(), 3);
    EXPECT_EQ(str(tips.tips()[0].Text), "plain & bold text");
    EXPECT_EQ(tips.tips()[0].HelpID, 12);
    EXPECT_EQ(str(tips.tips()[1].Text), "");
    EXPECT_EQ(tips.tips()[1].HelpID, -1);
    EXPECT_EQ(str(tips.tips()[2].Text), "{\\rtf1 rich}");
    EXPECT_EQ(tips.tips()[2].HelpID, -1);
    EXPECT_EQ(tips.Next(), QString());
    EXPECT_EQ(tips.HelpID(), -1);
    tips.Previous();
    EXPECT_EQ(tips.HelpID(), 12);
}

TEST_F(TTipsTest, ShippedFilesAreInstalledWhenMissingAndNeverOverwritten)
{
    const QString english = m_data.path(QStringLiteral("Tips - English.xml"));
    const QString swedish = m_data.path(QStringLiteral("Tips - Svenska.xml"));
    ASSERT_TRUE(writeWholeFile(swedish, "<TipList><Tip><Content>mine</Content></Tip></TipList>"));
    TTips::InstallShippedTipFiles();
    ASSERT_TRUE(QFileInfo::exists(english));
    EXPECT_EQ(readWholeFile(swedish), QByteArray("<TipList><Tip><Content>mine</Content></Tip></TipList>"));

    ASSERT_TRUE(QFile::remove(english));
    ASSERT_TRUE(QFile::remove(swedish));
    for (const QString& language : TTips::ShippedLanguages()) {
        TTips tips(language);
        SCOPED_TRACE(language.toStdString());
        EXPECT_GE(tips.count(), 12);
        for (const TTipOfTheDay& tip : tips.tips())
            EXPECT_GT(tip.Text.size(), 40);
    }
    EXPECT_TRUE(readWholeFile(swedish).contains("värd"));

    // A language nothing ships for gets an empty file.
    TTips none(QStringLiteral("Klingon"));
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(readWholeFile(m_data.path(QStringLiteral("Tips - Klingon.xml"))),
              QByteArray("<?xml version=\"1.0\"?>\n<TipList />\n"));
}

TEST_F(TTipsTest, LanguageCannotNameAFileOutsideTheDataFolder)
{
    EXPECT_EQ(str(TTips::TipFileName(QStringLiteral("../../evil"))), "Tips - .._.._evil.xml");
    TTips tips(QStringLiteral("..\\x/y"));
    EXPECT_EQ(QFileInfo(tips.filePath()).absolutePath(), QFileInfo(m_data.dataFolder()).absoluteFilePath());
}

} // namespace
