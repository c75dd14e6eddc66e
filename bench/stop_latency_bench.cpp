// How long stopping a running download keeps the main thread waiting when the
// server stalls. The window calls these on the main thread: nothing may hold it
// for more than about a second, whatever the server does.
//
// Each case starts one download from the scripted FTP server of the tests
// (tests/support), waits until the transfer thread is stuck in the stall, and times
// the wall time the main thread spends inside one call: TQueueManager::StopItem,
// DeleteItem, ClearQueue, StopQueue or StopQueueCleanly (ABOR and QUIT first, as
// the command-line tool stops on Ctrl-C). The stalls:
//
//   data     the data connection sends the first 64 KiB of the file, then nothing
//            (open and silent until the client closes it)
//   greeting the server accepts the connection and sends its 220 only after 6 s;
//            the stop comes while the thread waits for it
//   retr     the server takes RETR and never answers it (no 150)
//
// A call still inside after the cap (default 10 s) is reported as "> cap": the
// server is then stopped, which closes the connections and lets the thread end
// so the call can return. Also reported: when the client had closed its control
// connection (counted from the call; looked up in /proc/net/tcp, up to 5 s after
// the cap), and for the greeting stall whether the stopped item still logged in or
// sent RETR once the greeting came (it must not).
//
// Not a Google Benchmark: every figure is one event lasting seconds. Needs the
// tests (VANTOR_BUILD_TESTS) for the scripted server:
//
//   ninja -C build stop_latency_bench
//   build/bin/stop_latency_bench [--cap SECONDS] [--stall data|greeting|retr] [--call NAME]

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include "core/THost.h"
#include "core/TMainConfig.h"
#include "core/TMessageTexts.h"
#include "core/TTranslationTable.h"
#include "queue/DateTimeValue.h"
#include "queue/TFileTransferTypes.h"
#include "queue/TQueueManager.h"
#include "support/ScriptedFtpServer.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using testsupport::DataFaultKind;
using testsupport::ScriptedFtpServer;

