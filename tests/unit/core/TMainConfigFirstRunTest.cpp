#include <gtest/gtest.h>

#include <QDir>

#include "CoreTestSupport.h"
#include "core/TMainConfig.h"

namespace {

// A data folder whose settings file is made by this start is a first run: the
// first-run wizard must meet every new user, not only those whose file says so.
class TMainConfigFirstRunTest : public ::testing::Test
{
protected:
    QString configPath() const { return m_data.path(QStringLiteral("Config.xml")); }
    void writeConfig(const QByteArray& text)
    {
        ASSERT_TRUE(QDir().mkpath(m_data.dataFolder()));
        ASSERT_TRUE(writeWholeFile(configPath(), text));
    }

    TempDataDir m_data;
};

TEST_F(TMainConfigFirstRunTest, NewDataFolderIsAFirstRunUntilTheWizardHasRun)
{
    {
        TMainConfig config;
        EXPECT_TRUE(config.isNewDataFolder());
        EXPECT_TRUE(config.FirstRun());
        // The new file holds the value at once, so a start that ends before the
        // wizard has run leaves a first run for the next start.
        EXPECT_FALSE(config.isModified());
        EXPECT_TRUE(readWholeFile(configPath()).contains("<FirstRun value=\"True\" />"));
        TMainConfig cutShort;
        EXPECT_FALSE(cutShort.isNewDataFolder());
        EXPECT_TRUE(cutShort.FirstRun());
        config.SetFirstRun(false);
        EXPECT_FALSE(config.FirstRun());
        ASSERT_TRUE(config.Save());
    }
    EXPECT_TRUE(readWholeFile(configPath()).contains("<FirstRun value=\"False\" />"));
    TMainConfig reloaded;
    EXPECT_FALSE(reloaded.isNewDataFolder());
    EXPECT_FALSE(reloaded.FirstRun());
}

TEST_F(TMainConfigFirstRunTest, OtherDataFilesWithoutSettingsFileStillMakeAFirstRun)
{
    ASSERT_TRUE(QDir().mkpath(m_data.dataFolder()));
    ASSERT_TRUE(writeWholeFile(m_data.path(QStringLiteral("Hosts.xml")), "<Hosts />"));
    TMainConfig config;
    EXPECT_TRUE(config.FirstRun());
}

TEST_F(TMainConfigFirstRunTest, ExistingSettingsFileWithoutTheValueIsNoFirstRun)
{
    writeConfig("<Config><Language value=\"Svenska\"/></Config>");
    TMainConfig config;
    EXPECT_FALSE(config.isNewDataFolder());
    EXPECT_FALSE(config.FirstRun());
}

TEST_F(TMainConfigFirstRunTest, StoredValueWinsInBothDirections)
{
    writeConfig("<Config><FirstRun value=\"True\"/></Config>");
    {
        TMainConfig config;
        EXPECT_TRUE(config.FirstRun());
    }
    // A fresh folder whose store is told "no first run" (a setup tool) keeps it.
    QFile::remove(configPath());
    TMainConfig config;
    config.SetFirstRun(false);
    EXPECT_FALSE(config.FirstRun());
}

TEST_F(TMainConfigFirstRunTest, UnreadableSettingsFileIsNoFirstRun)
{
    // The user's settings are set aside, not lost: this is no new installation.
    writeConfig("<Config><FirstRun value=\"False\"></Config");
    TMainConfig config;
    EXPECT_FALSE(config.loadError().isEmpty());
    EXPECT_FALSE(config.FirstRun());
}

TEST_F(TMainConfigFirstRunTest, FirstRunIsAWritableSettingOfTheTable)
{
    for (const TMainConfig::TKeyInfo& key : TMainConfig::Keys()) {
        if (std::string_view(key.name) != "FirstRun")
            continue;
        EXPECT_TRUE(key.writable);
        EXPECT_EQ(key.defaultText, QStringLiteral("False"));
        return;
    }
    ADD_FAILURE() << "FirstRun is not in the settings table";
}

} // namespace
