#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "core/TXMLDocument.h"

class THost;

// Hosts reached through the quick-connect dialog or an ftp:// address handed
// over by a browser, kept in QuickHosts.xml: a flat list of "Host" elements below
// the root "HostList", in the order they were first added. A quick host keeps no
// dial-up fields and no bookmarks (see THostElement); read back, it has those of
// a new record.
//
// User-interface thread only.
class TQuickHosts final
{
public:
    // Opens QuickHosts.xml in the data folder (or `filePath`), creating it empty
    // when it is missing, and loads it. A load error does not throw here: it is
    // kept in loadError() with the hosts read before it. Throws EInOutError only
    // when there is no data folder.
    explicit TQuickHosts(const QString& filePath = QString());
    // Runs Save() (unless setSaveOnDestruction(false)).
    ~TQuickHosts();

    TQuickHosts(const TQuickHosts&) = delete;
    TQuickHosts& operator=(const TQuickHosts&) = delete;

    // The process-wide list: createGlobal() replaces any earlier one and makes
    // THost::SaveStores() save it; destroyGlobal() frees it (which saves it).
    static TQuickHosts& createGlobal(const QString& filePath = QString());
    static void destroyGlobal();

    // Reads the file from disk again and rebuilds the list from every root child
    // that has a "CommonName", whatever its name. A missing or unconvertible value
    // throws EVariantError "Could not read: " followed by the element's XML; a
    // HostID that is not an ID or a damaged password throws EConvertError. Either
    // stops the load; hosts read before it stay.
    void Reload();

    // Writes QuickHosts.xml atomically. False with a reason when it could not.
    bool Save(QString* error = nullptr);

    // The first host whose ID text equals `id` exactly, or null.
    THost* FindByID(const QString& id) const;

    // A host with a known ID (or whose ID a root child carries) is updated in
    // place, otherwise a "Host" element and a copy of the host are appended. Then
    // Save() runs.
    bool AddOrUpdate(const THost& host, QString* error = nullptr);

    // Removes the first element and the first record with the host's ID, then
    // runs Save(). `host` may be one of the list's own records.
    bool Delete(const THost& host, QString* error = nullptr);

    const std::vector<std::unique_ptr<THost>>& hosts() const { return m_hosts; }
    int count() const { return static_cast<int>(m_hosts.size()); }

    QString loadError() const { return m_loadIncomplete ? m_hostError : m_documentError; }
    bool loadIncomplete() const { return m_loadIncomplete; }
    const QString& filePath() const { return m_document.filePath(); }

    // For readers that must not write the file (the command-line tool's lookups).
    void setSaveOnDestruction(bool save) { m_saveOnDestruction = save; }

private:
    pugi::xml_node findElement(const QString& id) const;

    TXMLDocument m_document;
    std::vector<std::unique_ptr<THost>> m_hosts;
    QString m_documentError;
    QString m_hostError;
    bool m_loadIncomplete = false;
    bool m_saveOnDestruction = true;
};

// The process-wide quick-connect list; null before TQuickHosts::createGlobal() and
// after TQuickHosts::destroyGlobal().
TQuickHosts* QuickHosts();
