#include "core/TSecretStore.h"

#include "core/TMainConfig.h"

namespace {

std::unique_ptr<TSecretStore>& storeSlot()
{
    static std::unique_ptr<TSecretStore> store;
    return store;
}

const QString kKeyPrefix = QStringLiteral("vantor-ftp/");

} // namespace

TSecretStore& TSecretStore::instance()
{
    std::unique_ptr<TSecretStore>& store = storeSlot();
    if (!store)
        store = CreateDesktopSecretStore();
    return *store;
}

void TSecretStore::setInstance(std::unique_ptr<TSecretStore> store)
{
    storeSlot() = std::move(store);
}

bool TSecretStore::enabled()
{
    const TMainConfig* config = MainConfig();
    return config && config->UseSecretStore();
}

QString TSecretStore::hostPasswordKey(const QString& hostIDText)
{
    return kKeyPrefix + QStringLiteral("host/") + hostIDText;
}

QString TSecretStore::proxyPasswordKey(const QString& hostIDText)
{
    return kKeyPrefix + QStringLiteral("proxy/") + hostIDText;
}

QString TSecretStore::passwordStorageNotice()
{
    if (!enabled())
        return {};
    return QStringLiteral("Passwords are kept in the desktop's secret store; Hosts.xml holds none.");
}
