#pragma once

#include <memory>

#include <QString>

// The desktop's secret store (Secret Service on Linux, the credential store on
// Windows) as host and proxy passwords use it: a text secret under a key.
//
// Calls are synchronous and run on the user-interface thread; a backend that
// works asynchronously waits for its answer with a time limit and reports a
// failure when it runs out. Failures come back with a reason for the log.
class TSecretStore
{
public:
    enum class TReadResult
    {
        Found,
        NotFound,
        Failed,
    };

    virtual ~TSecretStore() = default;

    // Fills `secret` when found; `error` gets the reason of a failure.
    virtual TReadResult read(const QString& key, QString& secret, QString* error = nullptr) = 0;
    virtual bool write(const QString& key, const QString& secret, QString* error = nullptr) = 0;
    // Removing a key the store does not have succeeds.
    virtual bool remove(const QString& key, QString* error = nullptr) = 0;

    // The process-wide store: the one set by setInstance(), otherwise the desktop's.
    static TSecretStore& instance();
    // Replaces the process-wide store (tests put an in-memory one here); null
    // goes back to the desktop's.
    static void setInstance(std::unique_ptr<TSecretStore> store);

    // Whether host and proxy passwords go to the secret store: the setting
    // UseSecretStore, off without a settings store.
    static bool enabled();

    // The keys of a host's password and of its own proxy's password.
    static QString hostPasswordKey(const QString& hostIDText);
    static QString proxyPasswordKey(const QString& hostIDText);

    // A line for the places where passwords are edited saying where they are kept
    // while the setting is on; empty while it is off.
    static QString passwordStorageNotice();
};

// The desktop's secret store, or a store whose every call fails with the reason
// when this build has none.
std::unique_ptr<TSecretStore> CreateDesktopSecretStore();
