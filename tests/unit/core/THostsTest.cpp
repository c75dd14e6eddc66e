#include "core/THosts.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include "CoreTestSupport.h"
#include "StoreTestSupport.h"
#include "core/EStoreError.h"
#include "core/EXMLLoadException.h"
#include "core/THost.h"
#include "core/TMemoryHostTree.h"
#include "core/TQuickHosts.h"
#include "core/TTranslationTable.h"
#include "platform/TRegistryStore.h"

namespace {

// IDs and stored passwords as another program wrote them: "secret" and the empty
// password enciphered under the first ID.
const QString kID1 = QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
const QString kID2 = QStringLiteral("{9B2F1C44-0D6A-4E5B-8C3D-2A1B0F9E8D7C}");
const QString kID3 = QStringLiteral("{0A1B2C3D-4E5F-4061-8273-849506A7B8C9}");
const QString kID4 = QStringLiteral("{11111111-2222-4333-8444-555555555555}");
const char* const kSecretUnderID1 = "D4I8iIL9fihDIGmb7Vrnf+";
const char* const kEmptyUnderID1 = "loEFFmH5CbTkG9AvL6f+FE";

// A host element with every attribute a reader requires.
QByteArray hostXml(const char* name, const QString& id, const char* password = "", const char* extra = "",
                   const char* children = "")
{
    return QByteArray("<Host CommonName=\"") + name + "\" Hostname=\"" + name +
           ".example\" Port=\"21\" Username=\"u\" Password=\"" + password +
           "\" IsAnonymous=\"False\" HostID=\"" + id.toLatin1() +
           "\" Passive=\"True\" UseSSL=\"False\" UseDefaultDialupConnection=\"True\""
           " DisconnectDialupAfterDisconnect=\"False\" UseDefaultProxySettings=\"True\" " +
           extra + ">" + children + "</Host>";
}

class THostsTest : public ::testing::Test
{
protected:
    QString hostsPath() const { return m_data.path(QStringLiteral("Hosts.xml")); }
    void writeHosts(const QByteArray& body)
    {
        QDir().mkpath(m_data.dataFolder());
        ASSERT_TRUE(
            writeWholeFile(hostsPath(), "<?xml version=\"1.0\"?>\n<HostList>" + body + "</HostList>"));
    }
    QStringList names(const THosts& store) const
    {
        QStringList out;
        for (const auto& host : store.hosts())
            out << host->CommonName;
        return out;
    }
    QStringList mirrorIDs() const
    {
        platform::TRegistryStore registry(m_data.path(QStringLiteral("Registry.ini")));
        return registry.subKeys(THosts::kRegistryKey);
    }
    QString mirrorName(const QString& id) const
    {
        platform::TRegistryStore registry(m_data.path(QStringLiteral("Registry.ini")));
        return registry.readString(THosts::kRegistryKey + QLatin1Char('\\') + id, QString());
    }