constexpr std::int64_t kFileSize = 4 * 1024 * 1024;
constexpr std::int64_t kBytesBeforeStall = 64 * 1024;
constexpr auto kGreetingDelay = 6s;
constexpr auto kRetrStall = 600s; // longer than any case; the server's stop ends it

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Serves the main thread's events (the transfer threads' calls into it) until
// the condition holds or the time is up.
bool serveUntil(const std::function<bool()>& condition, Clock::time_point deadline)
{
    while (!condition()) {
        if (Clock::now() >= deadline)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Stops the server when the cap runs out before cancel() is called.
class Watchdog final
{
public:
    Watchdog(ScriptedFtpServer& server, Clock::duration cap)
        : m_thread([this, &server, cap] {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_changed.wait_for(lock, cap, [this] { return m_cancelled; })) {
                m_fired = true;
                lock.unlock();
                server.stop();
            }
        })
    {}
    ~Watchdog() { cancel(); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // True when the cap ran out first.
    bool cancel()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_cancelled = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_fired;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_cancelled = false;
    bool m_fired = false;
    std::thread m_thread;
};

enum class Stall
{
    Data,
    Greeting,
    Retr
};

struct StallCase
{
    Stall stall;
    const char* name;
    const char* title;
};

const StallCase kStalls[] = {
    {Stall::Data, "data", "data connection stalls"},
    {Stall::Greeting, "greeting", "greeting delayed 6 s"},
    {Stall::Retr, "retr", "RETR never answered"},
};

struct Call
{
    const char* name;
    std::function<void(TQueueManager&, TQueueItem*)> run;
};

const std::vector<Call>& calls()
{
    static const std::vector<Call> all = {
        {"StopItem", [](TQueueManager& m, TQueueItem* item) { m.StopItem(item); }},
        {"DeleteItem", [](TQueueManager& m, TQueueItem* item) { m.DeleteItem(item); }},
        {"ClearQueue", [](TQueueManager& m, TQueueItem*) { m.ClearQueue(); }},
        {"StopQueue", [](TQueueManager& m, TQueueItem*) { m.StopQueue(); }},
        {"StopCleanly", [](TQueueManager& m, TQueueItem*) { m.StopQueueCleanly(); }},
    };
    return all;
}

// Whether this process still holds an open control connection to the server:
// a socket in ESTABLISHED state whose far end is the server's port (Linux,
// /proc/net/tcp). The server cannot tell by itself while it pauses in a stall.
bool clientConnected(std::uint16_t serverPort)
{
    std::FILE* file = std::fopen("/proc/net/tcp", "r");
    if (!file)
        return false;
    char line[512];
    bool connected = false;
    std::fgets(line, sizeof line, file); // the header
    while (!connected && std::fgets(line, sizeof line, file)) {
        unsigned remotePort = 0;
        unsigned state = 0;
        if (std::sscanf(line, " %*d: %*x:%*x %*x:%x %x", &remotePort, &state) == 2)
            connected = remotePort == serverPort && state == 0x01; // TCP_ESTABLISHED
    }
    std::fclose(file);
    return connected;
}

int count(const std::vector<std::string>& verbs, const std::string& verb)
{
    int n = 0;
    for (const std::string& v : verbs)
        n += v == verb ? 1 : 0;
    return n;
}

struct Result
{
    bool started = false;
    double inCall = 0;
    bool capped = false;
    double closed = -1; // the client closed its control connection, counted from the call
    std::string after;  // greeting stall: what the stopped item did once greeted
};

Result runCase(const StallCase& stall, const Call& call, const QString& localRoot, Clock::duration cap)
{
    Result result;
    ScriptedFtpServer server;
    server.fs().addFile("/big.bin", std::string(static_cast<std::size_t>(kFileSize), 'x'));
    switch (stall.stall) {
    case Stall::Data:
        server.addOverride(
            {.command = "RETR", .data = {.kind = DataFaultKind::StallAfter, .bytes = kBytesBeforeStall}});
        break;
    case Stall::Greeting:
        server.setGreeting({.delay = kGreetingDelay});
        break;
    case Stall::Retr:
        server.addOverride({.command = "RETR", .delay = kRetrStall});
        break;
    }

    THost host;
    host.CommonName = QStringLiteral("scripted");
    host.Hostname = QString::fromStdString(server.host());
    host.Port = server.port();
    host.Username = QStringLiteral("bob");
    host.Password = QStringLiteral("secret");
    host.Passive = true;

    QDir(localRoot).removeRecursively();
    QDir().mkpath(localRoot);
    {
        TQueueManager manager;
        manager.setLimits({.maxTransferCount = 1, .maxRetryCount = 1, .retryDelay = 3600});
        TQueueItem* item = manager.AddDownload(host, QStringLiteral("/"), true, kUnknownDateTime, kFileSize,
                                               false, localRoot, QStringLiteral("/big.bin"));
        manager.Schedule();
        const Clock::time_point setUp = Clock::now();
        // Where the thread is stuck when the stop comes.
        const auto stuck = [&] {
            switch (stall.stall) {
            case Stall::Data:
                return count(server.verbs(), "RETR") > 0;
            case Stall::Greeting:
                return server.sessionCount() > 0;
            case Stall::Retr:
                return count(server.verbs(), "RETR") > 0;
            }
            return false;
        };
        result.started = serveUntil(stuck, setUp + 15s);
        if (result.started) {
            // Let the first bytes flow, or the thread settle in its wait.
            serveUntil([] { return false; }, Clock::now() + 300ms);
            const Clock::time_point start = Clock::now();
            {
                Watchdog watchdog(server, cap);
                call.run(manager, item);
                result.inCall = seconds(Clock::now() - start);
                result.capped = watchdog.cancel();
            }
            if (serveUntil([&] { return !clientConnected(server.port()); }, start + cap + 5s))
                result.closed = seconds(Clock::now() - start);
            if (stall.stall == Stall::Greeting && result.capped) {
                result.after = "not seen (the server was stopped at the cap)";
            } else if (stall.stall == Stall::Greeting) {
                // The greeting comes 6 s after the connect; give the thread time to answer it.
                serveUntil([] { return false; }, setUp + kGreetingDelay + 1500ms);
                const std::vector<std::string> verbs = server.verbs();
                if (count(verbs, "RETR") > 0)
                    result.after = "logged in and sent RETR";
                else if (count(verbs, "USER") > 0)
                    result.after = "logged in";
                else
                    result.after = "nothing sent (as it must)";
            }
        }
        // The thread ends once its connections are gone.
        server.stop();
        serveUntil([&] { return manager.threadCount() == 0; }, Clock::now() + 15s);
    }
    return result;
}

std::string formatSeconds(double value, bool capped, double cap)
{
    char text[32];
    if (capped)
        std::snprintf(text, sizeof text, "> %.0f s (cap)", cap);
    else
        std::snprintf(text, sizeof text, "%.3f s", value);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    double capSeconds = 10;
    std::string onlyStall;
    std::string onlyCall;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--cap" && i + 1 < argc) {
            capSeconds = std::atof(argv[++i]);
        } else if (arg == "--stall" && i + 1 < argc) {
            onlyStall = argv[++i];
        } else if (arg == "--call" && i + 1 < argc) {
            onlyCall = argv[++i];
        } else {
            std::fprintf(stderr, "usage: stop_latency_bench [--cap SECONDS] [--stall data|greeting|retr] "
                                 "[--call StopItem|DeleteItem|ClearQueue|StopQueue|StopCleanly]\n");
            return 2;
        }
    }
    const auto cap = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(capSeconds));

    QTemporaryDir dir;
    qputenv("VANTOR_FTP_DATA_DIR", (dir.path() + QStringLiteral("/data")).toUtf8());
    QDir().mkpath(dir.path() + QStringLiteral("/data"));
    TMainConfig::createGlobal();
    TTranslationTable table;
    table.loadWindowTable(QStringLiteral("MainForm"));
    table.SetLanguage(QStringLiteral("English"));
    TMessageTexts::fill(table);
    TFileTransferTypes::createGlobal();
    const QString localRoot = dir.path() + QStringLiteral("/local/");

    std::printf("Main thread time inside the call, a download running against a stalled server\n");
    std::printf(
        "(cap %.0f s; \"closed\": when the client had closed its control connection, from the call)\n\n",
        capSeconds);
    std::printf("%-24s %-11s %-16s %-10s %s\n", "stall", "call", "in call", "closed", "after the greeting");
    bool allWithinASecond = true;
    for (const StallCase& stall : kStalls) {
        if (!onlyStall.empty() && onlyStall != stall.name)
            continue;
        for (const Call& call : calls()) {
            if (!onlyCall.empty() && onlyCall != call.name)
                continue;
            const Result r = runCase(stall, call, localRoot, cap);
            if (!r.started) {
                std::printf("%-24s %-11s the transfer never reached the stall\n", stall.title, call.name);
                allWithinASecond = false;
                continue;
            }
            const std::string closed = r.closed < 0 ? "no" : formatSeconds(r.closed, false, capSeconds);
            std::printf("%-24s %-11s %-16s %-10s %s\n", stall.title, call.name,
                        formatSeconds(r.inCall, r.capped, capSeconds).c_str(), closed.c_str(),
                        r.after.c_str());
            std::fflush(stdout);
            allWithinASecond = allWithinASecond && !r.capped && r.inCall <= 1.0 &&
                               r.after.find("logged in") == std::string::npos;
        }
    }
    std::printf("\n%s\n", allWithinASecond ? "every call returned within a second"
                                           : "some call kept the main thread waiting longer than a second");
    TFileTransferTypes::destroyGlobal();
    TMainConfig::destroyGlobal();
    TMessageTexts::clear();
    return 0;
}
