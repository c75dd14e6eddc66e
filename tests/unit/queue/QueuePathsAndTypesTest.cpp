#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>

#include "QueueTestSupport.h"
#include "core/TMainConfig.h"
#include "engine/EEngineError.h"
#include "queue/DateTimeValue.h"
#include "queue/QueuePaths.h"
#include "queue/TFileTransferTypes.h"
#include "queue/TQueueItem.h"

using namespace queuetest;

namespace {

const QString sep = QDir::separator();

} // namespace

// --- Derived paths ---------------------------------------------------------------

TEST(QueuePaths, DownloadPathIsTheRemoteRestUnderTheLocalRoot)
{
    EXPECT_EQ(DeriveLocalFilename("/pub/", "/pub/x/y.zip", "/in/"), "/in/x" + sep + "y.zip");
    // The root "/" and a file right below it.
    EXPECT_EQ(DeriveLocalFilename("/", "/f.txt", "/in"), "/in" + sep + "f.txt");
    EXPECT_EQ(DeriveRemoteFilename("/data/", "/data/a/b.txt", "/pub"), "/pub/a/b.txt");
    // A directory keeps its trailing separator.
    EXPECT_EQ(DeriveLocalFilename("/pub/", "/pub/dir/", "/in/"), "/in/dir" + sep);
}

TEST(QueuePaths, PathsThatWouldLeaveTheRootAreRefused)
{
    QString error;
    EXPECT_FALSE(DeriveLocalFilename("/pub/", "/pub/../etc/passwd", "/in/", &error));
    EXPECT_TRUE(error.contains(".."));
    EXPECT_FALSE(DeriveLocalFilename("/pub/", "/pub/a/./b", "/in/"));
    EXPECT_FALSE(DeriveLocalFilename("/pub/", "/pub/a\\..\\..\\b", "/in/"));
    EXPECT_FALSE(DeriveLocalFilename("/pub/", "/pub/a\nb", "/in/"));
    EXPECT_FALSE(DeriveLocalFilename("/pub/", "/pub/a\rb", "/in/"));
    EXPECT_FALSE(DeriveLocalFilename("/pub/", QStringLiteral("/pub/a") + QChar(0) + "b", "/in/"));
    // Cutting by length alone would have made "/in/c/x" of this.
    EXPECT_FALSE(DeriveLocalFilename("/pub/", "/abc/x", "/in/", &error));
    EXPECT_TRUE(error.contains("does not lie below"));
    // Nothing left below the root.
    EXPECT_FALSE(DeriveLocalFilename("/pub/", "/pub/", "/in/"));
    EXPECT_FALSE(DeriveRemoteFilename("/data/", "/data/../x", "/pub/"));
    EXPECT_FALSE(DeriveRemoteFilename("/data/", "/data/a\\b", "/pub/"));
}

TEST(QueuePaths, EntryNames)
{
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "a\rb", "a\nb", "../x"})
        EXPECT_FALSE(IsSafeEntryName(QString::fromLatin1(bad))) << bad;
    EXPECT_FALSE(IsSafeEntryName(QStringLiteral("a") + QChar(0)));
    for (const char* good : {"a", "...", ".hidden", "a b", "a..b"})
        EXPECT_TRUE(IsSafeEntryName(QString::fromLatin1(good))) << good;
}

TEST(QueueItem, DerivedPathIsCachedAndAnUnsafeOneThrows)
{
    THost host;
    TQueueItem item(host);
    item.RemoteRoot = "/pub/";
    item.LocalRoot = "/in/";
    item.RemoteFilename = "/pub/a.txt";
    EXPECT_EQ(item.GetLocalFilename(), "/in/a.txt");
    item.RemoteFilename = "/pub/b.txt";
    EXPECT_EQ(item.GetLocalFilename(), "/in/a.txt");

    TQueueItem bad(host);
    bad.RemoteRoot = "/pub/";
    bad.LocalRoot = "/in/";
    bad.RemoteFilename = "/pub/../../etc/passwd";
    try {
        bad.GetLocalFilename();
        FAIL() << "derived an escaping path";
    } catch (const EEngineError& error) {
        EXPECT_FALSE(error.retryable());
    }
    EXPECT_TRUE(bad.LocalFilename.isEmpty());
}

// --- Date-time values and their text -------------------------------------------------

TEST(QueueDateTime, TextRoundTripsInTheLocaleWithTheFullYear)
{
    ScopedLocale locale("en_US");
    const double value = DateTimeToValue(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::LocalTime));
    const QString text = DateTimeValueToText(value);
    EXPECT_EQ(text, "3/5/2024 2:07:09 PM") << text.toStdString();
    const auto back = DateTimeValueFromText(text);
    ASSERT_TRUE(back);
    EXPECT_DOUBLE_EQ(*back, value);
}

