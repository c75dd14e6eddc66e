// What follows the host list outside the program (the file managers' menus) is
// told after every write of the registry mirror, with the mirror already written.
#include <gtest/gtest.h>

#include "CoreTestSupport.h"
#include "StoreTestSupport.h"
#include "core/THost.h"
#include "core/THosts.h"
#include "platform/TRegistryStore.h"

namespace {

TEST(HostsMirrorHookTest, EverySaveTellsTheHookAfterTheMirrorIsWritten)
{
    TempDataDir data;
    QStringList seen;
    THosts::setMirrorWrittenHook([&] {
        platform::TRegistryStore registry(data.path(QStringLiteral("Registry.ini")));
        for (const QString& id : registry.subKeys(THosts::kRegistryKey))
            seen.append(registry.readString(THosts::kRegistryKey + QLatin1Char('\\') + id, QString()));
    });
    {
        THosts store;
        THost host;
        host.CommonName = QStringLiteral("first");
        host.NewHostID();
        ASSERT_TRUE(store.UpdateHost(host));
        EXPECT_EQ(seen, QStringList{QStringLiteral("first")});
        host.CommonName = QStringLiteral("renamed");
        ASSERT_TRUE(store.UpdateHost(host));
        EXPECT_EQ(seen, QStringList({QStringLiteral("first"), QStringLiteral("renamed")}));
    }
    THosts::setMirrorWrittenHook(nullptr);
    THosts store;
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(seen.size(), 2) << "no hook, nothing told";
}

} // namespace
