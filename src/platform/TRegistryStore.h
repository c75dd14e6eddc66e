#pragma once

#include <memory>

#include <QString>
#include <QStringList>

class QSettings;

namespace platform {

// The per-user registry of the program: keys such as "Software\Vantor FTP\Hosts"
// holding named values. On Windows it is the user's registry hive; elsewhere an
// INI file (Registry.ini in the data folder) with the same key paths and value
// names. Key paths may use "\" or "/". The unnamed (default) value of a key has
// the empty name.
//
// Writes reach the file through a temporary file and a rename, at the latest when
// the store is destroyed. A file that cannot be parsed is copied aside before it
// is written again (loadError() says so). A key exists while it holds a value or
// a subkey: the INI stand-in keeps no empty keys.
//
// One object per thread; several objects on the same file see each other's
// writes after sync().
class TRegistryStore final
{
public:
    explicit TRegistryStore(const QString& iniFilePath);
    ~TRegistryStore();

    TRegistryStore(const TRegistryStore&) = delete;
    TRegistryStore& operator=(const TRegistryStore&) = delete;

    bool keyExists(const QString& key) const;
    bool valueExists(const QString& key, const QString& name) const;
    // Direct subkeys and value names, in the store's enumeration order.
    QStringList subKeys(const QString& key) const;
    QStringList valueNames(const QString& key) const;

    QString readString(const QString& key, const QString& name, const QString& fallback = QString()) const;
    // `fallback` when the value is missing or not a decimal integer.
    qint64 readInteger(const QString& key, const QString& name, qint64 fallback = 0) const;

    // A value name containing "\" or "/" is refused (false): it would read back as
    // a subkey. So is every write when an unreadable file could not be copied aside.
    bool writeString(const QString& key, const QString& name, const QString& value);
    bool writeInteger(const QString& key, const QString& name, qint64 value);
    void deleteValue(const QString& key, const QString& name);
    // Deletes the key with all its values and subkeys.
    void deleteKey(const QString& key);

    // Writes pending changes now. False with a reason when the file cannot be written.
    bool sync(QString* error = nullptr);

    // Why the existing file could not be read, and where its copy went; empty
    // when it was read.
    const QString& loadError() const { return m_loadError; }

private:
    static QString groupPath(const QString& key);
    static QString valuePath(const QString& key, const QString& name);

    std::unique_ptr<QSettings> m_settings;
    QString m_loadError;
    bool m_writable = true;
};

} // namespace platform
