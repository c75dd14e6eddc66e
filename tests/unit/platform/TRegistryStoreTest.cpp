#include "platform/TRegistryStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using platform::TRegistryStore;

namespace {

const QString kAppKey = QStringLiteral("Software\\Vantor FTP");
const QString kHostsKey = QStringLiteral("Software\\Vantor FTP\\Hosts");

class TRegistryStoreTest : public ::testing::Test
{
protected:
    QString iniPath() const { return m_dir.path() + QStringLiteral("/Registry.ini"); }
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir m_dir;
};

TEST_F(TRegistryStoreTest, ValuesPersistAcrossInstancesWithEitherSeparator)
{
    {
        TRegistryStore store(iniPath());
        EXPECT_TRUE(store.loadError().isEmpty());
        EXPECT_TRUE(
            store.writeString(kAppKey, QStringLiteral("AppFilename"), QStringLiteral("/opt/vantor ftp/bin")));
        EXPECT_TRUE(store.writeInteger(kAppKey, QStringLiteral("ConnectionNumber"), 1234567890123LL));
        EXPECT_TRUE(store.writeString(QStringLiteral("Software/Vantor FTP/Text"), QStringLiteral("Odd"),
                                      QStringLiteral("@Variant(not really) – ünïcode")));
    }
    TRegistryStore store(iniPath());
    EXPECT_EQ(store.readString(QStringLiteral("Software/Vantor FTP/"), QStringLiteral("AppFilename")),
              QStringLiteral("/opt/vantor ftp/bin"));
    EXPECT_EQ(store.readInteger(kAppKey, QStringLiteral("ConnectionNumber")), 1234567890123LL);
    EXPECT_EQ(store.readString(kAppKey + QStringLiteral("\\Text"), QStringLiteral("Odd")),
              QStringLiteral("@Variant(not really) – ünïcode"));
    EXPECT_EQ(store.readString(kAppKey, QStringLiteral("Missing"), QStringLiteral("fallback")),
              QStringLiteral("fallback"));
    // A text where a number is expected reads as the fallback.
    EXPECT_EQ(store.readInteger(kAppKey, QStringLiteral("AppFilename"), -1), -1);
    EXPECT_EQ(files(), QStringList{QStringLiteral("Registry.ini")});
}

// The host mirror: one subkey per host named by its ID, the name in the unnamed
// value, rebuilt from scratch on every save.
TEST_F(TRegistryStoreTest, MirrorOfSubkeysWithDefaultValues)
{
    TRegistryStore store(iniPath());
    const QString a = QStringLiteral("{0A7F0000-0000-4000-8000-000000000001}");
    const QString b = QStringLiteral("{0B7F0000-0000-4000-8000-000000000002}");
    EXPECT_FALSE(store.keyExists(kHostsKey));
    store.writeString(kHostsKey + QLatin1Char('\\') + a, QString(), QStringLiteral("First host"));
    store.writeString(kHostsKey + QLatin1Char('\\') + b, QString(), QStringLiteral("Second host"));
    EXPECT_TRUE(store.keyExists(kHostsKey));
    EXPECT_EQ(store.subKeys(kHostsKey), (QStringList{a, b}));
    EXPECT_EQ(store.valueNames(kHostsKey + QLatin1Char('\\') + a), QStringList{QString()});
    EXPECT_EQ(store.readString(kHostsKey + QLatin1Char('\\') + b, QString()), QStringLiteral("Second host"));

    store.deleteKey(kHostsKey);
    EXPECT_FALSE(store.keyExists(kHostsKey));
    EXPECT_TRUE(store.subKeys(kHostsKey).isEmpty());
    store.writeString(kHostsKey + QLatin1Char('\\') + b, QString(), QStringLiteral("Second host"));
    ASSERT_TRUE(store.sync());

    TRegistryStore reread(iniPath());
    EXPECT_EQ(reread.subKeys(kHostsKey), QStringList{b});
}

TEST_F(TRegistryStoreTest, DeletesAreScopedAndBadNamesRefused)
{
    TRegistryStore store(iniPath());
    store.writeString(kAppKey, QStringLiteral("Keep"), QStringLiteral("1"));
    store.writeString(kAppKey, QStringLiteral("Drop"), QStringLiteral("2"));
    store.deleteValue(kAppKey, QStringLiteral("Drop"));
    store.deleteValue(kAppKey, QStringLiteral("NeverThere"));
    EXPECT_EQ(store.valueNames(kAppKey), QStringList{QStringLiteral("Keep")});

    EXPECT_FALSE(store.writeString(kAppKey, QStringLiteral("a/b"), QStringLiteral("x")));
    EXPECT_FALSE(store.writeInteger(kAppKey, QStringLiteral("a\\b"), 1));
    EXPECT_TRUE(store.subKeys(kAppKey).isEmpty());

    // Deleting the root path must not wipe the store.
    store.deleteKey(QStringLiteral("\\"));
    EXPECT_TRUE(store.valueExists(kAppKey, QStringLiteral("Keep")));
}

TEST_F(TRegistryStoreTest, UnreadableFileIsCopiedAsideBeforeItIsRewritten)
{
    const QByteArray damaged = "[Software\nVantor%20FTP\\AppFilename=/old\n";
    {
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }
    {
        TRegistryStore store(iniPath());
        EXPECT_FALSE(store.loadError().isEmpty());
        store.writeString(kAppKey, QStringLiteral("AppFilename"), QStringLiteral("/new"));
    }
    const QStringList copies = files().filter(QStringLiteral("Registry.ini.unreadable-"));
    ASSERT_EQ(copies.size(), 1);
    QFile copy(m_dir.path() + QLatin1Char('/') + copies.first());
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), damaged);
    TRegistryStore reread(iniPath());
    EXPECT_TRUE(reread.loadError().isEmpty());
    EXPECT_EQ(reread.readString(kAppKey, QStringLiteral("AppFilename")), QStringLiteral("/new"));
}

} // namespace
