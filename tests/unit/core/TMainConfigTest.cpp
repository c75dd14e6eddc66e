#include "core/TMainConfig.h"
#include "core/AppRegistry.h"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "CoreTestSupport.h"
#include "platform/TSystemRegistrations.h"

namespace {

class TMainConfigTest : public ::testing::Test
{
protected:
    QString configPath() const { return m_data.path(QStringLiteral("Config.xml")); }
    QByteArray configText() const { return readWholeFile(configPath()); }
    void writeConfig(const QByteArray& text)
    {
        ASSERT_TRUE(QDir().mkpath(m_data.dataFolder()));
        ASSERT_TRUE(writeWholeFile(configPath(), text));
    }

    TempDataDir m_data;
};

TEST_F(TMainConfigTest, MissingFileIsCreatedEmptyAndEveryKeyReadsItsDefault)
{
    TMainConfig config;
    EXPECT_TRUE(config.loadError().isEmpty());
    EXPECT_EQ(config.DataFolder(), m_data.dataFolder());
    // A new file says at once that it belongs to a first start.
    EXPECT_EQ(configText(),
              QByteArray("<?xml version=\"1.0\"?>\n<Config>\n  <FirstRun value=\"True\" />\n</Config>\n"));

    // The key names are the element names of existing files: a typo loses a setting.
    const std::vector<std::pair<const char*, const char*>> expected = {
        {"LocalViewStyle", "vsReport"},
        {"RemoteViewStyle", "vsReport"},
        {"LocalSortColumn", "0"},
        {"RemoteHeaderSortColumn", "0"},
        {"RemoteHeaderSortDirection", "sdDescending"},
        {"MaxRemoteMRUPaths", "12"},
        {"LastQueueDirectory", ""},
        {"AnonymousEmail", "anonymous@example.com"},
        {"MaxFTPTransferCount", "3"},
        {"RetryDelay", "30"},
        {"MaxRetryCount", "3"},
        {"LocalFileAlreadyExistsAction", "faeAsk"},
        {"LocalFileSmallerAlreadyExistsAction", "faeAsk"},
        {"RemoteFileAlreadyExistsAction", "faeAsk"},
        {"RemoteFileSmallerAlreadyExistsAction", "faeAsk"},
        {"DefaultFileTransferType", "fttBinary"},
        {"MainFormTop", "100"},
        {"MainFormLeft", "100"},
        {"MainFormHeight", "500"},
        {"MainFormWidth", "700"},
        {"MainFormMaximized", "False"},
        {"BottomPanelHeight", "180"},
        {"LocalPanelWidth", "340"},
        {"SelectedBottomPageControlIndex", "0"},
        {"MainToolbarDockPos", "120"},
        {"MainToolbarDockRow", "1"},
        {"MainMenuToolbarDockPos", "0"},
        {"MainMenuToolbarDockRow", "0"},
        {"ShowMainToolbar", "True"},
        {"ShowLocalToolbar", "True"},
        {"ShowRemoteToolbar", "True"},
        {"ShowQueueLogToolbar", "True"},
        {"ShowLocalSelectionPanel", "True"},
        {"ShowRemoteSelectionPanel", "True"},
        {"RememberFormState", "True"},
        {"LastConnectedHostID", ""},
        {"LastQuickConnectedHostID", ""},
        {"ShowHostManagerOnStartup", "False"},
        {"ShowQuickConnectOnStartup", "False"},
        {"ShowSplashOnStartup", "True"},
        {"ShowTipOnStartup", "True"},
        {"LastTipIndex", "0"},
        {"PlayQueueOnStartup", "False"},
        {"TrayIcon", "False"},
        {"Language", "English"},
        {"FirstRun", "False"},
        {"DefaultDialupConnection", ""},
        {"DefaultProxyType", "fpcmNone"},
        {"DefaultProxyHost", ""},
        {"DefaultProxyPort", "0"},
        {"DefaultProxyUsername", ""},
        {"DefaultProxyPassword", ""},
        {"ConnectTimeout", "30"},
        {"ReplyTimeout", "60"},
        {"UseSecretStore", "False"},
    };
    const auto& keys = TMainConfig::Keys();
    ASSERT_EQ(keys.size(), expected.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_STREQ(keys[i].name, expected[i].first);
        EXPECT_EQ(keys[i].defaultText, QString::fromLatin1(expected[i].second)) << expected[i].first;
        const bool readOnly =
            QByteArrayList{"MaxRemoteMRUPaths", "LastQueueDirectory", "RetryDelay", "MaxRetryCount"}.contains(
                keys[i].name);
        EXPECT_EQ(keys[i].writable, !readOnly) << keys[i].name;
    }

    // The typed getters agree with the table.
    EXPECT_EQ(config.LocalViewStyle(), TViewStyle::vsReport);
    EXPECT_EQ(config.RemoteHeaderSortDirection(), TRzLVSortDirection::sdDescending);
    EXPECT_EQ(config.RemoteFileSmallerAlreadyExistsAction(), TFileAlreadyExistsAction::faeAsk);
    EXPECT_EQ(config.DefaultFileTransferType(), TFileTransferType::fttBinary);
    EXPECT_EQ(config.MainToolbarDockPos(), 120);
    EXPECT_EQ(config.RetryDelay(), 30);
    EXPECT_TRUE(config.ShowQueueLogToolbar());
    // The file's default is False, but a settings file made by this start is a first run.
    EXPECT_TRUE(config.FirstRun());
    EXPECT_EQ(config.Language(), QStringLiteral("English"));
    EXPECT_EQ(config.DefaultProxyType(), TIdFtpProxyType::fpcmNone);
    EXPECT_FALSE(config.isModified());
}

TEST_F(TMainConfigTest, SetValuesStayInMemoryUntilSaveAndComeBack)
{
    {
        TMainConfig config;
        config.SetMainFormTop(5);
        config.SetLocalViewStyle(TViewStyle::vsList);
        config.SetMainFormMaximized(true);
        config.SetAnonymousEmail(QStringLiteral("me@example.org"));
        config.SetDefaultProxyType(TIdFtpProxyType::fpcmSite);
        EXPECT_EQ(config.MainFormTop(), 5);
        EXPECT_EQ(
            configText(),
            QByteArray("<?xml version=\"1.0\"?>\n<Config>\n  <FirstRun value=\"True\" />\n</Config>\n"));
        ASSERT_TRUE(config.Save());
        EXPECT_EQ(configText(), QByteArray("<?xml version=\"1.0\"?>\n<Config>\n"
                                           "  <FirstRun value=\"True\" />\n"
                                           "  <MainFormTop value=\"5\" />\n"
                                           "  <LocalViewStyle value=\"vsList\" />\n"
                                           "  <MainFormMaximized value=\"True\" />\n"
                                           "  <AnonymousEmail value=\"me@example.org\" />\n"
                                           "  <DefaultProxyType value=\"fpcmSite\" />\n"
                                           "</Config>\n"));
        // Changes after the last save reach the file when the store goes away.
        config.SetMainFormTop(6);
    }
    TMainConfig config;
    EXPECT_EQ(config.MainFormTop(), 6);
    EXPECT_EQ(config.LocalViewStyle(), TViewStyle::vsList);
    EXPECT_TRUE(config.MainFormMaximized());
    EXPECT_EQ(config.AnonymousEmail(), QStringLiteral("me@example.org"));
    EXPECT_EQ(config.DefaultProxyType(), TIdFtpProxyType::fpcmSite);
}

TEST_F(TMainConfigTest, UnchangedStoreNeverRewritesTheFile)
{
    const QByteArray handWritten =
        "<Config><MainFormTop value=\"7\"/>  <Language value=\"Svenska\"/></Config>";
    writeConfig(handWritten);
    {
        TMainConfig config;
        EXPECT_EQ(config.MainFormTop(), 7);
        config.SetMainFormTop(7); // same value: nothing to write
    }
    EXPECT_EQ(configText(), handWritten);
}

TEST_F(TMainConfigTest, StartupDialogsExcludeEachOther)
{
    TMainConfig config;
    config.SetShowHostManagerOnStartup(true);
    config.SetShowQuickConnectOnStartup(true);
    EXPECT_TRUE(config.ShowQuickConnectOnStartup());
    EXPECT_FALSE(config.ShowHostManagerOnStartup());
    config.SetShowHostManagerOnStartup(true);
    EXPECT_FALSE(config.ShowQuickConnectOnStartup());
    // Switching one off leaves the other alone.
    config.SetShowQuickConnectOnStartup(false);
    EXPECT_TRUE(config.ShowHostManagerOnStartup());
}

TEST_F(TMainConfigTest, LastQueueDirectoryFallsBackToTheProgramsSettingsFolder)
{
    TMainConfig config;
    const QString fallback =
        QCoreApplication::applicationDirPath() + QDir::separator() + QStringLiteral("Settings");
    EXPECT_EQ(config.LastQueueDirectory(), fallback);

    const QString queues = m_data.root() + QStringLiteral("/queues");
    ASSERT_TRUE(QDir().mkdir(queues));
    config.SetValue(QStringLiteral("LastQueueDirectory"), queues);
    EXPECT_EQ(config.LastQueueDirectory(), queues);
    ASSERT_TRUE(QDir().rmdir(queues));
    EXPECT_EQ(config.LastQueueDirectory(), fallback);
}

TEST_F(TMainConfigTest, HandEditedValuesReadForgivinglyOrAsDefault)
{
    writeConfig("<Config>"
                "<Language value=\"Svenska\"/><Language value=\"English\"/>"
                "<DefaultFileTransferType value=\"fttASCII\"/>"
                "<LocalViewStyle value=\"vsNoSuchStyle\"/>"
                "<RemoteViewStyle value=\" vssmallicon \"/>"
                "<MainFormTop value=\"abc\"/>"
                "<MainFormLeft value=\" 42 \"/>"
                "<MainFormHeight value=\"99999999999\"/>"
                "<MainFormWidth/>"
                "<ShowMainToolbar value=\"false\"/>"
                "<ShowLocalToolbar value=\"0\"/>"
                "<ShowRemoteToolbar value=\"yes\"/>"
                "<TrayIcon value=\"1\"/>"
                "</Config>");
    TMainConfig config;
    EXPECT_TRUE(config.loadError().isEmpty());
    EXPECT_EQ(config.Language(), QStringLiteral("Svenska"));
    EXPECT_EQ(config.DefaultFileTransferType(), TFileTransferType::fttASCII);
    EXPECT_EQ(config.LocalViewStyle(), TViewStyle::vsReport);
    EXPECT_EQ(config.RemoteViewStyle(), TViewStyle::vsSmallIcon);
    EXPECT_EQ(config.MainFormTop(), 100);
    EXPECT_EQ(config.MainFormLeft(), 42);
    EXPECT_EQ(config.MainFormHeight(), 500);
    EXPECT_EQ(config.MainFormWidth(), 700);
    EXPECT_FALSE(config.ShowMainToolbar());
    EXPECT_FALSE(config.ShowLocalToolbar());
    EXPECT_TRUE(config.ShowRemoteToolbar());
    EXPECT_TRUE(config.TrayIcon());

    // Setting the duplicated key changes the first element only.
    config.SetLanguage(QStringLiteral("English"));
    EXPECT_EQ(config.Language(), QStringLiteral("English"));
}

TEST_F(TMainConfigTest, CorruptFileIsCopiedAsideAndOnlyThenReplaced)
{
    const QByteArray damaged = "<Config><MainFormTop value=\"5\"></Config";
    writeConfig(damaged);
    {
        TMainConfig config;
        EXPECT_FALSE(config.loadError().isEmpty());
        EXPECT_EQ(configText(), damaged);
        const QStringList copies = m_data.files().filter(QStringLiteral("Config.xml.unreadable-"));
        ASSERT_EQ(copies.size(), 1);
        EXPECT_TRUE(config.loadError().contains(copies.first()));
        EXPECT_EQ(readWholeFile(m_data.path(copies.first())), damaged);
        EXPECT_EQ(config.MainFormTop(), 100);
        config.SetMainFormLeft(3);
    }
    TMainConfig config;
    EXPECT_TRUE(config.loadError().isEmpty());
    EXPECT_EQ(config.MainFormLeft(), 3);
    EXPECT_EQ(m_data.files().filter(QStringLiteral(".unreadable-")).size(), 1);
}

TEST_F(TMainConfigTest, UnusableDataFolderLeavesAWorkingInMemoryStore)
{
    ASSERT_TRUE(writeWholeFile(m_data.dataFolder(), "a file where the folder should be"));
    TMainConfig config;
    EXPECT_FALSE(config.loadError().isEmpty());
    EXPECT_EQ(config.MaxFTPTransferCount(), 3);
    config.SetMaxFTPTransferCount(5);
    EXPECT_EQ(config.MaxFTPTransferCount(), 5);
    EXPECT_FALSE(config.Save());
}

TEST_F(TMainConfigTest, GenericValuesAndRememberedAnswers)
{
    {
        TMainConfig config;
        EXPECT_EQ(config.DialogDefault(QStringLiteral("IDS_54")), 0);
        config.SetDialogDefault(QStringLiteral("IDS_54"), 6);
        EXPECT_EQ(config.DialogDefault(QStringLiteral("IDS_54")), 6);
        EXPECT_EQ(config.GetValue(QStringLiteral("IDS_54DialogDefault"), 0).toString(), QStringLiteral("6"));
        EXPECT_EQ(config.GetValue(QStringLiteral("Unknown"), QStringLiteral("dflt")).toString(),
                  QStringLiteral("dflt"));
        config.SetValue(QStringLiteral("SomeFlag"), true);
        // Names that cannot be element names are refused rather than written into
        // a file that would then fail to load.
        config.SetValue(QStringLiteral("two words"), 1);
        config.SetValue(QStringLiteral("<evil>"), 1);
        config.SetDialogDefault(QStringLiteral("bad key"), 7);
        EXPECT_EQ(config.DialogDefault(QStringLiteral("bad key")), 0);
    }
    TMainConfig config;
    EXPECT_TRUE(config.loadError().isEmpty());
    EXPECT_EQ(config.GetValue(QStringLiteral("SomeFlag"), QString()).toString(), QStringLiteral("True"));
    EXPECT_EQ(config.DialogDefault(QStringLiteral("IDS_54")), 6);
}

class RecordingRegistrations final : public platform::TSystemRegistrations
{
public:
    bool startWithSystem() const override { return m_start; }
    bool setStartWithSystem(bool enabled) override { return std::exchange(m_start, enabled), true; }
    bool ftpHandler() const override { return m_ftp; }
    bool setFtpHandler(bool enabled) override { return std::exchange(m_ftp, enabled), true; }
    bool contextMenu() const override { return m_menu; }
    bool setContextMenu(bool enabled) override { return std::exchange(m_menu, enabled), true; }