    TempDataDir m_data;
};

THost makeHost(const QString& id, const QString& name)
{
    THost host;
    host.SetHostIDText(id);
    host.CommonName = name;
    host.Hostname = name + QStringLiteral(".example");
    return host;
}

TEST_F(THostsTest, MissingFileIsCreatedWithAnEmptyRoot)
{
    THosts store;
    EXPECT_EQ(store.count(), 0);
    EXPECT_TRUE(store.loadError().isEmpty());
    EXPECT_EQ(readWholeFile(hostsPath()), QByteArray("<?xml version=\"1.0\"?>\n<HostList />\n"));
}

TEST_F(THostsTest, NestedGroupsLoadInDocumentOrderAndSkipRulesDropWholeSubtrees)
{
    writeHosts("<Group CommonName=\"Work\">" + hostXml("a", kID1) +
               "<Group CommonName=\"Servers\"><Group CommonName=\"Old\">" + hostXml("b", kID2) +
               "</Group></Group>" + hostXml("c", kID3) +
               "</Group>"
               // No CommonName: skipped with the valid host inside.
               "<Group>" +
               hostXml("hidden1", QStringLiteral("{AAAAAAAA-2222-4333-8444-555555555555}")) +
               "</Group>"
               // Neither Group nor Host: skipped with everything below.
               "<Folder CommonName=\"x\">" +
               hostXml("hidden2", QStringLiteral("{BBBBBBBB-2222-4333-8444-555555555555}")) +
               "</Folder>"
               "<Host Hostname=\"no name\" HostID=\"not even an id\"/>" +
               hostXml("d", kID4));
    THosts store;
    ASSERT_TRUE(store.loadError().isEmpty()) << store.loadError().toStdString();
    EXPECT_EQ(str(names(store)), (Strings{"a", "b", "c", "d"}));

    TTranslationTable mainTable;
    ASSERT_TRUE(mainTable.loadWindowTable(QStringLiteral("MainForm")));
    mainTable.SetLanguage(QStringLiteral("Svenska"));
    TMemoryHostTree tree;
    store.FillTree(tree, mainTable);
    QStringList shape;
    tree.forEach([&](const TMemoryHostTree::MemoryNode& node, const std::vector<QString>& path) {
        shape << QString(int(path.size()), QLatin1Char(' ')) + (node.host() ? "host " : "group ") +
                     node.caption();
    });
    EXPECT_EQ(str(shape), (Strings{"group Värdar", " group Work", "  host a", "  group Servers",
                                   "   group Old", "    host b", "  host c", " host d"}));
    // The tree's records are the store's records.
    EXPECT_EQ(tree.topLevelNode(0)->child(1)->host().get(), store.FindByID(kID4));
}

TEST_F(THostsTest, FileFromAnotherProgramLoadsEveryFieldAndThePasswords)
{
    writeHosts(
        R"(<Host CommonName="Mirror" Hostname="ftp.example.org" Port="2121" Username="alice" Password=")" +
        QByteArray(kSecretUnderID1) +
        R"(" IsAnonymous="False" InitialRemoteDirectory="/pub" InitialLocalDirectory="/home/alice" HostID=")" +
        kID1.toLatin1() +
        R"(" Passive="False" UseSSL="True" UseDefaultDialupConnection="False" DialupConnection="Modem" DisconnectDialupAfterDisconnect="True" UseDefaultProxySettings="False" ProxyType="2" ProxyHost="proxy" ProxyPort="8021" ProxyUsername="pu" ProxyPassword="pp"><Bookmarks><Bookmark Path="/pub/b"/><Note Path="/skipped"/><Bookmark Path="/pub/a"/></Bookmarks></Host>)" +
        hostXml("EmptyEnciphered", kID2, "") +
        // The empty password as the cipher writes it, under the first ID.
        R"(<Host CommonName="Empty" Port="x" Password=")" + kEmptyUnderID1 + R"(" HostID=")" +
        kID1.toLatin1() +
        R"(" IsAnonymous="1" Passive="true" UseSSL=" FALSE " UseDefaultDialupConnection="True" DialupConnection="ignored" DisconnectDialupAfterDisconnect="0" UseDefaultProxySettings="True" ProxyType="junk"/>)");
    THosts store;
    ASSERT_TRUE(store.loadError().isEmpty()) << store.loadError().toStdString();
    ASSERT_EQ(store.count(), 3);

    const THost& h = *store.hosts()[0];
    EXPECT_EQ(h.HostIDText(), kID1);
    EXPECT_EQ(h.Hostname, QStringLiteral("ftp.example.org"));
    EXPECT_EQ(h.Port, 2121);
    EXPECT_EQ(h.Username, QStringLiteral("alice"));
    EXPECT_EQ(h.Password, QStringLiteral("secret"));
    EXPECT_FALSE(h.IsAnonymous);
    EXPECT_EQ(h.InitialRemoteDirectory, QStringLiteral("/pub"));
    EXPECT_EQ(h.InitialLocalDirectory, QStringLiteral("/home/alice"));
    EXPECT_FALSE(h.Passive);
    EXPECT_TRUE(h.UseSSL);
    EXPECT_FALSE(h.UseDefaultDialupConnection);
    EXPECT_EQ(h.DialupConnection, QStringLiteral("Modem"));
    EXPECT_TRUE(h.DisconnectDialupAfterDisconnect);
    EXPECT_FALSE(h.UseDefaultProxySettings);
    EXPECT_EQ(h.ProxySettings, (TIdFtpProxySettings{TIdFtpProxyType::fpcmSite, "proxy", 8021, "pu", "pp"}));
    EXPECT_EQ(h.Bookmarks.items(), (QStringList{"/pub/a", "/pub/b"}));

    EXPECT_EQ(store.hosts()[1]->Password, QString());

    const THost& e = *store.hosts()[2];
    EXPECT_EQ(e.Password, QString());
    EXPECT_EQ(e.Port, 21);
    EXPECT_TRUE(e.IsAnonymous);
    EXPECT_FALSE(e.UseSSL);
    // Only a host with its own dial-up entry or proxy reads those attributes.
    EXPECT_TRUE(e.DialupConnection.isEmpty());
    EXPECT_EQ(e.ProxySettings.ProxyType, TIdFtpProxyType::fpcmNone);
}

