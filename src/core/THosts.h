#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QHash>
#include <QSet>
#include <QString>

#include "core/THostTree.h"
#include "core/TXMLDocument.h"

class THost;
class TTranslationTable;

// The user's saved hosts, kept in Hosts.xml as a tree of groups ("Group"
// elements with a "CommonName") and hosts ("Host" elements, see THostElement) to
// any depth, below the root "HostList".
//
// The store offers the hosts as a flat list in document order (for lookups by
// ID) and fills or reads a THostTree for the host manager. Every Save also
// mirrors the hosts into the registry key "Software\Vantor FTP\Hosts": one
// subkey per host, named by its ID text, whose default value is its CommonName.
//
// While the setting UseSecretStore is on, every Save (and the write on
// destruction) moves the hosts' passwords and their own proxies' passwords into
// the desktop's secret store (TSecretStore) and leaves those attributes empty in
// Hosts.xml; a host whose file attribute is empty reads its password from the
// store on load. A password the store refuses stays in the file as it is with the
// setting off, and secretStoreError() says why. With the setting off the store is
// never asked.
//
// Loading skips, with everything below it, any element that is neither "Group"
// nor "Host" or has no "CommonName". A host that cannot be read stops the load
// with EXMLLoadException; the hosts read before it stay in the list. A file that
// is not well-formed is copied aside and the store continues empty.
//
// User-interface thread only.
class THosts final
{
public:
    // The registry key of the mirror.
    static const QString kRegistryKey;
    // Called after every write of the mirror (what lists the hosts outside the
    // program follows it); none by default.
    static void setMirrorWrittenHook(std::function<void()> hook);

    // Opens Hosts.xml in the data folder (or `filePath`), creating it empty when
    // it is missing, and loads it. A load error does not throw here: it is kept in
    // loadError() with the hosts read before it. Throws EInOutError only when
    // there is no data folder.
    explicit THosts(const QString& filePath = QString());
    // Writes the file if the document was changed and not saved.
    ~THosts();

    THosts(const THosts&) = delete;
    THosts& operator=(const THosts&) = delete;

    // The process-wide store: createGlobal() replaces any earlier one and makes
    // THost::SaveStores() save it; destroyGlobal() frees it.
    static THosts& createGlobal(const QString& filePath = QString());
    static void destroyGlobal();

    // Reads Hosts.xml from disk again, dropping unsaved changes, and rebuilds the
    // host list. Throws EXMLLoadException ("Can't load node with commonname:
    // ...") at a host that cannot be read.
    void Reload();

    // Replaces the tree's contents: a first top-level node captioned
    // `rootCaption` (the translated "Hosts"), below it the groups and hosts of the
    // document in document order. Rebuilds the host list as Reload does (from the
    // document in memory) and shares its records with the tree. Throws
    // EXMLLoadException as Reload does.
    void FillTree(THostTree& tree, const QString& rootCaption);
    // The same with the root caption "strHosts" of the main window's table.
    void FillTree(THostTree& tree, const TTranslationTable& mainTable);

    // Rebuilds the document from the tree below its first top-level node: a node
    // with a host becomes a "Host" element (its name from the record; nodes below
    // a host are not kept), every other node a "Group" named by its caption. The
    // host list then holds exactly the tree's records in tree order. Only the
    // document in memory changes; Save() writes it.
    //
    // Throws EStoreError, changing nothing, when the tree has no top-level node,
    // or when the last load stopped early: the tree then lacks the hosts that were
    // not read, and saving it would drop them from the file.
    void SaveFromTree(const THostTree& tree);

    // Rebuilds the registry mirror from the host list, then writes Hosts.xml
    // atomically. Registry keys that cannot be written are skipped. False with a
    // reason when the file could not be written.
    bool Save(QString* error = nullptr);

    // The first host whose ID text equals `id` exactly (upper case, braces), or null.
    THost* FindByID(const QString& id) const;

    // Stores one host without the tree: a host with a known ID (or whose ID an
    // element carries) is updated in place wherever it lies in the groups; a new
    // one is appended at the top level. Then Save() runs.
    bool UpdateHost(const THost& host, QString* error = nullptr);

    // Adds three public anonymous FTP servers (each saved at once).
    bool AddDefaultHosts(QString* error = nullptr);

    const std::vector<std::shared_ptr<THost>>& hosts() const { return m_hosts; }
    int count() const { return static_cast<int>(m_hosts.size()); }

    // Why the last load failed or stopped early (the document's own problem, or
    // the message of the host that stopped it); empty when all was read.
    QString loadError() const { return m_loadIncomplete ? m_hostError : m_documentError; }
    // Why the secret store last failed a read or a write, empty when it did not.
    const QString& secretStoreError() const { return m_secretStoreError; }
    // True when the last load stopped at a host that could not be read.
    bool loadIncomplete() const { return m_loadIncomplete; }
    const QString& filePath() const { return m_document.filePath(); }
    TXMLDocument& document() { return m_document; }

private:
    void loadDocument();
    void walk(const pugi::xml_node& parent, THostTree* tree, THostTree::Node* treeParent);
    void rebuildList(THostTree* tree, THostTree::Node* treeParent);
    pugi::xml_node findElement(const pugi::xml_node& parent, const QString& id) const;
    void writeMirror() const;
    void readSecret(const pugi::xml_node& element, const char* attribute, const QString& key,
                    QString& secret);
    void moveSecretsToStore();
    bool moveSecret(pugi::xml_node& element, const char* attribute, const QString& key,
                    const QString& secret);
    void noteSecretStoreError(const QString& key, const QString& error);

    TXMLDocument m_document;
    std::vector<std::shared_ptr<THost>> m_hosts;
    QString m_documentError;
    QString m_hostError;
    bool m_loadIncomplete = false;
    // What this store knows the secret store holds, by key ("" for nothing), and
    // the keys it could not read: their passwords are neither overwritten nor
    // removed until the user gives a new one.
    QHash<QString, QString> m_secrets;
    QSet<QString> m_unreadSecrets;
    QString m_secretStoreError;
};

// The process-wide host tree store; null before THosts::createGlobal() and after
// THosts::destroyGlobal().
THosts* Hosts();
