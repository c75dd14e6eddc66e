#include "core/StoredHostLookup.h"

#include <gtest/gtest.h>

#include "CoreTestSupport.h"
#include "StoreTestSupport.h"
#include "core/THost.h"
#include "core/THosts.h"
#include "core/TQuickHosts.h"

namespace {

const QString kTreeID = QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
const QString kQuickID = QStringLiteral("{9B2F1C44-0D6A-4E5B-8C3D-2A1B0F9E8D7C}");
const QString kTwinID = QStringLiteral("{0A1B2C3D-4E5F-4061-8273-849506A7B8C9}");

THost named(const QString& id, const QString& name)
{
    THost host;
    host.SetHostIDText(id);
    host.CommonName = name;
    host.Password = name + QStringLiteral(" password");
    return host;
}

class StoredHostLookupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_hosts.UpdateHost(named(kTreeID, QStringLiteral("Work"))));
        ASSERT_TRUE(m_hosts.UpdateHost(named(kTwinID, QStringLiteral("Twin"))));
        ASSERT_TRUE(m_quick.AddOrUpdate(named(kQuickID, QStringLiteral("ftp.example.org"))));
    }

    TempDataDir m_data;
    THosts m_hosts;
    TQuickHosts m_quick;
};

TEST_F(StoredHostLookupTest, ByIDTreeFirstThenQuickList)
{
    EXPECT_EQ(FindHostByID(&m_hosts, &m_quick, kTreeID), m_hosts.FindByID(kTreeID));
    EXPECT_EQ(FindHostByID(&m_hosts, &m_quick, kQuickID), m_quick.FindByID(kQuickID));
    EXPECT_EQ(FindHostByID(&m_hosts, &m_quick, kQuickID.toLower()), nullptr);
    EXPECT_EQ(FindHostByID(nullptr, nullptr, kTreeID), nullptr);

    // The same ID in both: the tree wins.
    ASSERT_TRUE(m_quick.AddOrUpdate(named(kTreeID, QStringLiteral("copy"))));
    EXPECT_EQ(str(FindHostByID(&m_hosts, &m_quick, kTreeID)->CommonName), "Work");

    EXPECT_EQ(FindHostByID(kTreeID), nullptr); // no process-wide stores
}

TEST_F(StoredHostLookupTest, NameOrIDForTheCommandLine)
{
    THostLookupResult r = FindHostByNameOrID(&m_hosts, &m_quick, QStringLiteral("Work"));
    ASSERT_NE(r.host, nullptr);
    EXPECT_EQ(str(r.host->Password), "Work password");

    r = FindHostByNameOrID(&m_hosts, &m_quick, QStringLiteral("ftp.example.org"));
    ASSERT_NE(r.host, nullptr);
    EXPECT_EQ(str(r.host->HostIDText()), str(kQuickID));

    // An ID in any case, with or without braces.
    r = FindHostByNameOrID(&m_hosts, &m_quick, kQuickID.toLower().mid(1, 36));
    ASSERT_NE(r.host, nullptr);
    EXPECT_EQ(str(r.host->CommonName), "ftp.example.org");

    r = FindHostByNameOrID(&m_hosts, &m_quick, QStringLiteral("work"));
    ASSERT_NE(r.host, nullptr);
    EXPECT_EQ(str(r.host->CommonName), "Work");

    r = FindHostByNameOrID(&m_hosts, &m_quick, QStringLiteral("nowhere"));
    EXPECT_EQ(r.host, nullptr);
    EXPECT_NE(r.error.indexOf(QStringLiteral("nowhere")), -1);
}

TEST_F(StoredHostLookupTest, ANameSeveralHostsCarryListsTheirIDs)
{
    ASSERT_TRUE(m_quick.AddOrUpdate(
        named(QStringLiteral("{11111111-2222-4333-8444-555555555555}"), QStringLiteral("Twin"))));
    THostLookupResult r = FindHostByNameOrID(&m_hosts, &m_quick, QStringLiteral("Twin"));
    EXPECT_EQ(r.host, nullptr);
    EXPECT_NE(r.error.indexOf(kTwinID), -1) << str(r.error);
    EXPECT_NE(r.error.indexOf(QStringLiteral("{11111111-2222-4333-8444-555555555555}")), -1);

    // An exact match beats matches that differ only in case.
    ASSERT_TRUE(m_quick.AddOrUpdate(
        named(QStringLiteral("{22222222-2222-4333-8444-555555555555}"), QStringLiteral("WORK"))));
    r = FindHostByNameOrID(&m_hosts, &m_quick, QStringLiteral("WORK"));
    ASSERT_NE(r.host, nullptr);
    EXPECT_EQ(str(r.host->HostIDText()), "{22222222-2222-4333-8444-555555555555}");
    r = FindHostByNameOrID(&m_hosts, &m_quick, QStringLiteral("work"));
    EXPECT_EQ(r.host, nullptr);
    // The ID resolves what the name cannot.
    r = FindHostByNameOrID(&m_hosts, &m_quick, kTwinID);
    ASSERT_NE(r.host, nullptr);
}

} // namespace
