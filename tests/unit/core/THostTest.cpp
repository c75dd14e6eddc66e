#include "core/THost.h"

#include <set>

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "CoreTestSupport.h"
#include "core/TMainConfig.h"

namespace {

TEST(THostNew, DefaultsAndFreshIdentity)
{
    ASSERT_EQ(MainConfig(), nullptr);
    std::set<QString> ids;
    const QRegularExpression form(
        QStringLiteral("^\\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\\}$"));
    for (int i = 0; i < 50; ++i) {
        const THost host;
        EXPECT_EQ(host.Port, 21);
        EXPECT_TRUE(host.Passive);
        EXPECT_FALSE(host.UseSSL);
        EXPECT_FALSE(host.IsAnonymous);
        EXPECT_FALSE(host.HostID.isNull());
        EXPECT_TRUE(form.match(host.HostIDText()).hasMatch()) << host.HostIDText().toStdString();
        ids.insert(host.HostIDText());
        EXPECT_FALSE(host.UseDefaultProxySettings);
        EXPECT_FALSE(host.UseDefaultDialupConnection);
        EXPECT_TRUE(host.DialupConnection.isEmpty());
        EXPECT_EQ(host.ProxySettings, TIdFtpProxySettings{});
    }
    EXPECT_EQ(ids.size(), 50u);
}

TEST(THostNew, FollowsTheDefaultProxyAndDialupSettings)
{
    TempDataDir data;
    TMainConfig& config = TMainConfig::createGlobal();
    {
        const THost host;
        EXPECT_FALSE(host.UseDefaultProxySettings);
        EXPECT_FALSE(host.UseDefaultDialupConnection);
        EXPECT_TRUE(host.DialupConnection.isEmpty());
    }
    config.SetDefaultProxyType(TIdFtpProxyType::fpcmSite);
    config.SetDefaultDialupConnection(QStringLiteral("Office line"));
    {
        const THost host;
        EXPECT_TRUE(host.UseDefaultProxySettings);
        EXPECT_TRUE(host.UseDefaultDialupConnection);
        EXPECT_EQ(host.DialupConnection, QStringLiteral("Office line"));
        // The host's own proxy record stays empty: the default is used by reference.
        EXPECT_EQ(host.ProxySettings.ProxyType, TIdFtpProxyType::fpcmNone);
    }
    TMainConfig::destroyGlobal();
}

TEST(THostIdentity, TextFormAndNewID)
{
    THost host;
    ASSERT_TRUE(host.SetHostIDText(QStringLiteral("{3f2504e0-4f89-11d3-9a0c-0305e82c3301}")));
    EXPECT_EQ(host.HostIDText(), QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}"));
    EXPECT_FALSE(host.SetHostIDText(QStringLiteral("not an id")));
    EXPECT_FALSE(host.SetHostIDText(QString()));
    EXPECT_EQ(host.HostIDText(), QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}"));

    // A password read under one ID is enciphered under the new one when saved.
    host.Password = QStringLiteral("secret");
    EXPECT_EQ(host.StoredPassword(), QStringLiteral("D4I8iIL9fihDIGmb7Vrnf+"));
    host.NewHostID();
    EXPECT_NE(host.HostIDText(), QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}"));
    const QString stored = host.StoredPassword();
    EXPECT_NE(stored, QStringLiteral("D4I8iIL9fihDIGmb7Vrnf+"));
    THost reread;
    reread.HostID = host.HostID;
    EXPECT_TRUE(reread.SetStoredPassword(stored));
    EXPECT_EQ(reread.Password, QStringLiteral("secret"));
    EXPECT_FALSE(reread.SetStoredPassword(stored.left(10)));
    EXPECT_TRUE(reread.Password.isEmpty());
}

TEST(THostBookmarks, SortedCaseInsensitiveWithoutDuplicates)
{
    THost host;
    EXPECT_TRUE(host.AddBookmark(QStringLiteral("/pub")));
    EXPECT_FALSE(host.AddBookmark(QStringLiteral("/pub")));
    EXPECT_FALSE(host.AddBookmark(QStringLiteral("/PUB")));
    EXPECT_EQ(host.Bookmarks.items(), QStringList{QStringLiteral("/pub")});

    THost other;
    other.AddBookmark(QStringLiteral("/b"));
    other.AddBookmark(QStringLiteral("/a"));
    other.AddBookmark(QStringLiteral("/C"));
    other.AddBookmark(QStringLiteral("/B/x"));
    EXPECT_EQ(other.Bookmarks.items(), (QStringList{QStringLiteral("/a"), QStringLiteral("/b"),
                                                    QStringLiteral("/B/x"), QStringLiteral("/C")}));
    EXPECT_TRUE(other.Bookmarks.remove(QStringLiteral("/c")));
    EXPECT_EQ(other.Bookmarks.indexOf(QStringLiteral("/B")), 1);
}

TEST(THostAssign, CopiesEveryFieldAndSharesNothing)
{
    THost source;
    source.CommonName = QStringLiteral("Name");
    source.Hostname = QStringLiteral("ftp.example.com");
    source.Port = 2121;
    source.Username = QStringLiteral("user");
    source.Password = QStringLiteral("pw");
    source.IsAnonymous = true;
    source.InitialRemoteDirectory = QStringLiteral("/pub");
    source.InitialLocalDirectory = QStringLiteral("/home/u");
    source.AddBookmark(QStringLiteral("/pub"));
    source.DialupConnection = QStringLiteral("Line");
    source.DisconnectDialupAfterDisconnect = true;
    source.ProxySettings = {TIdFtpProxyType::fpcmUserPass, QStringLiteral("proxy"), 8021,
                            QStringLiteral("pu"), QStringLiteral("pp")};
    source.UseDefaultProxySettings = true;
    source.UseDefaultDialupConnection = true;
    source.Passive = false;
    source.UseSSL = true;

    THost copy;
    copy.Assign(source);
    EXPECT_EQ(copy.CommonName, source.CommonName);
    EXPECT_EQ(copy.Hostname, source.Hostname);
    EXPECT_EQ(copy.Port, 2121);
    EXPECT_EQ(copy.Username, source.Username);
    EXPECT_EQ(copy.Password, source.Password);
    EXPECT_TRUE(copy.IsAnonymous);
    EXPECT_EQ(copy.InitialRemoteDirectory, source.InitialRemoteDirectory);
    EXPECT_EQ(copy.InitialLocalDirectory, source.InitialLocalDirectory);
    EXPECT_EQ(copy.HostID, source.HostID);
    EXPECT_EQ(copy.Bookmarks, source.Bookmarks);
    EXPECT_EQ(copy.DialupConnection, source.DialupConnection);
    EXPECT_TRUE(copy.DisconnectDialupAfterDisconnect);
    EXPECT_EQ(copy.ProxySettings, source.ProxySettings);
    EXPECT_TRUE(copy.UseDefaultProxySettings);
    EXPECT_TRUE(copy.UseDefaultDialupConnection);
    EXPECT_FALSE(copy.Passive);
    EXPECT_TRUE(copy.UseSSL);

    copy.AddBookmark(QStringLiteral("/incoming"));
    copy.ProxySettings.Host = QStringLiteral("elsewhere");
    EXPECT_EQ(source.Bookmarks.size(), 1);
    EXPECT_EQ(source.ProxySettings.Host, QStringLiteral("proxy"));
}

TEST(THostURL, GetURLCarriesOnlyTheAnonymousPassword)
{
    THost host;
    host.Username = QStringLiteral("U");
    host.Password = QStringLiteral("account secret");
    host.Hostname = QStringLiteral("H");
    host.Port = 2121;
    EXPECT_EQ(host.GetURL(), QStringLiteral("ftp://U:@H:2121/"));
    host.IsAnonymous = true;
    host.Password = QStringLiteral("guest@example.com");
    EXPECT_EQ(host.GetURL(), QStringLiteral("ftp://U:guest%40example.com@H:2121/"));

    // What GetURL writes, SetFromURL reads back.
    THost back;
    back.SetFromURL(host.GetURL());
    EXPECT_EQ(back.Username, QStringLiteral("U"));
    EXPECT_EQ(back.Password, QStringLiteral("guest@example.com"));
    EXPECT_EQ(back.Port, 2121);
}

struct UrlCase
{
    const char* name;
    const char* url;
    bool anonymous;
    const char* user; // "(kept)" when the existing user must stay
    const char* password;
    const char* host;
    int port;
    const char* directory;
};

class THostSetFromURL : public ::testing::TestWithParam<UrlCase>
{};

TEST_P(THostSetFromURL, FillsOnlyWhatTheAddressGives)
{
    const UrlCase& c = GetParam();
    THost host;
    host.Username = QStringLiteral("old user");
    host.Password = QStringLiteral("old password");
    host.Passive = false;
    host.InitialLocalDirectory = QStringLiteral("/local");
    const QUuid id = host.HostID;

    host.SetFromURL(QString::fromUtf8(c.url));
    EXPECT_EQ(host.IsAnonymous, c.anonymous);
    if (QByteArray(c.user) == "(kept)") {
        EXPECT_EQ(host.Username, QStringLiteral("old user"));
        EXPECT_EQ(host.Password, QStringLiteral("old password"));
    } else {
        EXPECT_EQ(host.Username, QString::fromUtf8(c.user));
        EXPECT_EQ(host.Password, QString::fromUtf8(c.password));
    }
    EXPECT_EQ(host.Hostname, QString::fromUtf8(c.host));
    EXPECT_EQ(host.CommonName, QString::fromUtf8(c.host));
    EXPECT_EQ(host.Port, c.port);
    EXPECT_EQ(host.InitialRemoteDirectory, QString::fromUtf8(c.directory));
    EXPECT_FALSE(host.Passive);
    EXPECT_EQ(host.InitialLocalDirectory, QStringLiteral("/local"));
    EXPECT_EQ(host.HostID, id);
}

const UrlCase kUrlCases[] = {
    {"NoUserNoPortNoPath", "ftp://ftp.example.com", true, "(kept)", "", "ftp.example.com", 21, ""},
    {"TrailingSlashIsRoot", "ftp://ftp.example.com/", true, "(kept)", "", "ftp.example.com", 21, "/"},
    {"FullAddress", "ftp://user:pw@ftp.example.com:2121/pub/dir/", false, "user", "pw", "ftp.example.com",
     2121, "/pub/dir/"},
    {"FileNameIsNotADirectory", "ftp://user@h/pub/file.txt", false, "user", "", "h", 21, "/pub/"},
    {"EncodedAtAndColonInPassword", "ftp://user:p%40ss%3Aw@h/", false, "user", "p@ss:w", "h", 21, "/"},
    {"UnencodedAtInUserAndPassword", "ftp://me@home.org:p@ss@h/", false, "me@home.org", "p@ss", "h", 21, "/"},
    {"EmptyUserIsAnonymous", "ftp://:secret@h/", true, "(kept)", "", "h", 21, "/"},
    {"PortOfLetters", "ftp://h:abc/", true, "(kept)", "", "h", 21, "/"},
    {"PortOutOfRange", "ftp://h:99999/", true, "(kept)", "", "h", 21, "/"},
    {"EmptyPort", "ftp://h:/x/", true, "(kept)", "", "h", 21, "/x/"},
    {"IPv6WithPort", "ftp://u:p@[::1]:2121/x/", false, "u", "p", "::1", 2121, "/x/"},
    {"IPv6WithoutPort", "ftp://[fe80::1]/", true, "(kept)", "", "fe80::1", 21, "/"},
    {"EncodedPath", "ftp://h/my%20dir/sub%C3%A5/", true, "(kept)", "", "h", 21, "/my dir/subå/"},
    {"Utf8AndLegacyEscapes", "ftp://us%C3%A9r:p%E9@h/", false, "usér", "pé", "h", 21, "/"},
    {"UpperCaseScheme", "FTP://HOST/", true, "(kept)", "", "HOST", 21, "/"},
    {"NoScheme", "ftp.example.com/pub/", true, "(kept)", "", "ftp.example.com", 21, "/pub/"},
    {"Fragment", "ftp://h/pub/#top", true, "(kept)", "", "h", 21, "/pub/"},
    {"Empty", "", true, "(kept)", "", "", 21, ""},
};

INSTANTIATE_TEST_SUITE_P(OddAddresses, THostSetFromURL, ::testing::ValuesIn(kUrlCases),
                         [](const ::testing::TestParamInfo<UrlCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(THostStores, SaveStoresRunsTheRegisteredStoresInOrder)
{
    THost::SaveStores(); // nothing registered: nothing happens
    QStringList calls;
    THost::setQuickHostStoreSaver([&calls] { calls << QStringLiteral("quick"); });
    THost::setHostStoreSaver([&calls] { calls << QStringLiteral("hosts"); });
    THost::SaveStores();
    THost::setHostStoreSaver({});
    THost::setQuickHostStoreSaver({});
    EXPECT_EQ(calls, (QStringList{QStringLiteral("hosts"), QStringLiteral("quick")}));
}

} // namespace
