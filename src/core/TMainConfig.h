#pragma once

#include <memory>
#include <type_traits>
#include <vector>

#include <QMutex>
#include <QString>
#include <QVariant>

#include "core/MainConfigKeys.h"
#include "core/TXMLConfig.h"
#include "core/TXMLDocument.h"

namespace platform {
class TSystemRegistrations;
}

// The program's settings, kept in Config.xml in the data folder: one child element
// of the root "Config" per setting, named like the key, with the value in its
// attribute "value". The file is read once when the store is created; changes stay
// in memory until Save() or the store's destruction.
//
// A file that cannot be read is copied aside and the store continues with an
// empty document (every setting at its default); loadError() keeps the message
// for the log, since the store exists before any window.
//
// Thread-safe: the transfer threads read settings while the user-interface thread
// changes them.
class TMainConfig final : public TXMLConfig
{
public:
    template <typename T>
    using Param = std::conditional_t<std::is_scalar_v<T>, T, const T&>;

    // `registrations` answers the three settings kept outside Config.xml; by
    // default nothing is registered and nothing can be.
    explicit TMainConfig(std::shared_ptr<platform::TSystemRegistrations> registrations = {});
    ~TMainConfig() override;

    TMainConfig(const TMainConfig&) = delete;
    TMainConfig& operator=(const TMainConfig&) = delete;

    // The process-wide store. createGlobal() replaces any earlier one (which is
    // saved if modified); destroyGlobal() saves and frees it.
    static TMainConfig& createGlobal(std::shared_ptr<platform::TSystemRegistrations> registrations = {});
    static void destroyGlobal();

    // The data folder without a trailing separator; empty when it could not be made.
    const QString& DataFolder() const { return m_dataFolder; }
    // DataFolder() + separator + name: where every other data file lives.
    QString dataFilePath(const QString& fileName) const;
    // Why Config.xml (or the data folder) could not be used; empty when all is well.
    const QString& loadError() const { return m_loadError; }
    // Config.xml did not exist before this store was created: the program runs
    // for the first time with this data folder. FirstRun() then reads true until
    // it is set.
    bool isNewDataFolder() const { return m_newConfigFile; }

    // Writes Config.xml now.
    bool Save(QString* error = nullptr);
    bool isModified() const;

    // The text of the first element named `key`, or `fallback` when the element or
    // its value is missing.
    QVariant GetValue(const QString& key, const QVariant& fallback) const;
    // Sets the first element named `key` (appended when missing) to the value's
    // text form. A key that is not a valid element name is ignored: written, it
    // would make the file unreadable.
    void SetValue(const QString& key, const QVariant& value);

#define VANTOR_CONFIG_DECLARE_RW(name, type)                                                                 \
    type name() const;                                                                                       \
    void Set##name(Param<type> value);
#define VANTOR_CONFIG_DECLARE_RO(name, type) type name() const;
#define VANTOR_CONFIG_DECLARE_RWX(name, type) VANTOR_CONFIG_DECLARE_RW(name, type)
#define VANTOR_CONFIG_DECLARE_RXW(name, type) VANTOR_CONFIG_DECLARE_RW(name, type)
#define VANTOR_CONFIG_DECLARE_ROX(name, type) VANTOR_CONFIG_DECLARE_RO(name, type)
#define VANTOR_CONFIG_DECLARE(access, name, type, fallback) VANTOR_CONFIG_DECLARE_##access(name, type)
    VANTOR_MAIN_CONFIG_KEYS(VANTOR_CONFIG_DECLARE)
#undef VANTOR_CONFIG_DECLARE
#undef VANTOR_CONFIG_DECLARE_ROX
#undef VANTOR_CONFIG_DECLARE_RXW
#undef VANTOR_CONFIG_DECLARE_RWX
#undef VANTOR_CONFIG_DECLARE_RO
#undef VANTOR_CONFIG_DECLARE_RW

    // The remembered answer of a message the user asked not to be shown again,
    // kept under "<messageKey>DialogDefault"; 0 means "ask".
    int DialogDefault(const QString& messageKey) const;
    void SetDialogDefault(const QString& messageKey, int result);

    // Registrations outside Config.xml. Setters return whether the change was made.
    bool StartWithSystem() const;
    bool SetStartWithSystem(bool enabled);
    bool DefaultFTPProgram() const;
    bool SetDefaultFTPProgram(bool enabled);
    bool ContextMenu() const;
    bool SetContextMenu(bool enabled);

    struct TKeyInfo
    {
        const char* name;
        const char* type;
        QString defaultText; // the default in its file form
        bool writable;       // has a setter
    };
    // Every setting of Config.xml, in table order.
    static const std::vector<TKeyInfo>& Keys();

private:
    template <typename T>
    T read(const char* key, const T& fallback) const;
    template <typename T>
    void write(const char* key, const T& value);
    bool readText(const QString& key, QString& text) const;
    void writeText(const QString& key, const QString& text);

    mutable QMutex m_lock;
    QString m_dataFolder;
    QString m_loadError;
    bool m_newConfigFile = false;
    std::unique_ptr<TXMLDocument> m_document;
    std::shared_ptr<platform::TSystemRegistrations> m_registrations;
};

// The process-wide settings store; nullptr before createGlobal() and after destroyGlobal().
TMainConfig* MainConfig();
