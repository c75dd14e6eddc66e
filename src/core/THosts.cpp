#include "core/THosts.h"

#include <utility>

#include <QDebug>

#include "core/AppRegistry.h"
#include "core/DataFilePath.h"
#include "core/EStoreError.h"
#include "core/EXMLLoadException.h"
#include "core/Format.h"
#include "core/THost.h"
#include "core/THostElement.h"
#include "core/TSecretStore.h"
#include "core/TTranslationTable.h"

namespace {

const QString kFileName = QStringLiteral("Hosts.xml");
const QString kRootName = QStringLiteral("HostList");
const QString kLoadErrorFormat = QStringLiteral("Can't load node with commonname: %s\r\nReason: %s");

// Three public servers that allow anonymous logins, offered by the first-run wizard.
const char* const kDefaultHosts[] = {"ftp.gnu.org", "ftp.debian.org", "ftp.funet.fi"};

std::unique_ptr<THosts>& globalStore()
{
    static std::unique_ptr<THosts> store;
    return store;
}

bool isGroup(const pugi::xml_node& node)
{
    return node.type() == pugi::node_element && std::string_view(node.name()) == "Group" &&
           hasXmlAttribute(node, "CommonName");
}

bool isHost(const pugi::xml_node& node)
{
    return node.type() == pugi::node_element && std::string_view(node.name()) == "Host" &&
           hasXmlAttribute(node, "CommonName");
}

} // namespace

const QString THosts::kRegistryKey = kAppRegistryKey + QStringLiteral("\\Hosts");

THosts::THosts(const QString& filePath)
    : m_document(filePath.isEmpty() ? DataFilePath(kFileName) : filePath, kRootName)
{
    try {
        Reload();
    } catch (const EXMLLoadException&) {
        // Kept in loadError(); the caller logs it once a window exists.
    }
}

THosts::~THosts()
{
    if (m_document.isModified())
        moveSecretsToStore();
    QString error;
    if (!m_document.saveIfModified(&error))
        qWarning().noquote() << "Hosts were not saved:" << error;
}

THosts& THosts::createGlobal(const QString& filePath)
{
    destroyGlobal();
    globalStore() = std::make_unique<THosts>(filePath);
    THost::setHostStoreSaver([] {
        if (THosts* store = Hosts()) {
            QString error;
            if (!store->Save(&error))
                qWarning().noquote() << "Hosts were not saved:" << error;
        }
    });
    return *globalStore();
}

void THosts::destroyGlobal()
{
    THost::setHostStoreSaver({});
    globalStore().reset();
}

THosts* Hosts()
{
    return globalStore().get();
}

void THosts::loadDocument()
{
    const TXMLLoadResult result = m_document.open();
    m_documentError = result.message;
}

void THosts::Reload()
{
    // Another program may have changed the secret store too.
    m_secrets.clear();
    m_unreadSecrets.clear();
    loadDocument();
    rebuildList(nullptr, nullptr);
}

void THosts::FillTree(THostTree& tree, const QString& rootCaption)
{
    tree.clear();
    THostTree::Node* root = tree.addNode(nullptr, rootCaption, nullptr);
    rebuildList(&tree, root);
}

void THosts::FillTree(THostTree& tree, const TTranslationTable& mainTable)
{
    FillTree(tree, mainTable.GetText(QStringLiteral("strHosts")));
}

void THosts::rebuildList(THostTree* tree, THostTree::Node* treeParent)
{
    m_hosts.clear();
    m_loadIncomplete = false;
    try {
        walk(m_document.root(), tree, treeParent);
    } catch (const EXMLLoadException& error) {
        m_loadIncomplete = true;
        m_hostError = error.message();
        throw;
    }
}

