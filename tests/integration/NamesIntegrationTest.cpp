#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ftp/Client.h"
#include "ftp/FtpError.h"
#include "ftp/NameMemory.h"
#include "support/RealServers.h"
#include "unit/engine/EngineTestSupport.h"

// Names that are not UTF-8 on pure-ftpd, vsftpd and proftpd, which pass a name's
// bytes through as they are on disk. Files and directories named in Latin-1 are
// made on disk; the browsing worker and further connections (as transfer threads
// have) list, rename, chmod, delete, download and upload them, and the bytes on
// disk are checked. pyftpdlib is left out: it lists such a name with "?" in place
// of the byte and answers 550 to the name's own bytes, so nothing can reach it.

using namespace testsupport;
using namespace enginetest;
namespace fs = std::filesystem;

namespace {

const std::string kCafe = "caf\xC3\xA9.txt"; // as shown
const std::string kCafeRaw = "caf\xE9.txt";  // on disk, Latin-1
const std::string kRep = "r\xC3\xA9p";       // as shown
const std::string kRepRaw = "r\xE9p";        // on disk

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class NamesIntegrationTest : public ::testing::TestWithParam<RealServerKind>
{
protected:
    void SetUp() override
    {
        ftp::NameMemory::forgetServers();
        m_server = realServer(GetParam());
        ASSERT_TRUE(realServerReachable(m_server));
        fillMessageTexts();
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_dirName = "names-" + std::to_string(::getpid()) + "-" + test.substr(0, test.find('/'));
        makeDirectory(m_dirName);
        char local[] = "/tmp/vantor-names-XXXXXX";
        ASSERT_NE(::mkdtemp(local), nullptr);
        m_local = local;
    }
    void TearDown() override
    {
        worker.reset();
        std::error_code ignored;
        fs::remove_all(onServer(m_dirName), ignored);
        fs::remove_all(m_local, ignored);
        TMessageTexts::clear();
        ftp::NameMemory::forgetServers();
    }

    // The browsing worker, logged in and in the test's directory.
    void startWorker()
    {
        worker = std::make_unique<TFTPWorker>();
        recorder.attach(*worker);
        worker->start();
        const std::string start = remote();
        recorder.onLoggedIn = [start](TFTPWorker& w) { w.ChangeDir(QString::fromStdString(start)); };
        THost host;
        host.Hostname = QString::fromStdString(m_server.host);
        host.Port = m_server.port;
        host.Username = QString::fromStdString(m_server.user);
        host.Password = QString::fromStdString(m_server.password);
        worker->SetHost(host);
        ASSERT_TRUE(waitUntil([&] { return recorder.finishedCount("Login") == 1; }, 30000))
            << recorder.logText();
        ASSERT_FALSE(worker->HasPendingError()) << pendingError() << recorder.logText();
        ASSERT_EQ(str(worker->CurrentDir()), start);
    }
    // Another connection to the same server and account, as a transfer thread has.
    std::unique_ptr<ftp::Client> connection()
    {
        auto client = std::make_unique<ftp::Client>();
        ftp::ClientOptions& o = client->options();
        o.host = m_server.host;
        o.port = static_cast<std::uint16_t>(m_server.port);
        o.user = m_server.user;
        o.password = m_server.password;
        client->connect();
        client->login();
        client->setType(ftp::TransferType::Binary);
        return client;
    }

    fs::path onServer(const std::string& relative) const { return fs::path(m_server.root) / relative; }
    // The test directory's path on the server, and one below it (shown names).
    std::string remote(const std::string& below = {}) const
    {
        return "/" + m_dirName + (below.empty() ? "" : "/" + below);
    }
    // Made on disk (raw bytes) as if the server's account had made it.
    void makeDirectory(const std::string& relative)
    {
        std::string path;
        for (const auto& part : fs::path(relative)) {
            path = path.empty() ? part.string() : path + "/" + part.string();
            if (fs::exists(onServer(path)))
                continue;
            fs::create_directory(onServer(path));
            own(path);
        }
    }
    void makeFile(const std::string& relative, const std::string& content)
    {
        makeDirectory(fs::path(relative).parent_path().string());
        std::ofstream(onServer(relative), std::ios::binary) << content;
        own(relative);
    }
    void own(const std::string& relative)
    {
        struct stat root = {};
        ASSERT_EQ(::stat(m_server.root.c_str(), &root), 0);
        ASSERT_EQ(::lchown(onServer(relative).c_str(), root.st_uid, root.st_gid), 0) << relative;
    }
    std::string in(const std::string& relative) const { return m_dirName + "/" + relative; }
    // The names in a directory on disk, as bytes.
    std::set<std::string> namesOnDisk(const std::string& relative) const
    {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(onServer(relative)))
            names.insert(e.path().filename().string());
        return names;
    }

