// Host and proxy passwords in the desktop's secret store (setting UseSecretStore),
// with an in-memory store standing in for the desktop's.
#include <gtest/gtest.h>

#include <QHash>

#include "CoreTestSupport.h"
#include "core/THost.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TMemoryHostTree.h"
#include "core/TSecretStore.h"

namespace {

const QString kID = QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");

class TFakeSecretStore final : public TSecretStore
{
public:
    QHash<QString, QString> secrets;
    bool failReads = false;
    bool failWrites = false;
    int calls = 0;

    TReadResult read(const QString& key, QString& secret, QString* error) override
    {
        ++calls;
        if (failReads) {
            if (error)
                *error = QStringLiteral("locked");
            return TReadResult::Failed;
        }
        if (!secrets.contains(key))
            return TReadResult::NotFound;
        secret = secrets.value(key);
        return TReadResult::Found;
    }
    bool write(const QString& key, const QString& secret, QString* error) override
    {
        ++calls;
        if (failWrites) {
            if (error)
                *error = QStringLiteral("no backend");
            return false;
        }
        secrets.insert(key, secret);
        return true;
    }
    bool remove(const QString& key, QString* error) override
    {
        ++calls;
        if (failWrites) {
            if (error)
                *error = QStringLiteral("no backend");
            return false;
        }
        secrets.remove(key);
        return true;
    }
};

class THostsSecretStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto store = std::make_unique<TFakeSecretStore>();
        m_store = store.get();
        TSecretStore::setInstance(std::move(store));
        TMainConfig::createGlobal();
    }
    void TearDown() override
    {
        TMainConfig::destroyGlobal();
        TSecretStore::setInstance(nullptr);
    }
    QByteArray hostsFile() const { return readWholeFile(m_data.path(QStringLiteral("Hosts.xml"))); }
    static THost makeHost()
    {
        THost host;
        host.SetHostIDText(kID);
        host.CommonName = QStringLiteral("work");
        host.Hostname = QStringLiteral("ftp.example.test");
        host.Username = QStringLiteral("bob");
        host.Password = QStringLiteral("s3cret");
        host.UseDefaultProxySettings = false;
        host.ProxySettings.ProxyType = TIdFtpProxyType::fpcmSite;
        host.ProxySettings.Host = QStringLiteral("proxy.example.test");
        host.ProxySettings.Port = 8021;
        host.ProxySettings.Password = QStringLiteral("proxy-pw");
        return host;
    }

    TempDataDir m_data;
    TFakeSecretStore* m_store = nullptr;
};

TEST_F(THostsSecretStoreTest, SettingOffKeepsPasswordsInTheFileAndNeverAsksTheStore)
{
    EXPECT_FALSE(MainConfig()->UseSecretStore());
    EXPECT_TRUE(TSecretStore::passwordStorageNotice().isEmpty());
    const THost host = makeHost();
    {
        THosts hosts;
        ASSERT_TRUE(hosts.UpdateHost(host));
    }
    const QByteArray file = hostsFile();
    EXPECT_TRUE(file.contains("Password=\"" + host.StoredPassword().toUtf8() + "\"")) << file.constData();
    EXPECT_TRUE(file.contains("ProxyPassword=\"proxy-pw\"")) << file.constData();
    THosts reloaded;
    ASSERT_NE(reloaded.FindByID(kID), nullptr);
    EXPECT_EQ(reloaded.FindByID(kID)->Password, host.Password);
    EXPECT_EQ(m_store->calls, 0);
}

