#include "core/PasswordCipher.h"

#include <array>
#include <cstdint>

#include <gtest/gtest.h>

#include "core/TRC6.h"
#include "core/Windows1252.h"

namespace {

const QString kHostID = QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
const QString kOtherID = QStringLiteral("{9B2F1C44-0D6A-4E5B-8C3D-2A1B0F9E8D7C}");

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

QByteArray rc6(const QByteArray& key, const QByteArray& block, bool encrypt)
{
    const TRC6 cipher(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(key.constData()),
                                                    std::size_t(key.size())));
    QByteArray out(16, '\0');
    const auto* in = reinterpret_cast<const std::uint8_t*>(block.constData());
    auto* o = reinterpret_cast<std::uint8_t*>(out.data());
    encrypt ? cipher.encryptBlock(in, o) : cipher.decryptBlock(in, o);
    return out;
}

struct BlockVector
{
    const char* key;
    const char* plain;
    const char* cipher;
};

TEST(RC6Block, PublishedVectorsBothWays)
{
    const BlockVector vectors[] = {
        {"0000000000000000000000000000000000000000000000000000000000000000",
         "00000000000000000000000000000000", "8f5fbd0510d15fa893fa3fda6e857ec2"},
        {"0123456789abcdef0112233445566778899aabbccddeeff01032547698badcfe",
         "02132435465768798a9bacbdcedfe0f1", "c8241816f0d7e48920ad16a1674e5d48"},
    };
    for (const BlockVector& v : vectors) {
        SCOPED_TRACE(v.key);
        EXPECT_EQ(rc6(hex(v.key), hex(v.plain), true).toHex(), QByteArray(v.cipher));
        EXPECT_EQ(rc6(hex(v.key), hex(v.cipher), false).toHex(), QByteArray(v.plain));
    }
}

TEST(PasswordCipher, KnownStoredTextsBothWays)
{
    EXPECT_EQ(EncryptPassword(kHostID, QString()), QStringLiteral("loEFFmH5CbTkG9AvL6f+FE"));
    EXPECT_EQ(EncryptPassword(kHostID, QStringLiteral("secret")), QStringLiteral("D4I8iIL9fihDIGmb7Vrnf+"));
    EXPECT_EQ(TryDecryptPassword(kHostID, QStringLiteral("loEFFmH5CbTkG9AvL6f+FE")), QString());
    EXPECT_EQ(DecryptPassword(kHostID, QStringLiteral("D4I8iIL9fihDIGmb7Vrnf+")), QStringLiteral("secret"));
}

TEST(PasswordCipher, StoredLengthFollowsWholeBlocks)
{
    // The empty text still gets one block of padding; 16 characters need two.
    const QString empty = EncryptPassword(kHostID, QString());
    EXPECT_EQ(empty.size(), 22);
    EXPECT_EQ(DecryptPassword(kHostID, empty), QString());

    const QString sixteen = QStringLiteral("0123456789abcdef");
    const QString stored = EncryptPassword(kHostID, sixteen);
    EXPECT_EQ(stored.size(), 43);
    EXPECT_EQ(DecryptPassword(kHostID, stored), sixteen);

    const QString fifteen = QStringLiteral("0123456789abcde");
    EXPECT_EQ(EncryptPassword(kHostID, fifteen).size(), 22);
    EXPECT_EQ(DecryptPassword(kHostID, EncryptPassword(kHostID, fifteen)), fifteen);
}

TEST(PasswordCipher, KeyDecidesTheStoredTextDeterministically)
{
    const QString password = QStringLiteral("hunter2");
    EXPECT_EQ(EncryptPassword(kHostID, password), EncryptPassword(kHostID, password));
    EXPECT_NE(EncryptPassword(kHostID, password), EncryptPassword(kOtherID, password));

    // Only the first 32 characters of the ID enter the key.
    const QString tailChanged = kHostID.left(32) + QStringLiteral("FFFFF}");
    EXPECT_EQ(EncryptPassword(kHostID, password), EncryptPassword(tailChanged, password));
    QString changedAt32 = kHostID;
    changedAt32[31] = QLatin1Char('0');
    EXPECT_NE(EncryptPassword(kHostID, password), EncryptPassword(changedAt32, password));

    // A wrong key is not detected: it yields some other text, never a failure.
    const std::optional<QString> wrong = TryDecryptPassword(kOtherID, EncryptPassword(kHostID, password));
    ASSERT_TRUE(wrong.has_value());
    EXPECT_NE(*wrong, password);
}

