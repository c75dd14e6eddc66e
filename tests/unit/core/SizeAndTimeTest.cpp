#include "core/FileTimes.h"
#include "core/SizeFormat.h"

#include <cstdlib>
#include <ctime>
#include <limits>

#include <gtest/gtest.h>

#include <QFile>
#include <QTimeZone>

#include "CoreTestSupport.h"

namespace {

TEST(FormatSizeKB, RoundsUpToWholeKilobytesWithSeparators)
{
    ScopedLocale locale(QStringLiteral("en_US"));
    EXPECT_EQ(FormatSizeKB(0), QStringLiteral("0 KB"));
    EXPECT_EQ(FormatSizeKB(1), QStringLiteral("1 KB"));
    EXPECT_EQ(FormatSizeKB(1024), QStringLiteral("1 KB"));
    EXPECT_EQ(FormatSizeKB(1025), QStringLiteral("2 KB"));
    EXPECT_EQ(FormatSizeKB(1048576), QStringLiteral("1,024 KB"));
    // Past 4 GiB and up to the largest size: no 32-bit wrap, no lost kilobyte.
    EXPECT_EQ(FormatSizeKB(5368709121LL), QStringLiteral("5,242,881 KB"));
    EXPECT_EQ(FormatSizeKB(std::numeric_limits<qint64>::max()), QStringLiteral("9,007,199,254,740,992 KB"));
}

TEST(FormatSizeKB, OtherLocales)
{
    {
        ScopedLocale locale(QStringLiteral("de_DE"));
        EXPECT_EQ(FormatSizeKB(1048576), QStringLiteral("1.024 KB"));
    }
    {
        ScopedLocale locale(QStringLiteral("sv_SE"));
        EXPECT_EQ(FormatSizeKB(1048576), QStringLiteral("1\u00A0024 KB"));
        EXPECT_EQ(FormatSizeKB(1025), QStringLiteral("2 KB"));
    }
}

TEST(FormatSizeUnits, UnitsBoundariesAndSmallOrNegativeCounts)
{
    ScopedLocale locale(QStringLiteral("en_US"));
    EXPECT_EQ(FormatSizeUnits(0), QStringLiteral("0 KB"));
    EXPECT_EQ(FormatSizeUnits(1), QStringLiteral("1 KB"));
    EXPECT_EQ(FormatSizeUnits(500), QStringLiteral("1 KB"));
    EXPECT_EQ(FormatSizeUnits(1023), QStringLiteral("1 KB"));
    EXPECT_EQ(FormatSizeUnits(-1), QStringLiteral("1 KB"));
    EXPECT_EQ(FormatSizeUnits(std::numeric_limits<qint64>::min()), QStringLiteral("1 KB"));
    EXPECT_EQ(FormatSizeUnits(1024), QStringLiteral("1.00 KB"));
    EXPECT_EQ(FormatSizeUnits(1536), QStringLiteral("1.50 KB"));
    EXPECT_EQ(FormatSizeUnits(1048576), QStringLiteral("1.00 MB"));
    EXPECT_EQ(FormatSizeUnits(1073741823), QStringLiteral("1024.00 MB"));
    EXPECT_EQ(FormatSizeUnits(1073741824), QStringLiteral("1.00 GB"));
    // Sizes a 32-bit count could not hold.
    EXPECT_EQ(FormatSizeUnits(3LL * 1073741824), QStringLiteral("3.00 GB"));
    EXPECT_EQ(FormatSizeUnits(5LL * 1024 * 1073741824), QStringLiteral("5120.00 GB"));

    ScopedLocale swedish(QStringLiteral("sv_SE"));
    EXPECT_EQ(FormatSizeUnits(1536), QStringLiteral("1,50 KB"));
}

// Runs one test in a fixed time zone, so local-time rules are deterministic.
class ScopedTimeZone final
{
public:
    explicit ScopedTimeZone(const char* zone)
        : m_previous(qgetenv("TZ"))
        , m_had(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ScopedTimeZone()
    {
        m_had ? qputenv("TZ", m_previous) : qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray m_previous;
    bool m_had;
};

TEST(FileTimes, TwoSecondResolutionInLocalTime)
{
    ScopedTimeZone zone("Europe/Stockholm");
    // 08:00:01 UTC in June is 10:00:01 in Stockholm: one conversion to local time.
    const QDateTime utc(QDate(2021, 6, 1), QTime(8, 0, 1), QTimeZone::utc());
    const QDateTime local = FileTimeToDateTime(utc);
    EXPECT_EQ(local.date(), QDate(2021, 6, 1));
    EXPECT_EQ(local.time(), QTime(10, 0, 0));
    EXPECT_EQ(FileTimeToDateTime(QDateTime(QDate(2021, 6, 1), QTime(8, 0, 2), QTimeZone::utc())).time(),
              QTime(10, 0, 2));
    EXPECT_EQ(FileTimeToDateTime(QDateTime(QDate(2021, 6, 1), QTime(8, 0, 59, 999), QTimeZone::utc())).time(),
              QTime(10, 0, 58));
}

TEST(FileTimes, YearsOutsideThePackedRangeGiveNull)
{
    ScopedTimeZone zone("UTC");
    EXPECT_TRUE(
        FileTimeToDateTime(QDateTime(QDate(2043, 12, 31), QTime(23, 59, 59), QTimeZone::utc())).isValid());
    EXPECT_FALSE(FileTimeToDateTime(QDateTime(QDate(2044, 1, 1), QTime(0, 0), QTimeZone::utc())).isValid());
    EXPECT_FALSE(FileTimeToDateTime(QDateTime(QDate(2100, 5, 5), QTime(0, 0), QTimeZone::utc())).isValid());
    EXPECT_TRUE(FileTimeToDateTime(QDateTime(QDate(1980, 1, 1), QTime(0, 0), QTimeZone::utc())).isValid());
    EXPECT_FALSE(
        FileTimeToDateTime(QDateTime(QDate(1979, 12, 31), QTime(23, 59, 59), QTimeZone::utc())).isValid());
    EXPECT_FALSE(FileTimeToDateTime(QDateTime()).isValid());
    EXPECT_EQ(FileTimeToText(QDateTime(QDate(2050, 1, 1), QTime(0, 0), QTimeZone::utc())), QString());
}

TEST(FileTimes, FileOnDiskReportsItsEvenSecond)
{
    TempDataDir dir;
    const QString path = dir.root() + QStringLiteral("/file.txt");
    ASSERT_TRUE(writeWholeFile(path, "x"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QDateTime written(QDate(2022, 3, 4), QTime(10, 0, 1), Qt::LocalTime);
    ASSERT_TRUE(file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(GetFileDateTime(path), QDateTime(QDate(2022, 3, 4), QTime(10, 0, 0), Qt::LocalTime));
    EXPECT_FALSE(GetFileDateTime(dir.root() + QStringLiteral("/missing.txt")).isValid());
}

TEST(FileTimes, TextIsShortDateAndLongTimeWithoutZone)
{
    ScopedTimeZone zone("UTC");
    const QDateTime utc(QDate(2021, 6, 1), QTime(14, 5, 9), QTimeZone::utc());
    {
        ScopedLocale locale(QStringLiteral("sv_SE"));
        EXPECT_EQ(FileTimeToText(utc), QStringLiteral("2021-06-01 14:05:08"));
    }
    {
        ScopedLocale locale(QStringLiteral("en_US"));
        const QString text = FileTimeToText(utc);
        EXPECT_TRUE(text.startsWith(QStringLiteral("6/1/21 2:05:08"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("UTC"))) << text.toStdString();
    }
}

} // namespace