TEST_F(THostsTest, UnreadableHostStopsTheLoadNamingTheHost)
{
    struct Case
    {
        const char* what;
        QByteArray bad;
        const char* reason;
    };
    const Case cases[] = {
        {"HostID not an ID", hostXml("Broken", QStringLiteral("{not-a-guid}")),
         "\"{not-a-guid}\" is not a valid host ID"},
        {"HostID missing",
         R"(<Host CommonName="Broken" IsAnonymous="False" Passive="True" UseSSL="False" UseDefaultDialupConnection="True" DisconnectDialupAfterDisconnect="False" UseDefaultProxySettings="True"/>)",
         "\"HostID\" is missing"},
        {"password not whole blocks", hostXml("Broken", kID3, "D4I8iIL9fih"), "damaged"},
        {"boolean not convertible", hostXml("Broken", kID3).replace("Passive=\"True\"", "Passive=\"maybe\""),
         "\"Passive\" is not True or False"},
        {"boolean missing", hostXml("Broken", kID3).replace("UseSSL=\"False\"", ""), "\"UseSSL\" is missing"},
        {"own proxy without ProxyPort",
         hostXml("Broken", kID3)
             .replace("UseDefaultProxySettings=\"True\"",
                      "UseDefaultProxySettings=\"False\" ProxyType=\"1\""),
         "\"ProxyPort\" is missing"},
        {"proxy type out of range",
         hostXml("Broken", kID3)
             .replace("UseDefaultProxySettings=\"True\"",
                      "UseDefaultProxySettings=\"False\" ProxyType=\"8\" ProxyPort=\"1\""),
         "not a proxy type"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeHosts(hostXml("First", kID1) + "<Group CommonName=\"G\">" + c.bad + "</Group>" +
                   hostXml("After", kID2));
        THosts store;
        EXPECT_TRUE(store.loadIncomplete());
        EXPECT_TRUE(store.loadError().startsWith(
            QStringLiteral("Can't load node with commonname: Broken\r\nReason: ")))
            << store.loadError().toStdString();
        EXPECT_TRUE(store.loadError().contains(QString::fromUtf8(c.reason)))
            << store.loadError().toStdString();
        // What was read before stays; nothing after is read.
        EXPECT_EQ(str(names(store)), (Strings{"First"}));

        try {
            store.Reload();
            ADD_FAILURE() << "Reload did not throw";
        } catch (const EXMLLoadException& error) {
            EXPECT_EQ(error.message(), store.loadError());
        }
        TMemoryHostTree tree;
        EXPECT_THROW(store.FillTree(tree, QStringLiteral("Hosts")), EXMLLoadException);
    }
}

TEST_F(THostsTest, SavingFromAPartlyLoadedTreeIsRefusedSoUnreadHostsSurvive)
{
    const QByteArray body =
        hostXml("First", kID1) + hostXml("Broken", QStringLiteral("{bad}")) + hostXml("Later", kID2);
    writeHosts(body);
    const QByteArray before = readWholeFile(hostsPath());
    THosts store;
    TMemoryHostTree tree;
    EXPECT_THROW(store.FillTree(tree, QStringLiteral("Hosts")), EXMLLoadException);
    EXPECT_THROW(store.SaveFromTree(tree), EStoreError);
    EXPECT_EQ(store.count(), 1);
    // Nothing changed in memory, so nothing is written at destruction either.
    EXPECT_FALSE(store.document().isModified());
    EXPECT_EQ(readWholeFile(hostsPath()), before);
}

TEST_F(THostsTest, AttributesAreWrittenInOrderAndOnlyUnderTheirConditions)
{
    THost own = makeHost(kID1, QStringLiteral("Own"));
    own.Username = QStringLiteral("alice");
    own.Password = QStringLiteral("secret");
    own.InitialRemoteDirectory = QStringLiteral("/pub");
    own.DialupConnection = QStringLiteral("Modem");
    own.ProxySettings = {TIdFtpProxyType::fpcmSite, QStringLiteral("proxy"), 8021, QStringLiteral("pu"),
                         QStringLiteral("pp")};
    own.AddBookmark(QStringLiteral("/b"));
    own.AddBookmark(QStringLiteral("/a"));

    THost defaults = makeHost(kID2, QStringLiteral("Defaults"));
    defaults.UseDefaultDialupConnection = true;
    defaults.DialupConnection = QStringLiteral("not written");
    defaults.UseDefaultProxySettings = true;
    defaults.ProxySettings.Host = QStringLiteral("not written");
    defaults.IsAnonymous = true;
    defaults.Port = 990;

    {
        THosts store;
        ASSERT_TRUE(store.UpdateHost(own));
        ASSERT_TRUE(store.UpdateHost(defaults));
    }
    const QByteArray expected =
        "<?xml version=\"1.0\"?>\n"
        "<HostList>\n"
        "  <Host CommonName=\"Own\" Hostname=\"Own.example\" Port=\"21\" Username=\"alice\" "
        "Password=\"D4I8iIL9fihDIGmb7Vrnf+\" IsAnonymous=\"False\" InitialRemoteDirectory=\"/pub\" "
        "InitialLocalDirectory=\"\" HostID=\"" +
        kID1.toLatin1() +
        "\" Passive=\"True\" UseSSL=\"False\" UseDefaultDialupConnection=\"False\" "
        "DialupConnection=\"Modem\" DisconnectDialupAfterDisconnect=\"False\" "
        "UseDefaultProxySettings=\"False\" "
        "ProxyType=\"2\" ProxyHost=\"proxy\" ProxyPort=\"8021\" ProxyUsername=\"pu\" ProxyPassword=\"pp\">\n"
        "    <Bookmarks>\n"
        "      <Bookmark Path=\"/a\" />\n"
        "      <Bookmark Path=\"/b\" />\n"
        "    </Bookmarks>\n"
        "  </Host>\n"
        "  <Host CommonName=\"Defaults\" Hostname=\"Defaults.example\" Port=\"990\" Username=\"\" "
        "Password=\"" +
        defaults.StoredPassword().toLatin1() +
        "\" IsAnonymous=\"True\" InitialRemoteDirectory=\"\" InitialLocalDirectory=\"\" HostID=\"" +
        kID2.toLatin1() +
        "\" Passive=\"True\" UseSSL=\"False\" UseDefaultDialupConnection=\"True\" "
        "DisconnectDialupAfterDisconnect=\"False\" UseDefaultProxySettings=\"True\">\n"
        "    <Bookmarks />\n"
        "  </Host>\n"
        "</HostList>\n";
    EXPECT_EQ(readWholeFile(hostsPath()), expected);

    // And it reads back as it was.
    THosts again;
    ASSERT_EQ(again.count(), 2);
    EXPECT_EQ(again.FindByID(kID1)->Password, QStringLiteral("secret"));
    EXPECT_EQ(again.FindByID(kID1)->ProxySettings, own.ProxySettings);
    EXPECT_EQ(again.FindByID(kID1)->Bookmarks.items(), (QStringList{"/a", "/b"}));
    EXPECT_EQ(again.FindByID(kID2)->Port, 990);
}

TEST_F(THostsTest, UpdateHostInPlaceInsideAGroupOrAppendedAtTopLevel)
{
    writeHosts("<Group CommonName=\"G\"><Group CommonName=\"Inner\">" +
               hostXml("Deep", kID1, "", "DialupConnection=\"Kept\" Custom=\"x\"",
                       "<Bookmarks><Bookmark Path=\"/old\"/></Bookmarks>") +
               "</Group></Group>" + hostXml("Top", kID2));
    THosts store;
    ASSERT_EQ(store.count(), 2);
    THost changed;
    changed.Assign(*store.FindByID(kID1));
    changed.CommonName = QStringLiteral("Deep renamed");
    changed.Password = QStringLiteral("new");
    changed.Bookmarks.clear();
    changed.AddBookmark(QStringLiteral("/new"));
    ASSERT_TRUE(store.UpdateHost(changed));
    EXPECT_EQ(store.count(), 2);
    EXPECT_EQ(store.FindByID(kID1)->CommonName, QStringLiteral("Deep renamed"));

    const pugi::xml_node root = store.document().root();
    const pugi::xml_node deep = root.child("Group").child("Group").child("Host");
    EXPECT_EQ(xmlAttribute(deep, "CommonName"), QStringLiteral("Deep renamed"));
    // Not written for a host that uses the default dial-up entry: the old value stays, as do foreign
    // attributes.
    EXPECT_EQ(xmlAttribute(deep, "DialupConnection"), QStringLiteral("Kept"));
    EXPECT_EQ(xmlAttribute(deep, "Custom"), QStringLiteral("x"));
    EXPECT_EQ(std::distance(deep.children("Bookmarks").begin(), deep.children("Bookmarks").end()), 1);
    EXPECT_EQ(xmlAttribute(deep.child("Bookmarks").child("Bookmark"), "Path"), QStringLiteral("/new"));
    EXPECT_EQ(std::distance(root.children("Host").begin(), root.children("Host").end()), 1);

    THost added = makeHost(kID3, QStringLiteral("New"));
    ASSERT_TRUE(store.UpdateHost(added));
    EXPECT_EQ(store.count(), 3);
    EXPECT_EQ(std::string(root.last_child().name()), "Host");
    EXPECT_EQ(xmlAttribute(root.last_child(), "HostID"), kID3);

    THosts reread;
    EXPECT_EQ(str(names(reread)), (Strings{"Deep renamed", "Top", "New"}));
    EXPECT_EQ(reread.FindByID(kID1)->Password, QStringLiteral("new"));
}

TEST_F(THostsTest, SaveFromTreeFollowsTheTreeAndTheMirrorDropsDeletedHosts)
{
    writeHosts(hostXml("a", kID1) + "<Group CommonName=\"G\">" + hostXml("b", kID2) + "</Group>" +
               hostXml("c", kID3));
    THosts store;
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(mirrorIDs().size(), 3);

    TMemoryHostTree tree;
    store.FillTree(tree, QStringLiteral("Värdar"));
    TMemoryHostTree::MemoryNode* root = tree.topLevelNode(0);
    ASSERT_EQ(root->childCount(), 3);
    std::weak_ptr<THost> deleted = root->child(0)->host();
    tree.removeNode(root->child(0));               // a
    tree.moveNode(root->child(1), root->child(0)); // c into G, after b
    auto created = std::make_shared<THost>(makeHost(kID4, QStringLiteral("d")));
    TMemoryHostTree::MemoryNode* group = tree.addNode(root, QStringLiteral("New group"), nullptr);
    tree.addNode(group, QStringLiteral("caption is not the name"), created);
    root->child(0)->setCaption(QStringLiteral("G2"));

    store.SaveFromTree(tree);
    EXPECT_EQ(str(names(store)), (Strings{"b", "c", "d"}));
    EXPECT_EQ(store.FindByID(kID4), created.get());
    EXPECT_TRUE(deleted.expired());
    ASSERT_TRUE(store.Save());

    QStringList ids = mirrorIDs();
    ids.sort();
    QStringList expectedIDs{kID2, kID3, kID4};
    expectedIDs.sort();
    EXPECT_EQ(ids, expectedIDs);
    EXPECT_EQ(mirrorName(kID4), QStringLiteral("d"));

    THosts reread;
    TMemoryHostTree back;
    reread.FillTree(back, QStringLiteral("Hosts"));
    QStringList shape;
    back.forEach([&](const TMemoryHostTree::MemoryNode& node, const std::vector<QString>& path) {
        shape << QString::number(path.size()) + node.caption();
    });
    EXPECT_EQ(str(shape), (Strings{"0Hosts", "1G2", "2b", "2c", "1New group", "2d"}));

    EXPECT_THROW(store.SaveFromTree(TMemoryHostTree()), EStoreError);
    EXPECT_EQ(store.count(), 3);
}

TEST_F(THostsTest, FindByIDComparesTheExactText)
{
    writeHosts(hostXml("a", kID1));
    THosts store;
    EXPECT_NE(store.FindByID(kID1), nullptr);
    EXPECT_EQ(store.FindByID(kID1.toLower()), nullptr);
    EXPECT_EQ(store.FindByID(kID1.mid(1, 36)), nullptr);
}

TEST_F(THostsTest, DefaultHostsAreAnonymousAndSavedAtOnce)
{
    THosts store;
    ASSERT_TRUE(store.AddDefaultHosts());
    THosts reread;
    ASSERT_EQ(reread.count(), 3);
    for (const auto& host : reread.hosts()) {
        EXPECT_TRUE(host->IsAnonymous);
        EXPECT_EQ(host->CommonName, host->Hostname);
        EXPECT_FALSE(host->Hostname.isEmpty());
    }
    EXPECT_EQ(mirrorIDs().size(), 3);
}

TEST_F(THostsTest, FileThatIsNotXmlIsCopiedAsideBeforeItIsWrittenOver)
{
    QDir().mkpath(m_data.dataFolder());
    const QByteArray broken = "<HostList><Host CommonName=\"half";
    ASSERT_TRUE(writeWholeFile(hostsPath(), broken));
    {
        THosts store;
        EXPECT_EQ(store.count(), 0);
        EXPECT_FALSE(store.loadError().isEmpty());
        EXPECT_FALSE(store.loadIncomplete());
        // Still the original until something is saved.
        EXPECT_EQ(readWholeFile(hostsPath()), broken);
        ASSERT_TRUE(store.UpdateHost(makeHost(kID1, QStringLiteral("a"))));
    }
    const QStringList aside = m_data.files().filter(QStringLiteral("Hosts.xml.unreadable-"));
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(readWholeFile(m_data.path(aside.front())), broken);
    THosts reread;
    EXPECT_EQ(str(names(reread)), (Strings{"a"}));
}

TEST_F(THostsTest, GlobalStoresAreSavedThroughTheHostRecord)
{
    THosts::createGlobal();
    TQuickHosts::createGlobal();
    ASSERT_TRUE(Hosts()->UpdateHost(makeHost(kID1, QStringLiteral("tree"))));
    ASSERT_TRUE(QuickHosts()->AddOrUpdate(makeHost(kID2, QStringLiteral("quick"))));
    const QString quickPath = m_data.path(QStringLiteral("QuickHosts.xml"));
    ASSERT_TRUE(QFile::remove(hostsPath()));
    ASSERT_TRUE(QFile::remove(quickPath));

    THost::SaveStores();
    EXPECT_TRUE(readWholeFile(hostsPath()).contains("CommonName=\"tree\""));
    EXPECT_TRUE(readWholeFile(quickPath).contains("CommonName=\"quick\""));

    TQuickHosts::destroyGlobal();
    THosts::destroyGlobal();
    EXPECT_EQ(Hosts(), nullptr);
    EXPECT_EQ(QuickHosts(), nullptr);
    ASSERT_TRUE(QFile::remove(hostsPath()));
    ASSERT_TRUE(QFile::remove(quickPath));
    // With the stores gone the hook writes nothing.
    THost::SaveStores();
    EXPECT_FALSE(QFileInfo::exists(hostsPath()));
    EXPECT_FALSE(QFileInfo::exists(quickPath));
}

} // namespace
