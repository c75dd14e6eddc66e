#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ftp/FileSink.h"
#include "ftp/FtpError.h"

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class FileSinkTest : public ::testing::Test
{
protected:
    FileSinkTest()
    {
        char name[] = "/tmp/vantor-filesink-XXXXXX";
        m_dir = ::mkdtemp(name);
        std::ofstream(m_dir + "/target", std::ios::binary) << "keep";
        ::symlink((m_dir + "/target").c_str(), (m_dir + "/link").c_str());
        ::mkfifo((m_dir + "/fifo").c_str(), 0600);
    }
    ~FileSinkTest() override
    {
        for (const char* name : {"/target", "/link", "/fifo", "/plain"})
            std::remove((m_dir + name).c_str());
        ::rmdir(m_dir.c_str());
    }

    std::string m_dir;
};

} // namespace

TEST_F(FileSinkTest, ALinkOrAFifoAtTheTargetIsRefusedAndNothingIsWrittenThroughIt)
{
    for (const std::int64_t restartAt : {std::int64_t{0}, std::int64_t{2}}) {
        ftp::FileSink link(m_dir + "/link", restartAt);
        EXPECT_THROW(link.write("xyz", 3), ftp::LocalFileError) << restartAt;
        ftp::FileSink fifo(m_dir + "/fifo", 0);
        EXPECT_THROW(fifo.complete(), ftp::LocalFileError);
    }
    EXPECT_EQ(readFile(m_dir + "/target"), "keep");
}

TEST_F(FileSinkTest, APlainFileIsWrittenAndResumedFromItsOffset)
{
    {
        ftp::FileSink sink(m_dir + "/plain", 0);
        sink.write("abcdef", 6);
        sink.complete();
    }
    {
        ftp::FileSink sink(m_dir + "/plain", 3);
        sink.check();
        sink.write("XY", 2);
        sink.complete();
    }
    EXPECT_EQ(readFile(m_dir + "/plain"), "abcXY");
}
