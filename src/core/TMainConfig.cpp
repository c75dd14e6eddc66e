#include "core/TMainConfig.h"

#include <atomic>

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>

#include "core/AppData.h"
#include "core/ConfigText.h"
#include "core/EInOutError.h"
#include "core/Format.h"
#include "core/PathHelpers.h"
#include "platform/TInactiveRegistrations.h"

namespace {

const char* const kValueAttribute = "value";
const QString kRootName = QStringLiteral("Config");
const QString kFileName = QStringLiteral("Config.xml");

std::unique_ptr<TMainConfig>& globalStore()
{
    static std::unique_ptr<TMainConfig> store;
    return store;
}

std::atomic<TMainConfig*> g_mainConfig{nullptr};

QString variantText(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return toConfigText(value.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    default:
        return value.toString();
    }
}

} // namespace

TMainConfig::TMainConfig(std::shared_ptr<platform::TSystemRegistrations> registrations)
    : m_registrations(registrations ? std::move(registrations)
                                    : std::make_shared<platform::TInactiveRegistrations>())
{
    try {
        m_dataFolder = GetAppDataFolder();
    } catch (const EInOutError& e) {
        m_loadError = e.message();
        m_document = std::make_unique<TXMLDocument>(QString(), kRootName);
        return;
    }
    m_document = std::make_unique<TXMLDocument>(dataFilePath(kFileName), kRootName);
    const TXMLLoadResult result = m_document->open();
    if (!result.ok())
        m_loadError = result.message;
    m_newConfigFile = result.status == TXMLLoadStatus::Created;
    // The new file says so itself: a first start cut short before its wizard
    // has run (a crash, a kill) is a first start again next time.
    if (m_newConfigFile) {
        SetFirstRun(true);
        Save();
    }
}

TMainConfig::~TMainConfig()
{
    if (!isModified())
        return;
    QString error;
    if (!Save(&error))
        qWarning().noquote() << "Settings were not saved:" << error;
}

TMainConfig& TMainConfig::createGlobal(std::shared_ptr<platform::TSystemRegistrations> registrations)
{
    destroyGlobal();
    globalStore() = std::make_unique<TMainConfig>(std::move(registrations));
    g_mainConfig.store(globalStore().get());
    return *globalStore();
}

void TMainConfig::destroyGlobal()
{
    g_mainConfig.store(nullptr);
    globalStore().reset();
}

TMainConfig* MainConfig()
{
    return g_mainConfig.load();
}

QString TMainConfig::dataFilePath(const QString& fileName) const
{
    return IncludeTrailingBackslash(m_dataFolder) + fileName;
}

bool TMainConfig::Save(QString* error)
{
    const QMutexLocker locker(&m_lock);
    if (m_dataFolder.isEmpty()) {
        if (error)
            *error = m_loadError;
        return false;
    }
    return m_document->save(error);
}

bool TMainConfig::isModified() const
{
    const QMutexLocker locker(&m_lock);
    return m_document->isModified();
}

bool TMainConfig::readText(const QString& key, QString& text) const
{
    if (!isValidXmlName(key))
        return false;
    const QMutexLocker locker(&m_lock);
    const pugi::xml_node node = m_document->root().child(key.toUtf8().constData());
    if (!node || !hasXmlAttribute(node, kValueAttribute))
        return false;
    text = xmlAttribute(node, kValueAttribute);
    return true;
}

void TMainConfig::writeText(const QString& key, const QString& text)
{
    if (!isValidXmlName(key)) {
        qWarning().noquote() << "Setting name" << key << "cannot be stored; ignored";
        return;
    }
    const QMutexLocker locker(&m_lock);
    const QByteArray name = key.toUtf8();
    pugi::xml_node root = m_document->root();
    pugi::xml_node node = root.child(name.constData());
    if (!node)
        node = root.append_child(name.constData());
    else if (hasXmlAttribute(node, kValueAttribute) && xmlAttribute(node, kValueAttribute) == text)
        return;
    setXmlAttribute(node, kValueAttribute, text);
    m_document->markModified();
}

template <typename T>
T TMainConfig::read(const char* key, const T& fallback) const
{
    QString text;
    if (!readText(QString::fromLatin1(key), text))
        return fallback;
    return fromConfigText(text, fallback);
}

template <typename T>
void TMainConfig::write(const char* key, const T& value)
{
    writeText(QString::fromLatin1(key), toConfigText(value));
}