TEST(PasswordCipher, TextEncodingRule)
{
    // Western text is enciphered as its Windows-1252 bytes, so Windows-written
    // files decipher to the same text; other scripts go in as UTF-8.
    const QString western = QStringLiteral("Lösenord€‘é’ß");
    const QString stored = EncryptPassword(kHostID, western);
    EXPECT_EQ(DecryptPasswordBytes(kHostID, XXDecodeText(stored)), ToWindows1252(western));
    EXPECT_EQ(DecryptPassword(kHostID, stored), western);

    const QString other = QStringLiteral("пароль密码🔑");
    const QString storedOther = EncryptPassword(kHostID, other);
    EXPECT_EQ(DecryptPasswordBytes(kHostID, XXDecodeText(storedOther)), other.toUtf8());
    EXPECT_EQ(DecryptPassword(kHostID, storedOther), other);

    // A UTF-8 stored password written elsewhere reads as UTF-8.
    const QString utf8Stored =
        XXEncodeBytes(EncryptPasswordBytes(kHostID, QStringLiteral("smörgås").toUtf8()));
    EXPECT_EQ(DecryptPassword(kHostID, utf8Stored), QStringLiteral("smörgås"));
}

TEST(PasswordCipher, DamagedStoredTextsAreReportedNotGuessed)
{
    EXPECT_EQ(TryDecryptPassword(kHostID, QString()), QString());
    const QString good = EncryptPassword(kHostID, QStringLiteral("secret"));
    EXPECT_FALSE(TryDecryptPassword(kHostID, good.left(21)).has_value());               // 15 bytes
    EXPECT_FALSE(TryDecryptPassword(kHostID, good + QStringLiteral("AB")).has_value()); // 17 bytes
    EXPECT_FALSE(TryDecryptPassword(kHostID, QStringLiteral("A")).has_value());
    EXPECT_EQ(DecryptPassword(kHostID, good.left(21)), QString());
}

TEST(PasswordCipher, PaddingOutOfRangeCutsOneByte)
{
    QByteArray key = kHostID.left(32).toLatin1();
    for (const char last : {'\0', char(17), char(0xFF)}) {
        QByteArray block("ABCDEFGHIJKLMNO");
        block.append(last);
        const QByteArray cipher = rc6(key, block, true);
        EXPECT_EQ(DecryptPasswordBytes(kHostID, cipher), QByteArray("ABCDEFGHIJKLMNO"));
    }
}

TEST(XXPacking, GroupsAlphabetAndTrailingBits)
{
    EXPECT_EQ(XXEncodeBytes(QByteArray()), QString());
    EXPECT_EQ(XXEncodeBytes(QByteArray(1, '\0')), QStringLiteral("++"));
    EXPECT_EQ(XXEncodeBytes(QByteArray(1, char(0xFF))), QStringLiteral("zk"));
    EXPECT_EQ(XXEncodeBytes(QByteArray(2, char(0xFF))), QStringLiteral("zzw"));
    EXPECT_EQ(XXEncodeBytes(QByteArray(3, char(0xFF))), QStringLiteral("zzzz"));
    EXPECT_EQ(XXEncodeBytes(hex("000102")), QStringLiteral("++20"));
    // Bits that do not fill a byte are dropped; unknown characters count as 0.
    EXPECT_EQ(XXDecodeText(QStringLiteral("zk")), QByteArray(1, char(0xFF)));
    EXPECT_EQ(XXDecodeText(QStringLiteral("zzw")), QByteArray(2, char(0xFF)));
    EXPECT_EQ(XXDecodeText(QStringLiteral("z")), QByteArray());
    EXPECT_EQ(XXDecodeText(QStringLiteral("==== ")), XXDecodeText(QStringLiteral("+++++")));
    for (int n = 0; n < 40; ++n) {
        QByteArray bytes;
        for (int i = 0; i < n; ++i)
            bytes.append(char(i * 37 + n));
        EXPECT_EQ(XXDecodeText(XXEncodeBytes(bytes)), bytes) << n;
    }
}

TEST(Windows1252, EveryByteRoundTripsAndOtherScriptsAreRefused)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = FromWindows1252(all);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC));
    EXPECT_EQ(text.at(0x9F), QChar(0x0178));
    EXPECT_EQ(text.at(0xE9), QChar(0x00E9));
    EXPECT_EQ(ToWindows1252(text), all);
    EXPECT_FALSE(ToWindows1252(QStringLiteral("Ж")).has_value());
    EXPECT_FALSE(ToWindows1252(QString(QChar(0x0080))).has_value());
}

} // namespace