TEST(QueueDateTime, MidnightLeavesTheTimeOutAndMinusOneSurvives)
{
    ScopedLocale locale("en_GB");
    const double midnight = DateTimeToValue(QDateTime(QDate(2030, 12, 31), QTime(0, 0), Qt::LocalTime));
    EXPECT_EQ(DateTimeValueToText(midnight), "31/12/2030");
    EXPECT_DOUBLE_EQ(*DateTimeValueFromText("31/12/2030"), midnight);
    // -1 ("unknown") is 29 December 1899, midnight.
    EXPECT_EQ(DateTimeValueToText(kUnknownDateTime), "29/12/1899");
    EXPECT_DOUBLE_EQ(*DateTimeValueFromText("29/12/1899"), kUnknownDateTime);
    EXPECT_DOUBLE_EQ(DateTimeToValue(QDateTime(QDate(1899, 12, 30), QTime(6, 0), Qt::LocalTime)), 0.25);
}

TEST(QueueDateTime, ADateOfAnotherLocaleIsAnErrorWithTheText)
{
    QString text;
    {
        ScopedLocale locale("de_DE");
        text = DateTimeValueToText(
            DateTimeToValue(QDateTime(QDate(2024, 3, 25), QTime(9, 1, 2), Qt::LocalTime)));
    }
    ScopedLocale locale("en_US");
    QString error;
    EXPECT_FALSE(DateTimeValueFromText(text, &error));
    EXPECT_EQ(error, "'" + text + "' is not a valid date and time");
    EXPECT_FALSE(DateTimeValueFromText("", &error));
}

// --- Transfer types --------------------------------------------------------------------

TEST(FileTransferTypes, MissingFileIsCreatedAndAnEmptyTableGivesBinary)
{
    QueueEnvironment env;
    const QString path = env.dataFolder() + "/FileTransferTypes.xml";
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_TRUE(readAll(path).contains("<FileTransferTypesList"));
    const TFileTransferTypes& types = *FileTransferTypes();
    EXPECT_EQ(types.GetTransferType(".txt"), TFileTransferType::fttUnknown);
    EXPECT_EQ(TransferTypeCommand(&types, "/x/readme.txt"), "TYPE I");
    MainConfig()->SetDefaultFileTransferType(TFileTransferType::fttASCII);
    EXPECT_EQ(TransferTypeCommand(&types, "/x/readme.txt"), "TYPE A");
}

TEST(FileTransferTypes, LookupIgnoresCaseAndOnlyExactAsciiIsText)
{
    QueueEnvironment env;
    const QString path = env.root() + "/types.xml";
    ASSERT_TRUE(writeAll(path, "<?xml version=\"1.0\"?>\n<FileTransferTypesList>\n"
                               "  <FileTransferType Extension=\".TXT\" TransferType=\"ASCII\"/>\n"
                               "  <FileTransferType Extension=\".log\" TransferType=\"ascii\"/>\n"
                               "  <Other Extension=\".c\" TransferType=\"ASCII\"/>\n"
                               "  <FileTransferType Extension=\"\" TransferType=\"ASCII\"/>\n"
                               "  <FileTransferType Extension=\".txt\" TransferType=\"Binary\"/>\n"
                               "</FileTransferTypesList>\n"));
    TFileTransferTypes types(path);
    EXPECT_EQ(types.TypeList().size(), 4);
    EXPECT_EQ(TransferTypeCommand(&types, "readme.txt"), "TYPE A"); // first entry wins
    EXPECT_EQ(types.GetTransferType(".log"), TFileTransferType::fttBinary);
    EXPECT_EQ(types.GetTransferType(".c"), TFileTransferType::fttUnknown);
    // No extension looks up the empty name.
    EXPECT_EQ(TransferTypeCommand(&types, "/dir.d/Makefile"), "TYPE A");
    EXPECT_EQ(FileNameExtension("/a.b/c"), "");
    EXPECT_EQ(FileNameExtension("x.tar.gz"), ".gz");
}

TEST(FileTransferTypes, SaveWritesThePairsInOrder)
{
    QueueEnvironment env;
    const QString path = env.root() + "/types.xml";
    {
        TFileTransferTypes types(path);
        types.setTypeList({{".txt", "ASCII"}, {".bin", "Binary"}});
        ASSERT_TRUE(types.Save());
    }
    EXPECT_EQ(readAll(path).toStdString(),
              "<?xml version=\"1.0\"?>\n<FileTransferTypesList>\n"
              "  <FileTransferType Extension=\".txt\" TransferType=\"ASCII\" />\n"
              "  <FileTransferType Extension=\".bin\" TransferType=\"Binary\" />\n"
              "</FileTransferTypesList>\n");
    TFileTransferTypes again(path);
    EXPECT_EQ(again.TypeListTexts(), QStringList({".txt=ASCII", ".bin=Binary"}));
}