TEST_F(THostsSecretStoreTest, SettingOnLeavesNoPasswordInTheFileAndReloadReadsTheStore)
{
    MainConfig()->SetUseSecretStore(true);
    EXPECT_FALSE(TSecretStore::passwordStorageNotice().isEmpty());
    THost host = makeHost();
    {
        THosts hosts;
        ASSERT_TRUE(hosts.UpdateHost(host));
        EXPECT_TRUE(hosts.secretStoreError().isEmpty());
    }
    QByteArray file = hostsFile();
    EXPECT_TRUE(file.contains(" Password=\"\"")) << file.constData();
    EXPECT_TRUE(file.contains("ProxyPassword=\"\"")) << file.constData();
    EXPECT_FALSE(file.contains(host.StoredPassword().toUtf8()));
    EXPECT_FALSE(file.contains("proxy-pw"));
    EXPECT_EQ(m_store->secrets.value(TSecretStore::hostPasswordKey(kID)), host.Password);
    EXPECT_EQ(m_store->secrets.value(TSecretStore::proxyPasswordKey(kID)), QStringLiteral("proxy-pw"));

    {
        THosts hosts;
        const THost* loaded = hosts.FindByID(kID);
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->Password, host.Password);
        EXPECT_EQ(loaded->ProxySettings.Password, QStringLiteral("proxy-pw"));

        // A cleared password leaves the store too, or the next load would bring it back.
        host.Password.clear();
        ASSERT_TRUE(hosts.UpdateHost(host));
    }
    EXPECT_FALSE(m_store->secrets.contains(TSecretStore::hostPasswordKey(kID)));
    {
        THosts hosts;
        ASSERT_NE(hosts.FindByID(kID), nullptr);
        EXPECT_TRUE(hosts.FindByID(kID)->Password.isEmpty());

        // A host removed from the tree takes its passwords with it.
        TMemoryHostTree emptied;
        emptied.addNode(nullptr, QStringLiteral("Hosts"), nullptr);
        hosts.SaveFromTree(emptied);
        ASSERT_TRUE(hosts.Save());
    }
    EXPECT_TRUE(m_store->secrets.isEmpty());
}

TEST_F(THostsSecretStoreTest, FailingStoreKeepsThePasswordInTheFileAndAnUnreadOneInTheStore)
{
    MainConfig()->SetUseSecretStore(true);
    m_store->failWrites = true;
    const THost host = makeHost();
    {
        THosts hosts;
        ASSERT_TRUE(hosts.UpdateHost(host));
        EXPECT_TRUE(hosts.secretStoreError().contains(QStringLiteral("no backend")))
            << hosts.secretStoreError().toStdString();
    }
    const QByteArray file = hostsFile();
    EXPECT_TRUE(file.contains("Password=\"" + host.StoredPassword().toUtf8() + "\"")) << file.constData();
    EXPECT_TRUE(file.contains("ProxyPassword=\"proxy-pw\"")) << file.constData();

    // The store works again: the next save moves the password out of the file.
    m_store->failWrites = false;
    {
        THosts hosts;
        ASSERT_NE(hosts.FindByID(kID), nullptr);
        EXPECT_EQ(hosts.FindByID(kID)->Password, host.Password);
        ASSERT_TRUE(hosts.Save());
    }
    EXPECT_FALSE(hostsFile().contains(host.StoredPassword().toUtf8()));
    EXPECT_EQ(m_store->secrets.value(TSecretStore::hostPasswordKey(kID)), host.Password);

    // A store that cannot be read (locked) must not lose the password it holds
    // when the hosts are saved meanwhile.
    m_store->failReads = true;
    {
        THosts hosts;
        ASSERT_NE(hosts.FindByID(kID), nullptr);
        EXPECT_TRUE(hosts.FindByID(kID)->Password.isEmpty());
        EXPECT_FALSE(hosts.secretStoreError().isEmpty());
        ASSERT_TRUE(hosts.Save());
    }
    EXPECT_EQ(m_store->secrets.value(TSecretStore::hostPasswordKey(kID)), host.Password);
    EXPECT_TRUE(hostsFile().contains(" Password=\"\"")) << hostsFile().constData();
    m_store->failReads = false;
    THosts hosts;
    ASSERT_NE(hosts.FindByID(kID), nullptr);
    EXPECT_EQ(hosts.FindByID(kID)->Password, host.Password);
}

} // namespace