void THosts::walk(const pugi::xml_node& parent, THostTree* tree, THostTree::Node* treeParent)
{
    for (const pugi::xml_node& node : parent.children()) {
        if (isGroup(node)) {
            THostTree::Node* group =
                tree ? tree->addNode(treeParent, xmlAttribute(node, "CommonName"), nullptr) : nullptr;
            walk(node, tree, group);
        } else if (isHost(node)) {
            auto host = std::make_shared<THost>();
            try {
                THostElement::read(node, *host, THostElement::TFormat::Tree);
            } catch (const EStoreError& error) {
                throw EXMLLoadException(
                    Format(kLoadErrorFormat, {xmlAttribute(node, "CommonName"), error.message()}));
            }
            if (TSecretStore::enabled()) {
                const QString id = host->HostIDText();
                readSecret(node, "Password", TSecretStore::hostPasswordKey(id), host->Password);
                if (!host->UseDefaultProxySettings)
                    readSecret(node, "ProxyPassword", TSecretStore::proxyPasswordKey(id),
                               host->ProxySettings.Password);
            }
            m_hosts.push_back(host);
            if (tree)
                tree->addNode(treeParent, host->CommonName, host);
        }
    }
}

void THosts::SaveFromTree(const THostTree& tree)
{
    if (tree.topLevelCount() < 1)
        throw EStoreError(QStringLiteral("The host tree has no root node; the hosts were not changed."));
    if (m_loadIncomplete)
        throw EStoreError(QStringLiteral("%1 was not read completely (%2); saving would lose the hosts "
                                         "that were not read, so the hosts were not changed.")
                              .arg(m_document.filePath(), m_hostError));

    std::vector<std::shared_ptr<THost>> hosts;
    pugi::xml_node root = m_document.root();
    root.remove_children();

    struct Builder
    {
        std::vector<std::shared_ptr<THost>>& hosts;
        void build(const THostTree::Node& node, pugi::xml_node parent)
        {
            for (int i = 0; i < node.childCount(); ++i) {
                const THostTree::Node* child = node.child(i);
                if (!child)
                    continue;
                if (std::shared_ptr<THost> host = child->host()) {
                    THostElement::write(parent.append_child("Host"), *host, THostElement::TFormat::Tree);
                    hosts.push_back(std::move(host));
                } else {
                    pugi::xml_node group = parent.append_child("Group");
                    setXmlAttribute(group, "CommonName", child->caption());
                    build(*child, group);
                }
            }
        }
    };
    Builder{hosts}.build(*tree.topLevelNode(0), root);
    m_hosts = std::move(hosts);
    m_document.markModified();
}

