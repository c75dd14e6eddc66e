#include "core/Format.h"

#include <limits>

#include <gtest/gtest.h>

#include "CoreTestSupport.h"

namespace {

QString fmt(const char* format, const QVariantList& args = {})
{
    return Format(QString::fromUtf8(format), args);
}

TEST(Format, MessageTextsFillInOrder)
{
    ScopedLocale locale(QStringLiteral("en_US"));
    EXPECT_EQ(fmt("Connect to %s", {QStringLiteral("ftp.example.com")}),
              QStringLiteral("Connect to ftp.example.com"));
    EXPECT_EQ(fmt("'%s' is an invalid mask at (%d)", {QStringLiteral("*.[a"), 3}),
              QStringLiteral("'*.[a' is an invalid mask at (3)"));
    EXPECT_EQ(fmt("100%% done, %s%%", {QStringLiteral("5")}), QStringLiteral("100% done, 5%"));
    EXPECT_EQ(fmt("no specifiers"), QStringLiteral("no specifiers"));
    EXPECT_EQ(fmt("%s", {QByteArray("bytes")}), QStringLiteral("bytes"));
    EXPECT_EQ(fmt("%s|%s", {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("unused")}),
              QStringLiteral("a|b"));
}

TEST(Format, IntegersPrecisionHexAndUnsigned)
{
    EXPECT_EQ(fmt("%.2d:%.2d", {5, 7}), QStringLiteral("05:07"));
    EXPECT_EQ(fmt("%.2d", {123}), QStringLiteral("123"));
    EXPECT_EQ(fmt("%.3d", {-5}), QStringLiteral("-005"));
    EXPECT_EQ(fmt("%d", {std::numeric_limits<qint64>::min()}), QStringLiteral("-9223372036854775808"));
    EXPECT_EQ(fmt("%d", {std::numeric_limits<quint64>::max()}), QStringLiteral("18446744073709551615"));
    EXPECT_EQ(fmt("%x", {255}), QStringLiteral("FF"));
    EXPECT_EQ(fmt("%.8x", {0x4A3F}), QStringLiteral("00004A3F"));
    EXPECT_EQ(fmt("%x", {-1}), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(fmt("%x", {qint64(-1)}), QStringLiteral("FFFFFFFFFFFFFFFF"));
    EXPECT_EQ(fmt("%u", {-1}), QStringLiteral("4294967295"));
    EXPECT_EQ(fmt("%u", {42u}), QStringLiteral("42"));
}

TEST(Format, WidthIndexAndStar)
{
    EXPECT_EQ(fmt("[%5d]", {42}), QStringLiteral("[   42]"));
    EXPECT_EQ(fmt("[%-5d]", {42}), QStringLiteral("[42   ]"));
    EXPECT_EQ(fmt("[%2d]", {12345}), QStringLiteral("[12345]"));
    EXPECT_EQ(fmt("[%*d]", {4, 7}), QStringLiteral("[   7]"));
    EXPECT_EQ(fmt("[%-*.*d]", {5, 3, 7}), QStringLiteral("[007  ]"));
    EXPECT_EQ(fmt("[%.3s]", {QStringLiteral("abcdef")}), QStringLiteral("[abc]"));
    EXPECT_EQ(fmt("[%8.3s]", {QStringLiteral("abcdef")}), QStringLiteral("[     abc]"));
    // Indexes are zero-based and move the position for the specifiers after them.
    EXPECT_EQ(fmt("%1:s %0:s", {QStringLiteral("a"), QStringLiteral("b")}), QStringLiteral("b a"));
    EXPECT_EQ(fmt("%1:s %s %0:s %s", {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}),
              QStringLiteral("b c a b"));
}

TEST(Format, FloatsUseTheLocaleSeparators)
{
    {
        ScopedLocale locale(QStringLiteral("en_US"));
        EXPECT_EQ(fmt("%f", {1.5}), QStringLiteral("1.50"));
        EXPECT_EQ(fmt("%f", {1234567.891}), QStringLiteral("1234567.89"));
        EXPECT_EQ(fmt("%n", {1234567.891}), QStringLiteral("1,234,567.89"));
        EXPECT_EQ(fmt("%.0n KB", {qint64(1048576)}), QStringLiteral("1,048,576 KB"));
        EXPECT_EQ(fmt("%.0n", {qint64(9007199254740993)}), QStringLiteral("9,007,199,254,740,993"));
        EXPECT_EQ(fmt("%.1n", {-1234}), QStringLiteral("-1,234.0"));
        EXPECT_EQ(fmt("%.3f", {2}), QStringLiteral("2.000"));
        EXPECT_EQ(fmt("%f", {-1.5}), QStringLiteral("-1.50"));
        EXPECT_EQ(fmt("%f", {-0.001}), QStringLiteral("0.00"));
        EXPECT_EQ(fmt("%.0n", {999}), QStringLiteral("999"));
        EXPECT_EQ(fmt("%e", {1234.5}), QStringLiteral("1.23450000000000E+003"));
        EXPECT_EQ(fmt("%.3e", {-0.00012}), QStringLiteral("-1.20E-004"));
        EXPECT_EQ(fmt("%g", {0.5}), QStringLiteral("0.5"));
        EXPECT_EQ(fmt("%f", {std::numeric_limits<double>::infinity()}), QStringLiteral("INF"));
    }
    {
        ScopedLocale locale(QStringLiteral("de_DE"));
        EXPECT_EQ(fmt("%f", {1.5}), QStringLiteral("1,50"));
        EXPECT_EQ(fmt("%n", {1234567.891}), QStringLiteral("1.234.567,89"));
        EXPECT_EQ(fmt("%.0n KB", {qint64(1048576)}), QStringLiteral("1.048.576 KB"));
    }
    {
        ScopedLocale locale(QStringLiteral("sv_SE"));
        EXPECT_EQ(fmt("%n", {1234567.891}), QStringLiteral("1\u00A0234\u00A0567,89"));
        EXPECT_EQ(fmt("%f", {-2.25}), QStringLiteral("-2,25"));
    }
}

// Translated texts can disagree with the arguments the code passes; that must show
// in the text and never crash.
TEST(Format, MismatchesGiveMarkersNotCrashes)
{
    QString error;
    EXPECT_EQ(Format(QStringLiteral("%d files"), {QStringLiteral("three")}, &error),
              QStringLiteral("[%d: bad argument] files"));
    EXPECT_FALSE(error.isEmpty());

    EXPECT_EQ(fmt("%s", {5}), QStringLiteral("[%s: bad argument]"));
    EXPECT_EQ(fmt("%d", {true}), QStringLiteral("[%d: bad argument]"));
    EXPECT_EQ(fmt("%f", {QStringLiteral("1.5")}), QStringLiteral("[%f: bad argument]"));
    EXPECT_EQ(fmt("%s and %s", {QStringLiteral("x")}), QStringLiteral("x and [%s: no argument]"));
    EXPECT_EQ(fmt("%5:s", {QStringLiteral("x")}), QStringLiteral("[%5:s: no argument]"));
    EXPECT_EQ(fmt("%q", {1}), QStringLiteral("[%q: bad format]"));
    EXPECT_EQ(fmt("50%"), QStringLiteral("50[%: bad format]"));
    EXPECT_EQ(fmt("%5"), QStringLiteral("[%5: bad format]"));
    EXPECT_EQ(fmt("%*d", {QStringLiteral("w"), 1}), QStringLiteral("[%*d: bad argument]"));
    EXPECT_EQ(fmt("%d"), QStringLiteral("[%d: no argument]"));

    error.clear();
    EXPECT_EQ(Format(QStringLiteral("%s"), {QStringLiteral("ok")}, &error), QStringLiteral("ok"));
    EXPECT_TRUE(error.isEmpty());

    // Absurd widths and precisions are capped rather than allocating gigabytes.
    EXPECT_LE(fmt("%99999999999d", {1}).size(), 4096);
    EXPECT_LE(fmt("%.99999999999f", {1.0}).size(), 40);
}

} // namespace