QVariant TMainConfig::GetValue(const QString& key, const QVariant& fallback) const
{
    QString text;
    return readText(key, text) ? QVariant(text) : fallback;
}

void TMainConfig::SetValue(const QString& key, const QVariant& value)
{
    writeText(key, variantText(value));
}

#define VANTOR_CONFIG_DEFINE_GET(name, type, fallback)                                                       \
    type TMainConfig::name() const                                                                           \
    {                                                                                                        \
        return read<type>(#name, fallback);                                                                  \
    }
#define VANTOR_CONFIG_DEFINE_SET(name, type)                                                                 \
    void TMainConfig::Set##name(Param<type> value)                                                           \
    {                                                                                                        \
        write<type>(#name, value);                                                                           \
    }
#define VANTOR_CONFIG_DEFINE_RW(name, type, fallback)                                                        \
    VANTOR_CONFIG_DEFINE_GET(name, type, fallback) VANTOR_CONFIG_DEFINE_SET(name, type)
#define VANTOR_CONFIG_DEFINE_RO(name, type, fallback) VANTOR_CONFIG_DEFINE_GET(name, type, fallback)
#define VANTOR_CONFIG_DEFINE_RWX(name, type, fallback) VANTOR_CONFIG_DEFINE_GET(name, type, fallback)
#define VANTOR_CONFIG_DEFINE_RXW(name, type, fallback) VANTOR_CONFIG_DEFINE_SET(name, type)
#define VANTOR_CONFIG_DEFINE_ROX(name, type, fallback)
#define VANTOR_CONFIG_DEFINE(access, name, type, fallback) VANTOR_CONFIG_DEFINE_##access(name, type, fallback)
VANTOR_MAIN_CONFIG_KEYS(VANTOR_CONFIG_DEFINE)

const std::vector<TMainConfig::TKeyInfo>& TMainConfig::Keys()
{
#define VANTOR_CONFIG_INFO(access, name, type, fallback)                                                     \
    TKeyInfo{#name, #type, toConfigText(type(fallback)), !std::string_view(#access).starts_with("RO")},
    static const std::vector<TKeyInfo> keys{VANTOR_MAIN_CONFIG_KEYS(VANTOR_CONFIG_INFO)};
#undef VANTOR_CONFIG_INFO
    return keys;
}

QString TMainConfig::LastQueueDirectory() const
{
    const QString stored = read<QString>("LastQueueDirectory", QString());
    if (!stored.isEmpty() && QFileInfo(stored).isDir())
        return stored;
    return IncludeTrailingBackslash(QCoreApplication::applicationDirPath()) + QStringLiteral("Settings");
}

// The file's own default is false, so an existing settings file without the
// value is no first run; a settings file made by this start is.
bool TMainConfig::FirstRun() const
{
    return read<bool>("FirstRun", m_newConfigFile);
}

// The two start-up dialogs exclude each other: switching one on switches the
// other off.
void TMainConfig::SetShowHostManagerOnStartup(bool value)
{
    write<bool>("ShowHostManagerOnStartup", value);
    if (value)
        write<bool>("ShowQuickConnectOnStartup", false);
}

void TMainConfig::SetShowQuickConnectOnStartup(bool value)
{
    write<bool>("ShowQuickConnectOnStartup", value);
    if (value)
        write<bool>("ShowHostManagerOnStartup", false);
}

int TMainConfig::DialogDefault(const QString& messageKey) const
{
    QString text;
    if (!readText(Format(QStringLiteral("%sDialogDefault"), {messageKey}), text))
        return 0;
    return fromConfigText(text, 0);
}

void TMainConfig::SetDialogDefault(const QString& messageKey, int result)
{
    SetValue(Format(QStringLiteral("%sDialogDefault"), {messageKey}), result);
}

bool TMainConfig::StartWithSystem() const
{
    return m_registrations->startWithSystem();
}

bool TMainConfig::SetStartWithSystem(bool enabled)
{
    return m_registrations->setStartWithSystem(enabled);
}

bool TMainConfig::DefaultFTPProgram() const
{
    return m_registrations->ftpHandler();
}

bool TMainConfig::SetDefaultFTPProgram(bool enabled)
{
    return m_registrations->setFtpHandler(enabled);
}

bool TMainConfig::ContextMenu() const
{
    return m_registrations->contextMenu();
}

bool TMainConfig::SetContextMenu(bool enabled)
{
    return m_registrations->setContextMenu(enabled);
}