    std::string pendingError()
    {
        auto error = worker->TakePendingError();
        return error ? std::string(error->ClassName()) + ": " + str(error->Message()) + " (" +
                           str(error->ServerText()) + ")"
                     : std::string();
    }
    void runCommand(const char* name, const std::function<void()>& start)
    {
        const int before = recorder.finishedCount(name);
        start();
        ASSERT_TRUE(waitUntil([&] { return recorder.finishedCount(name) > before; }, 60000))
            << recorder.logText();
    }
    TListingPtr listHere()
    {
        runCommand("List", [&] { worker->List(); });
        return recorder.listed.empty() ? nullptr : recorder.listed.back().second;
    }
    static int countNamed(const TListingPtr& listing, const std::string& name)
    {
        int n = 0;
        if (listing) {
            for (const auto& e : *listing)
                n += e.name == name ? 1 : 0;
        }
        return n;
    }
    static const ftp::ListingEntry* find(const TListingPtr& listing, const std::string& name)
    {
        if (listing) {
            for (const auto& e : *listing) {
                if (e.name == name)
                    return &e;
            }
        }
        return nullptr;
    }

    // Downloads a remote tree the way the queue does: `lister` expands each
    // directory (CWD, LIST, PWD), `loader` fetches each file by its full path.
    void downloadTree(ftp::Client& lister, ftp::Client& loader, const std::string& remoteDir,
                      const fs::path& localDir)
    {
        fs::create_directories(localDir);
        // A queue item from a queue file names a directory no connection listed.
        if (!lister.knowsName(remoteDir))
            lister.learnNames(remoteDir);
        lister.cwd(remoteDir);
        const std::vector<ftp::ListingEntry> entries = lister.list();
        const std::string here = lister.pwd();
        for (const ftp::ListingEntry& e : entries) {
            if (e.name == "." || e.name == "..")
                continue;
            if (e.isDirectory())
                downloadTree(lister, loader, here + "/" + e.name, localDir / e.name);
            else
                loader.retrieve(here + "/" + e.name, (localDir / e.name).string());
        }
    }

    RealServer m_server;
    std::string m_dirName;
    fs::path m_local;
    EventRecorder recorder;
    std::unique_ptr<TFTPWorker> worker;

private:
    TempDataDir m_data;
};