namespace {

std::function<void()>& mirrorWrittenHook()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

void THosts::setMirrorWrittenHook(std::function<void()> hook)
{
    mirrorWrittenHook() = std::move(hook);
}

void THosts::writeMirror() const
{
    const std::unique_ptr<platform::TRegistryStore> registry = OpenAppRegistry();
    if (!registry)
        return;
    registry->deleteKey(kRegistryKey);
    for (const auto& host : m_hosts)
        registry->writeString(kRegistryKey + QLatin1Char('\\') + host->HostIDText(), QString(),
                              host->CommonName);
    QString error;
    if (!registry->sync(&error))
        qWarning().noquote() << "The host list was not mirrored to the registry:" << error;
    if (mirrorWrittenHook())
        mirrorWrittenHook()();
}

void THosts::noteSecretStoreError(const QString& key, const QString& error)
{
    m_secretStoreError = QStringLiteral("The secret store failed for %1: %2").arg(key, error);
    qWarning().noquote() << m_secretStoreError;
}

void THosts::readSecret(const pugi::xml_node& element, const char* attribute, const QString& key,
                        QString& secret)
{
    // A password kept in the file wins: it was saved while the setting was off or
    // while the store refused it.
    if (!xmlAttribute(element, attribute).isEmpty())
        return;
    if (const auto known = m_secrets.constFind(key); known != m_secrets.constEnd()) {
        secret = *known;
        return;
    }
    if (m_unreadSecrets.contains(key))
        return;
    QString value;
    QString error;
    switch (TSecretStore::instance().read(key, value, &error)) {
    case TSecretStore::TReadResult::Found:
        secret = value;
        m_secrets.insert(key, value);
        break;
    case TSecretStore::TReadResult::NotFound:
        m_secrets.insert(key, QString());
        break;
    case TSecretStore::TReadResult::Failed:
        m_unreadSecrets.insert(key);
        noteSecretStoreError(key, error);
        break;
    }
}

bool THosts::moveSecret(pugi::xml_node& element, const char* attribute, const QString& key,
                        const QString& secret)
{
    if (secret.isEmpty() && m_unreadSecrets.contains(key)) {
        // The stored password could not be read: keep it in the store, and keep
        // the file pointing there.
        setXmlAttribute(element, attribute, QString());
        return true;
    }
    const auto known = m_secrets.constFind(key);
    if (known == m_secrets.constEnd() || *known != secret) {
        TSecretStore& store = TSecretStore::instance();
        QString error;
        const bool stored = secret.isEmpty() ? store.remove(key, &error) : store.write(key, secret, &error);
        if (!stored) {
            // The attribute keeps what THostElement wrote: the password stays in the file.
            noteSecretStoreError(key, error);
            return false;
        }
        m_secrets.insert(key, secret);
        m_unreadSecrets.remove(key);
    }
    setXmlAttribute(element, attribute, QString());
    return true;
}

void THosts::moveSecretsToStore()
{
    if (!TSecretStore::enabled())
        return;
    m_secretStoreError.clear();
    QHash<QString, pugi::xml_node> elements;
    struct Collector
    {
        QHash<QString, pugi::xml_node>& elements;
        void collect(const pugi::xml_node& parent)
        {
            for (const pugi::xml_node& node : parent.children()) {
                if (isGroup(node))
                    collect(node);
                else if (isHost(node) && !elements.contains(THostElement::idText(node)))
                    elements.insert(THostElement::idText(node), node);
            }
        }
    };
    Collector{elements}.collect(m_document.root());

    QSet<QString> liveKeys;
    for (const auto& host : m_hosts) {
        const QString id = host->HostIDText();
        auto found = elements.find(id);
        if (found == elements.end())
            continue;
        pugi::xml_node element = *found;
        moveSecret(element, "Password", TSecretStore::hostPasswordKey(id), host->Password);
        if (hasXmlAttribute(element, "ProxyPassword") && !host->UseDefaultProxySettings)
            moveSecret(element, "ProxyPassword", TSecretStore::proxyPasswordKey(id),
                       host->ProxySettings.Password);
    }
    // Hosts that are gone take their passwords with them; elements this store did
    // not read (a load that stopped early) keep theirs.
    for (auto it = elements.cbegin(); it != elements.cend(); ++it)
        liveKeys << TSecretStore::hostPasswordKey(it.key()) << TSecretStore::proxyPasswordKey(it.key());
    const QStringList keys = m_secrets.keys();
    for (const QString& key : keys) {
        if (liveKeys.contains(key) || m_secrets.value(key).isEmpty())
            continue;
        QString error;
        if (TSecretStore::instance().remove(key, &error))
            m_secrets.remove(key);
        else
            noteSecretStoreError(key, error);
    }
}

bool THosts::Save(QString* error)
{
    writeMirror();
    moveSecretsToStore();
    return m_document.save(error);
}

THost* THosts::FindByID(const QString& id) const
{
    for (const auto& host : m_hosts)
        if (host->HostIDText() == id)
            return host.get();
    return nullptr;
}

pugi::xml_node THosts::findElement(const pugi::xml_node& parent, const QString& id) const
{
    for (const pugi::xml_node& node : parent.children()) {
        if (isGroup(node)) {
            if (pugi::xml_node found = findElement(node, id))
                return found;
        } else if (isHost(node) && THostElement::idText(node) == id) {
            return node;
        }
    }
    return {};
}

bool THosts::UpdateHost(const THost& host, QString* error)
{
    const QString id = host.HostIDText();
    if (THost* record = FindByID(id))
        record->Assign(host);
    else
        m_hosts.push_back(std::make_shared<THost>(host));

    // An element the list lacks (the load stopped before it) is still updated in
    // place rather than duplicated.
    pugi::xml_node element = findElement(m_document.root(), id);
    if (!element)
        element = m_document.root().append_child("Host");
    THostElement::write(element, host, THostElement::TFormat::Tree);
    m_document.markModified();
    return Save(error);
}

bool THosts::AddDefaultHosts(QString* error)
{
    bool saved = true;
    for (const char* name : kDefaultHosts) {
        THost host;
        host.Hostname = QString::fromLatin1(name);
        host.CommonName = host.Hostname;
        host.IsAnonymous = true;
        if (!UpdateHost(host, saved ? error : nullptr))
            saved = false;
    }
    return saved;
}
