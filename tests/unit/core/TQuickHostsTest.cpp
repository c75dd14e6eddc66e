#include "core/TQuickHosts.h"

#include <gtest/gtest.h>

#include "CoreTestSupport.h"
#include "StoreTestSupport.h"
#include "core/EConvertError.h"
#include "core/EVariantError.h"
#include "core/THost.h"

namespace {

const QString kID1 = QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
const QString kID2 = QStringLiteral("{9B2F1C44-0D6A-4E5B-8C3D-2A1B0F9E8D7C}");

class TQuickHostsTest : public ::testing::Test
{
protected:
    QString quickPath() const { return m_data.path(QStringLiteral("QuickHosts.xml")); }
    void writeQuick(const QByteArray& body)
    {
        QDir().mkpath(m_data.dataFolder());
        ASSERT_TRUE(
            writeWholeFile(quickPath(), "<?xml version=\"1.0\"?>\n<HostList>" + body + "</HostList>"));
    }

    TempDataDir m_data;
};

THost quickHost(const QString& id)
{
    THost host;
    host.SetHostIDText(id);
    host.CommonName = QStringLiteral("ftp.example.org");
    host.Hostname = host.CommonName;
    host.Username = QStringLiteral("bob");
    host.Password = QStringLiteral("secret");
    return host;
}

TEST_F(TQuickHostsTest, FormatHasNoDialupFieldsAndNoBookmarks)
{
    THost host = quickHost(kID1);
    host.DialupConnection = QStringLiteral("Modem");
    host.DisconnectDialupAfterDisconnect = true;
    host.AddBookmark(QStringLiteral("/pub"));
    host.ProxySettings = {TIdFtpProxyType::fpcmCustomProxy, QStringLiteral("p"), 1, QStringLiteral("u"),
                          QStringLiteral("pw")};
    {
        TQuickHosts store;
        ASSERT_TRUE(store.AddOrUpdate(host));
        // The running record keeps what it was given.
        EXPECT_EQ(store.FindByID(kID1)->Bookmarks.size(), 1);
    }
    EXPECT_EQ(
        readWholeFile(quickPath()),
        "<?xml version=\"1.0\"?>\n<HostList>\n"
        "  <Host CommonName=\"ftp.example.org\" Hostname=\"ftp.example.org\" Port=\"21\" Username=\"bob\" "
        "Password=\"D4I8iIL9fihDIGmb7Vrnf+\" IsAnonymous=\"False\" InitialRemoteDirectory=\"\" "
        "InitialLocalDirectory=\"\" HostID=\"" +
            kID1.toLatin1() +
            "\" Passive=\"True\" UseSSL=\"False\" UseDefaultProxySettings=\"False\" ProxyType=\"7\" "
            "ProxyHost=\"p\" ProxyPort=\"1\" ProxyUsername=\"u\" ProxyPassword=\"pw\" />\n"
            "</HostList>\n");

    TQuickHosts reread;
    ASSERT_EQ(reread.count(), 1);
    const THost& back = *reread.hosts().front();
    EXPECT_EQ(back.Password, QStringLiteral("secret"));
    EXPECT_TRUE(back.Bookmarks.isEmpty());
    EXPECT_TRUE(back.DialupConnection.isEmpty());
    EXPECT_FALSE(back.DisconnectDialupAfterDisconnect);
    EXPECT_EQ(back.ProxySettings, host.ProxySettings);
}

TEST_F(TQuickHostsTest, ConnectingTwiceToTheSameHostKeepsOneEntryWithTheLatestValues)
{
    TQuickHosts store;
    THost host = quickHost(kID1);
    ASSERT_TRUE(store.AddOrUpdate(host));
    ASSERT_TRUE(store.AddOrUpdate(quickHost(kID2)));
    host.Port = 2121;
    host.UseDefaultProxySettings = true;
    ASSERT_TRUE(store.AddOrUpdate(host));
    EXPECT_EQ(store.count(), 2);
    EXPECT_EQ(store.FindByID(kID1)->Port, 2121);

    TQuickHosts reread;
    ASSERT_EQ(reread.count(), 2);
    EXPECT_EQ(reread.hosts()[0]->HostIDText(), kID1);
    EXPECT_EQ(reread.hosts()[0]->Port, 2121);
    // Proxy attributes written earlier stay on the element but are not read.
    EXPECT_TRUE(readWholeFile(quickPath()).contains("ProxyType"));
    EXPECT_TRUE(reread.hosts()[0]->UseDefaultProxySettings);
}

TEST_F(TQuickHostsTest, DeleteOfTheOnlyEntryLeavesAnEmptyRoot)
{
    {
        TQuickHosts store;
        ASSERT_TRUE(store.AddOrUpdate(quickHost(kID1)));
        const THost& own = *store.hosts().front();
        ASSERT_TRUE(store.Delete(own));
        EXPECT_EQ(store.count(), 0);
        EXPECT_EQ(store.FindByID(kID1), nullptr);
    }
    EXPECT_EQ(readWholeFile(quickPath()), QByteArray("<?xml version=\"1.0\"?>\n<HostList />\n"));
}

TEST_F(TQuickHostsTest, AnyRootChildWithACommonNameIsAQuickHost)
{
    const QByteArray attributes = "Hostname=\"h\" IsAnonymous=\"True\" HostID=\"" + kID1.toLatin1() +
                                  "\" Passive=\"False\" UseSSL=\"True\" UseDefaultProxySettings=\"True\"";
    writeQuick("<Site CommonName=\"odd name\" " + attributes + "/><Host " + attributes + "/>");
    TQuickHosts store;
    ASSERT_TRUE(store.loadError().isEmpty()) << store.loadError().toStdString();
    ASSERT_EQ(store.count(), 1);
    EXPECT_EQ(store.hosts().front()->CommonName, QStringLiteral("odd name"));
    EXPECT_TRUE(store.hosts().front()->IsAnonymous);
    EXPECT_TRUE(store.hosts().front()->UseSSL);
    EXPECT_TRUE(store.hosts().front()->Password.isEmpty());
}

TEST_F(TQuickHostsTest, ConversionErrorsNameTheElementOthersPassThrough)
{
    const QByteArray good = "<Host CommonName=\"first\" HostID=\"" + kID2.toLatin1() +
                            "\" IsAnonymous=\"False\" Passive=\"True\" UseSSL=\"False\" "
                            "UseDefaultProxySettings=\"True\"/>";
    const QByteArray badBoolean = "<Host CommonName=\"x\" HostID=\"" + kID1.toLatin1() +
                                  "\" IsAnonymous=\"perhaps\" Passive=\"True\" UseSSL=\"False\" "
                                  "UseDefaultProxySettings=\"True\"/>";
    writeQuick(good + badBoolean + good);
    {
        TQuickHosts store;
        store.setSaveOnDestruction(false);
        EXPECT_EQ(store.count(), 1);
        EXPECT_TRUE(store.loadIncomplete());
        EXPECT_EQ(str(store.loadError()), "Could not read: " + badBoolean.toStdString());
        EXPECT_THROW(store.Reload(), EVariantError);
    }

    writeQuick(good + "<Host CommonName=\"x\" HostID=\"nonsense\" IsAnonymous=\"False\" Passive=\"True\" "
                      "UseSSL=\"False\" UseDefaultProxySettings=\"True\"/>");
    {
        TQuickHosts store;
        store.setSaveOnDestruction(false);
        EXPECT_EQ(store.count(), 1);
        EXPECT_EQ(str(store.loadError()), "\"nonsense\" is not a valid host ID");
        EXPECT_THROW(store.Reload(), EConvertError);
    }

    // An own proxy without a port is a conversion failure too.
    writeQuick("<Host CommonName=\"x\" HostID=\"" + kID1.toLatin1() +
               "\" IsAnonymous=\"False\" Passive=\"True\" UseSSL=\"False\" UseDefaultProxySettings=\"False\" "
               "ProxyType=\"3\"/>");
    TQuickHosts store;
    store.setSaveOnDestruction(false);
    EXPECT_TRUE(store.loadError().startsWith(QStringLiteral("Could not read: <Host CommonName=\"x\"")));
}

TEST_F(TQuickHostsTest, SavedOnDestructionUnlessTold)
{
    {
        TQuickHosts store;
        ASSERT_TRUE(store.AddOrUpdate(quickHost(kID1)));
    }
    ASSERT_TRUE(QFile::remove(quickPath()));
    {
        TQuickHosts store; // recreates the empty file
        store.setSaveOnDestruction(false);
        ASSERT_TRUE(QFile::remove(quickPath()));
    }
    EXPECT_FALSE(QFileInfo::exists(quickPath()));
    {
        TQuickHosts store;
        ASSERT_TRUE(QFile::remove(quickPath()));
    }
    EXPECT_TRUE(QFileInfo::exists(quickPath()));
}

} // namespace
