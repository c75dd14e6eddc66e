#include "core/TSecretStore.h"

#ifdef VANTOR_HAVE_QTKEYCHAIN

#include <functional>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

namespace {

const QString kService = QStringLiteral("vantor-ftp");
// The store may wait for the user to unlock it; past this the call fails and the
// caller keeps the password where it was.
constexpr int kTimeoutMs = 5000;

struct TJobResult
{
    bool finished = false;
    QKeychain::Error code = QKeychain::OtherError;
    QString text;
};

// Runs a job to its end in a local event loop. `onFinished` reads what the job
// returned before it deletes itself. A job that outlives the time limit finishes
// (and deletes itself) later without touching this frame: the connection belongs
// to the loop.
TJobResult runJob(QKeychain::Job* job, const QString& key,
                  const std::function<void(QKeychain::Job&)>& onFinished = {})
{
    TJobResult result;
    if (!QCoreApplication::instance()) {
        delete job;
        result.text = QStringLiteral("the secret store needs a running application");
        return result;
    }
    job->setAutoDelete(true);
    job->setKey(key);
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* done) {
        result.finished = true;
        result.code = done->error();
        result.text = done->errorString();
        if (onFinished)
            onFinished(*done);
        loop.quit();
    });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    job->start();
    loop.exec();
    if (!result.finished)
        result.text =
            QStringLiteral("the secret store did not answer within %1 seconds").arg(kTimeoutMs / 1000);
    return result;
}

QString failure(const TJobResult& result)
{
    return result.text.isEmpty() ? QStringLiteral("the secret store failed") : result.text;
}

class TDesktopSecretStore final : public TSecretStore
{
public:
    TReadResult read(const QString& key, QString& secret, QString* error) override
    {
        QString data;
        const TJobResult result =
            runJob(new QKeychain::ReadPasswordJob(kService), key, [&](QKeychain::Job& job) {
                data = static_cast<QKeychain::ReadPasswordJob&>(job).textData();
            });
        if (result.finished && result.code == QKeychain::NoError) {
            secret = data;
            return TReadResult::Found;
        }
        if (result.finished && result.code == QKeychain::EntryNotFound)
            return TReadResult::NotFound;
        if (error)
            *error = failure(result);
        return TReadResult::Failed;
    }

    bool write(const QString& key, const QString& secret, QString* error) override
    {
        auto* job = new QKeychain::WritePasswordJob(kService);
        job->setTextData(secret);
        const TJobResult result = runJob(job, key);
        if (result.finished && result.code == QKeychain::NoError)
            return true;
        if (error)
            *error = failure(result);
        return false;
    }

    bool remove(const QString& key, QString* error) override
    {
        const TJobResult result = runJob(new QKeychain::DeletePasswordJob(kService), key);
        if (result.finished && (result.code == QKeychain::NoError || result.code == QKeychain::EntryNotFound))
            return true;
        if (error)
            *error = failure(result);
        return false;
    }
};

} // namespace

std::unique_ptr<TSecretStore> CreateDesktopSecretStore()
{
    return std::make_unique<TDesktopSecretStore>();
}

#else

namespace {

const QString kNoStore = QStringLiteral("this build has no access to a desktop secret store");

class TMissingSecretStore final : public TSecretStore
{
public:
    TReadResult read(const QString&, QString&, QString* error) override
    {
        if (error)
            *error = kNoStore;
        return TReadResult::Failed;
    }
    bool write(const QString&, const QString&, QString* error) override
    {
        if (error)
            *error = kNoStore;
        return false;
    }
    bool remove(const QString&, QString* error) override
    {
        if (error)
            *error = kNoStore;
        return false;
    }
};

} // namespace

std::unique_ptr<TSecretStore> CreateDesktopSecretStore()
{
    return std::make_unique<TMissingSecretStore>();
}

#endif