    bool m_start = false, m_ftp = false, m_menu = false;
};

TEST_F(TMainConfigTest, RegistrySettingsGoThroughTheRegistrationsNotTheFile)
{
    auto registrations = std::make_shared<RecordingRegistrations>();
    {
        TMainConfig config(registrations);
        EXPECT_TRUE(config.SetDefaultFTPProgram(true));
        EXPECT_TRUE(config.SetContextMenu(true));
        EXPECT_TRUE(config.DefaultFTPProgram());
        EXPECT_TRUE(config.ContextMenu());
        EXPECT_FALSE(config.StartWithSystem());
        EXPECT_FALSE(config.isModified());
    }
    EXPECT_TRUE(registrations->m_ftp && registrations->m_menu && !registrations->m_start);

    TMainConfig inactive;
    EXPECT_FALSE(inactive.SetStartWithSystem(true));
    EXPECT_FALSE(inactive.StartWithSystem());
}

TEST_F(TMainConfigTest, GlobalStoreIsCreatedAndFlushedOnDestroy)
{
    EXPECT_EQ(MainConfig(), nullptr);
    TMainConfig& config = TMainConfig::createGlobal();
    EXPECT_EQ(MainConfig(), &config);
    config.SetLastTipIndex(9);
    TMainConfig::destroyGlobal();
    EXPECT_EQ(MainConfig(), nullptr);
    EXPECT_TRUE(configText().contains("<LastTipIndex value=\"9\" />"));
}

TEST_F(TMainConfigTest, AppRegistryLivesInTheDataFolder)
{
    {
        const auto registry = OpenAppRegistry();
        ASSERT_NE(registry, nullptr);
        registry->writeString(kAppRegistryKey, QStringLiteral("AppFilename"), QStringLiteral("/usr/bin/x"));
    }
    EXPECT_TRUE(QFileInfo(m_data.path(QStringLiteral("Registry.ini"))).isFile());
    TMainConfig::createGlobal();
    const auto registry = OpenAppRegistry();
    TMainConfig::destroyGlobal();
    ASSERT_NE(registry, nullptr);
    EXPECT_EQ(registry->readString(kAppRegistryKey, QStringLiteral("AppFilename")),
              QStringLiteral("/usr/bin/x"));
}

// Transfer threads read settings while the window changes them.
TEST_F(TMainConfigTest, ReadsFromOtherThreadsWhileSettingsChange)
{
    TMainConfig config;
    std::atomic<bool> stop{false};
    std::atomic<int> badReads{0};
    std::thread reader([&] {
        while (!stop) {
            if (config.AnonymousEmail() != QStringLiteral("anonymous@example.com"))
                ++badReads;
            if (config.RetryDelay() != 30)
                ++badReads;
        }
    });
    for (int i = 0; i < 2000; ++i)
        config.SetValue(QStringLiteral("Key%1").arg(i), i);
    stop = true;
    reader.join();
    EXPECT_EQ(badReads, 0);
    EXPECT_EQ(config.GetValue(QStringLiteral("Key1999"), QString()).toString(), QStringLiteral("1999"));
}

TEST(EnumNames, NamesOrdinalsAndUnknowns)
{
    EXPECT_EQ(EnumToName(TFileAlreadyExistsAction::faeResume), QStringLiteral("faeResume"));
    EXPECT_EQ(EnumFromName<TFileTransferType>(u"FTTascii"), TFileTransferType::fttASCII);
    EXPECT_FALSE(EnumFromName<TViewStyle>(u"vsTiles").has_value());
    EXPECT_EQ(EnumFromName(u"", TRzLVSortDirection::sdDescending), TRzLVSortDirection::sdDescending);
    // Host files store the proxy type by ordinal.
    EXPECT_EQ(EnumFromOrdinal<TIdFtpProxyType>(6), TIdFtpProxyType::fpcmHttpProxyWithFtp);
    EXPECT_EQ(EnumFromOrdinal<TIdFtpProxyType>(7), TIdFtpProxyType::fpcmCustomProxy);
    EXPECT_FALSE(EnumFromOrdinal<TIdFtpProxyType>(8).has_value());
    EXPECT_FALSE(EnumFromOrdinal<TIdFtpProxyType>(-1).has_value());
}

} // namespace
