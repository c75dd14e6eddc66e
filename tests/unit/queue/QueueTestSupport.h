#pragma once

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include "core/TMainConfig.h"
#include "core/TMessageTexts.h"
#include "core/TTranslationTable.h"
#include "queue/TFileExistsPrompt.h"
#include "queue/TFileTransferTypes.h"
#include "queue/TQueueManager.h"
#include "support/ScriptedFtpServer.h"
#include "support/qt/ScopedLocale.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace queuetest {

using testsupport::ScopedLocale;

inline QString str(const std::string& text)
{
    return QString::fromStdString(text);
}

// Waits, serving events (the transfer threads' calls into the main thread), until
// the condition holds. Never a plain sleep: the loop wakes for every event.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// A fresh data folder with settings, English message texts and an empty transfer
// type table for one test; a short retry delay so retry cycles run in a test.
class QueueEnvironment
{
public:
    QueueEnvironment()
        : m_previous(qgetenv("VANTOR_FTP_DATA_DIR"))
    {
        QDir().mkpath(dataFolder());
        QDir().mkpath(localRoot());
        qputenv("VANTOR_FTP_DATA_DIR", dataFolder().toUtf8());
        TMainConfig::createGlobal();
        MainConfig()->SetValue(QStringLiteral("RetryDelay"), 1);
        // A window shown in a test starts without its modal start-up windows.
        MainConfig()->SetFirstRun(false);
        MainConfig()->SetShowTipOnStartup(false);
        MainConfig()->SetShowSplashOnStartup(false);
        MainConfig()->SetDialogDefault(QStringLiteral("IDS_54"), 7); // a remembered No
        TTranslationTable table;
        EXPECT_TRUE(table.loadWindowTable(QStringLiteral("MainForm")));
        table.SetLanguage(QStringLiteral("English"));
        TMessageTexts::fill(table);
        TFileTransferTypes::createGlobal();
    }
    ~QueueEnvironment()
    {
        TFileTransferTypes::destroyGlobal();
        TMainConfig::destroyGlobal();
        TMessageTexts::clear();
        qputenv("VANTOR_FTP_DATA_DIR", m_previous);
    }
    QueueEnvironment(const QueueEnvironment&) = delete;
    QueueEnvironment& operator=(const QueueEnvironment&) = delete;

    QString dataFolder() const { return m_dir.path() + QStringLiteral("/data"); }
    // Where downloads go and uploads come from; ends in "/".
    QString localRoot() const { return m_dir.path() + QStringLiteral("/local/"); }
    QString local(const QString& relative) const { return localRoot() + relative; }
    QString root() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};

inline THost hostFor(const testsupport::ScriptedFtpServer& server,
                     const QString& user = QStringLiteral("bob"))
{
    THost host;
    host.CommonName = QStringLiteral("scripted");
    host.Hostname = str(server.host());
    host.Port = server.port();
    host.Username = user;
    host.Password = QStringLiteral("secret");
    host.Passive = true;
    return host;
}

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeAll(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

inline QByteArray sha256(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

// Bytes that differ from position to position, so a shifted resume shows.
inline std::string pattern(std::size_t size, unsigned seed = 1)
{
    std::string bytes(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(x >> 16);
    }
    return bytes;
}

// Answers prompts from a script and records what each one showed.
class ScriptedPrompter final : public IFileExistsPrompter
{
public:
    struct Answer
    {
        TFileAlreadyExistsAction choice;
        int scope = TFileExistsPrompt::kOnlyThisFile;
    };

    void prompt(TFileExistsPrompt& prompt) override
    {
        shown.push_back(prompt);
        if (answers.empty()) {
            prompt.Choice = TFileAlreadyExistsAction::faeSkip;
        } else {
            prompt.Choice = answers.front().choice;
            prompt.Scope = answers.front().scope;
            answers.pop_front();
        }
        prompt.Accepted = true;
    }

    std::deque<Answer> answers;
    std::vector<TFileExistsPrompt> shown;
};

// Counts how often each command verb reached the server.
inline int countVerb(const testsupport::ScriptedFtpServer& server, const std::string& verb)
{
    int n = 0;
    for (const std::string& v : server.verbs())
        n += v == verb ? 1 : 0;
    return n;
}

inline bool hasCommand(const testsupport::ScriptedFtpServer& server, const std::string& line)
{
    for (const std::string& c : server.commands())
        if (c == line)
            return true;
    return false;
}

} // namespace queuetest