TEST_P(NamesIntegrationTest, TheWorkerListsChmodsRenamesAndDeletesLatin1Names)
{
    makeFile(in(kCafeRaw), "latin file");
    makeFile(in(kRepRaw + "/f\xFC.txt"), "in rep");
    makeFile(in(kRepRaw + "/s\xE9/h\xE9.txt"), "deeper");
    startWorker();
    TListingPtr listing = listHere();
    ASSERT_FALSE(worker->HasPendingError()) << pendingError();
    ASSERT_NE(find(listing, kCafe), nullptr) << recorder.logText();
    ASSERT_NE(find(listing, kRep), nullptr);
    EXPECT_TRUE(find(listing, kRep)->isDirectory());

    EXPECT_EQ(worker->SiteChmod(QString::fromStdString(kCafe), QStringLiteral("600")).code, 200);
    struct stat file = {};
    ASSERT_EQ(::stat(onServer(in(kCafeRaw)).c_str(), &file), 0);
    EXPECT_EQ(file.st_mode & 0777, 0600u);

    // A new name the user types goes as UTF-8.
    worker->Rename(QString::fromStdString(kCafe), QStringLiteral("th\u00e9.txt"));
    ASSERT_FALSE(worker->HasPendingError()) << pendingError() << recorder.logText();
    EXPECT_FALSE(fs::exists(onServer(in(kCafeRaw))));
    EXPECT_EQ(readAll(onServer(in("th\xC3\xA9.txt"))), "latin file");

    worker->ChangeDir(QString::fromStdString(kRep));
    ASSERT_FALSE(worker->HasPendingError()) << pendingError() << recorder.logText();
    EXPECT_EQ(str(worker->CurrentDir()), remote(kRep));
    listing = listHere();
    ASSERT_NE(find(listing, "f\xC3\xBC.txt"), nullptr) << recorder.logText();
    worker->DeleteFile(QStringLiteral("f\u00fc.txt"));
    ASSERT_FALSE(worker->HasPendingError()) << pendingError();
    EXPECT_FALSE(fs::exists(onServer(in(kRepRaw + "/f\xFC.txt"))));
    worker->ChangeDirUp();
    EXPECT_EQ(str(worker->CurrentDir()), remote());

    runCommand("DeleteRecursive", [&] { worker->DeleteRecursive({QString::fromStdString(kRep)}); });
    EXPECT_FALSE(worker->HasPendingError()) << pendingError() << recorder.logText();
    EXPECT_EQ(namesOnDisk(m_dirName), (std::set<std::string>{"th\xC3\xA9.txt"}));
}

TEST_P(NamesIntegrationTest, AnotherConnectionDownloadsByTheShownNameAfterTheWorkerListed)
{
    makeFile(in(kRepRaw + "/" + kCafeRaw), "latin bytes\n");
    startWorker();
    // As the window does: list, then open the directory from the listing.
    ASSERT_NE(find(listHere(), kRep), nullptr) << recorder.logText();
    worker->ChangeDir(QString::fromStdString(kRep));
    ASSERT_FALSE(worker->HasPendingError()) << pendingError() << recorder.logText();
    ASSERT_NE(find(listHere(), kCafe), nullptr) << recorder.logText();

    auto transfer = connection();
    EXPECT_TRUE(transfer->hasFeature("UTF8"));
    EXPECT_TRUE(transfer->knowsName(remote(kRep + "/" + kCafe)));
    const fs::path local = m_local / kCafe;
    transfer->retrieve(remote(kRep + "/" + kCafe), local.string());
    EXPECT_EQ(readAll(local), "latin bytes\n");
}

TEST_P(NamesIntegrationTest, LearnNamesFindsANameNoConnectionListed)
{
    const std::string dir = "d\xE9p\xF4t";
    makeFile(in(dir + "/sub\xE9/" + kCafeRaw), "found\n");
    auto transfer = connection();
    const std::string path = remote("d\xC3\xA9p\xC3\xB4t/sub\xC3\xA9/" + kCafe);
    EXPECT_FALSE(transfer->knowsName(path));
    transfer->learnNames(path);
    EXPECT_TRUE(transfer->knowsName(path));
    const fs::path local = m_local / kCafe;
    transfer->retrieve(path, local.string());
    EXPECT_EQ(readAll(local), "found\n");
    // Overwriting it goes to the same bytes.
    std::ofstream(local, std::ios::binary | std::ios::app) << "and more\n";
    transfer->store(local.string(), path);
    EXPECT_EQ(readAll(onServer(in(dir + "/sub\xE9/" + kCafeRaw))), "found\nand more\n");
    EXPECT_EQ(namesOnDisk(in(dir + "/sub\xE9")), (std::set<std::string>{kCafeRaw}));
}

