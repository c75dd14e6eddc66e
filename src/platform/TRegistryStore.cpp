#include "platform/TRegistryStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "platform/UnreadableFile.h"

namespace platform {

namespace {

// QSettings names the unnamed value of a registry key "."; the INI file uses the
// same name so both read alike.
const QString kDefaultValueName = QStringLiteral(".");

bool isValidValueName(const QString& name)
{
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

} // namespace

TRegistryStore::TRegistryStore(const QString& iniFilePath)
{
#ifdef Q_OS_WIN
    Q_UNUSED(iniFilePath);
    m_settings = std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER"), QSettings::NativeFormat);
#else
    const bool existed = QFileInfo::exists(iniFilePath);
    m_settings = std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat);
    m_settings->setAtomicSyncRequired(true);
    if (existed && m_settings->status() != QSettings::NoError) {
        const TSetAsideResult copy = SetAsideUnreadableFile(iniFilePath);
        if (copy.ok) {
            m_loadError = QStringLiteral("%1 could not be read completely; it was kept as %2")
                              .arg(QFileInfo(iniFilePath).fileName(), QFileInfo(copy.copyPath).fileName());
        } else {
            // Without a copy the file must not be rewritten from what little was read.
            m_loadError = QStringLiteral("%1 could not be read and could not be copied aside (%2); it will "
                                         "not be changed")
                              .arg(iniFilePath, copy.error);
            m_writable = false;
        }
    }
#endif
}

TRegistryStore::~TRegistryStore()
{
    if (m_writable)
        m_settings->sync();
}

QString TRegistryStore::groupPath(const QString& key)
{
    QString path = key;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.join(QLatin1Char('/'));
}

QString TRegistryStore::valuePath(const QString& key, const QString& name)
{
    const QString group = groupPath(key);
    const QString value = name.isEmpty() ? kDefaultValueName : name;
    return group.isEmpty() ? value : group + QLatin1Char('/') + value;
}

bool TRegistryStore::keyExists(const QString& key) const
{
    const QString group = groupPath(key);
    if (group.isEmpty())
        return true;
    m_settings->beginGroup(group);
    const bool exists = !m_settings->childKeys().isEmpty() || !m_settings->childGroups().isEmpty();
    m_settings->endGroup();
    return exists;
}

bool TRegistryStore::valueExists(const QString& key, const QString& name) const
{
    return isValidValueName(name) && m_settings->contains(valuePath(key, name));
}

QStringList TRegistryStore::subKeys(const QString& key) const
{
    m_settings->beginGroup(groupPath(key));
    const QStringList groups = m_settings->childGroups();
    m_settings->endGroup();
    return groups;
}

QStringList TRegistryStore::valueNames(const QString& key) const
{
    m_settings->beginGroup(groupPath(key));
    QStringList names = m_settings->childKeys();
    m_settings->endGroup();
    for (QString& name : names)
        if (name == kDefaultValueName)
            name.clear();
    return names;
}

QString TRegistryStore::readString(const QString& key, const QString& name, const QString& fallback) const
{
    if (!valueExists(key, name))
        return fallback;
    return m_settings->value(valuePath(key, name)).toString();
}

qint64 TRegistryStore::readInteger(const QString& key, const QString& name, qint64 fallback) const
{
    if (!valueExists(key, name))
        return fallback;
    bool ok = false;
    const qint64 value = m_settings->value(valuePath(key, name)).toString().trimmed().toLongLong(&ok);
    return ok ? value : fallback;
}

bool TRegistryStore::writeString(const QString& key, const QString& name, const QString& value)
{
    if (!m_writable || !isValidValueName(name))
        return false;
    m_settings->setValue(valuePath(key, name), value);
    return true;
}

bool TRegistryStore::writeInteger(const QString& key, const QString& name, qint64 value)
{
    if (!m_writable || !isValidValueName(name))
        return false;
    m_settings->setValue(valuePath(key, name), value);
    return true;
}

void TRegistryStore::deleteValue(const QString& key, const QString& name)
{
    if (m_writable && isValidValueName(name) && m_settings->contains(valuePath(key, name)))
        m_settings->remove(valuePath(key, name));
}

void TRegistryStore::deleteKey(const QString& key)
{
    const QString group = groupPath(key);
    // An empty path would clear the whole store.
    if (m_writable && !group.isEmpty())
        m_settings->remove(group);
}

bool TRegistryStore::sync(QString* error)
{
    if (!m_writable) {
        if (error)
            *error = m_loadError;
        return false;
    }
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError) {
        // The file is the user's alone, as every data file.
        if (m_settings->format() == QSettings::IniFormat)
            QFile::setPermissions(m_settings->fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return true;
    }
    if (error)
        *error = QStringLiteral("cannot write %1").arg(m_settings->fileName());
    return false;
}

} // namespace platform
