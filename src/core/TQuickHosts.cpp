#include "core/TQuickHosts.h"

#include <algorithm>

#include <QDebug>

#include "core/DataFilePath.h"
#include "core/EStoreError.h"
#include "core/EVariantError.h"
#include "core/THost.h"
#include "core/THostElement.h"

namespace {

const QString kFileName = QStringLiteral("QuickHosts.xml");
const QString kRootName = QStringLiteral("HostList");

std::unique_ptr<TQuickHosts>& globalStore()
{
    static std::unique_ptr<TQuickHosts> store;
    return store;
}

} // namespace

TQuickHosts::TQuickHosts(const QString& filePath)
    : m_document(filePath.isEmpty() ? DataFilePath(kFileName) : filePath, kRootName)
{
    try {
        Reload();
    } catch (const EStoreError&) {
        // Kept in loadError(); the caller logs it.
    }
}

TQuickHosts::~TQuickHosts()
{
    if (!m_saveOnDestruction)
        return;
    QString error;
    if (!Save(&error))
        qWarning().noquote() << "Quick-connect hosts were not saved:" << error;
}

TQuickHosts& TQuickHosts::createGlobal(const QString& filePath)
{
    destroyGlobal();
    globalStore() = std::make_unique<TQuickHosts>(filePath);
    THost::setQuickHostStoreSaver([] {
        if (TQuickHosts* store = QuickHosts()) {
            QString error;
            if (!store->Save(&error))
                qWarning().noquote() << "Quick-connect hosts were not saved:" << error;
        }
    });
    return *globalStore();
}

void TQuickHosts::destroyGlobal()
{
    THost::setQuickHostStoreSaver({});
    globalStore().reset();
}

TQuickHosts* QuickHosts()
{
    return globalStore().get();
}

void TQuickHosts::Reload()
{
    m_documentError = m_document.open().message;
    m_hosts.clear();
    m_loadIncomplete = false;
    for (const pugi::xml_node& node : m_document.root().children()) {
        if (node.type() != pugi::node_element || !hasXmlAttribute(node, "CommonName"))
            continue;
        auto host = std::make_unique<THost>();
        try {
            THostElement::read(node, *host, THostElement::TFormat::Quick);
        } catch (const EVariantError&) {
            m_loadIncomplete = true;
            m_hostError = QStringLiteral("Could not read: ") + THostElement::xmlText(node);
            throw EVariantError(m_hostError);
        } catch (const EStoreError& error) {
            m_loadIncomplete = true;
            m_hostError = error.message();
            throw;
        }
        m_hosts.push_back(std::move(host));
    }
}

bool TQuickHosts::Save(QString* error)
{
    return m_document.save(error);
}

THost* TQuickHosts::FindByID(const QString& id) const
{
    for (const auto& host : m_hosts)
        if (host->HostIDText() == id)
            return host.get();
    return nullptr;
}

pugi::xml_node TQuickHosts::findElement(const QString& id) const
{
    for (const pugi::xml_node& node : m_document.root().children())
        if (node.type() == pugi::node_element && THostElement::idText(node) == id)
            return node;
    return {};
}

bool TQuickHosts::AddOrUpdate(const THost& host, QString* error)
{
    const QString id = host.HostIDText();
    if (THost* record = FindByID(id))
        record->Assign(host);
    else
        m_hosts.push_back(std::make_unique<THost>(host));

    pugi::xml_node element = findElement(id);
    if (!element)
        element = m_document.root().append_child("Host");
    THostElement::write(element, host, THostElement::TFormat::Quick);
    m_document.markModified();
    return Save(error);
}

bool TQuickHosts::Delete(const THost& host, QString* error)
{
    // `host` may be about to be freed below.
    const QString id = host.HostIDText();
    if (pugi::xml_node element = findElement(id)) {
        m_document.root().remove_child(element);
        m_document.markModified();
    }
    const auto it = std::find_if(m_hosts.begin(), m_hosts.end(),
                                 [&id](const std::unique_ptr<THost>& h) { return h->HostIDText() == id; });
    if (it != m_hosts.end())
        m_hosts.erase(it);
    return Save(error);
}