TEST_P(NamesIntegrationTest, ATreeDownloadedEarlierGoesBackOverTheSameNames)
{
    const std::string tree = "t\xE9";
    makeFile(in(tree + "/a\xE9.txt"), "one");
    makeFile(in(tree + "/sub\xE9/b\xFC.txt"), "two");
    makeFile(in(tree + "/\xC3\xBC-utf8.txt"), "three"); // a UTF-8 name beside them
    makeFile(in(tree + "/plain.txt"), "four");
    const std::set<std::string> topNames = {"a\xE9.txt", "sub\xE9", "\xC3\xBC-utf8.txt", "plain.txt"};

    {
        auto lister = connection();
        auto loader = connection();
        downloadTree(*lister, *loader, remote("t\xC3\xA9"), m_local / "t\xC3\xA9");
    }
    EXPECT_EQ(readAll(m_local / "t\xC3\xA9" / "a\xC3\xA9.txt"), "one");
    EXPECT_EQ(readAll(m_local / "t\xC3\xA9" / "sub\xC3\xA9" / "b\xC3\xBC.txt"), "two");
    EXPECT_EQ(readAll(m_local / "t\xC3\xA9" / "\xC3\xBC-utf8.txt"), "three");
    EXPECT_EQ(readAll(m_local / "t\xC3\xA9" / "plain.txt"), "four");

    // Later, in a fresh process (a queue loaded from its file): every file goes back
    // by its shown name, over the existing one.
    ftp::NameMemory::forgetServers();
    for (const auto& e : fs::recursive_directory_iterator(m_local)) {
        if (e.is_regular_file())
            std::ofstream(e.path(), std::ios::binary | std::ios::app) << " v2";
    }
    auto uploader = connection();
    int learnt = 0;
    for (const auto& e : fs::recursive_directory_iterator(m_local)) {
        if (!e.is_regular_file())
            continue;
        const std::string target = remote(fs::relative(e.path(), m_local).string());
        if (!uploader->knowsName(target)) {
            uploader->learnNames(target);
            ++learnt;
        }
        ASSERT_TRUE(uploader->knowsName(target)) << target;
        uploader->store(e.path().string(), target);
    }
    EXPECT_LE(learnt, 2) << "each directory is listed once";

    EXPECT_EQ(namesOnDisk(m_dirName), (std::set<std::string>{tree}));
    EXPECT_EQ(namesOnDisk(in(tree)), topNames);
    EXPECT_EQ(namesOnDisk(in(tree + "/sub\xE9")), (std::set<std::string>{"b\xFC.txt"}));
    EXPECT_EQ(readAll(onServer(in(tree + "/a\xE9.txt"))), "one v2");
    EXPECT_EQ(readAll(onServer(in(tree + "/sub\xE9/b\xFC.txt"))), "two v2");
    EXPECT_EQ(readAll(onServer(in(tree + "/\xC3\xBC-utf8.txt"))), "three v2");
    EXPECT_EQ(readAll(onServer(in(tree + "/plain.txt"))), "four v2");
}

TEST_P(NamesIntegrationTest, ANameHeldInUtf8AndLatin1AlikeIsLeftAlone)
{
    makeFile(in(kCafeRaw), "latin");
    makeFile(in(kCafe), "utf-8");
    startWorker();
    const TListingPtr listing = listHere();
    EXPECT_EQ(countNamed(listing, kCafe), 2) << recorder.logText();
    worker->DeleteFile(QString::fromStdString(kCafe));
    EXPECT_THROW(worker->SiteChmod(QString::fromStdString(kCafe), QStringLiteral("600")), ftp::ProtocolError);
    auto transfer = connection();
    EXPECT_THROW(transfer->retrieve(remote(kCafe), (m_local / kCafe).string()), ftp::ProtocolError);
    const fs::path upload = m_local / "upload.txt";
    std::ofstream(upload, std::ios::binary) << "would overwrite one of them";
    EXPECT_THROW(transfer->store(upload.string(), remote(kCafe)), ftp::ProtocolError);
    EXPECT_EQ(readAll(onServer(in(kCafeRaw))), "latin");
    EXPECT_EQ(readAll(onServer(in(kCafe))), "utf-8");
    EXPECT_EQ(namesOnDisk(m_dirName), (std::set<std::string>{kCafeRaw, kCafe}));
    EXPECT_TRUE(worker->IsConnected());
}

std::string serverName(const ::testing::TestParamInfo<RealServerKind>& info)
{
    std::string name = realServer(info.param).name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(RealServers, NamesIntegrationTest,
                         ::testing::Values(RealServerKind::PureFtpd, RealServerKind::Vsftpd,
                                           RealServerKind::Proftpd),
                         serverName);

} // namespace
