#include "core/PasswordCipher.h"

#include <array>
#include <cstdint>

#include <QStringDecoder>

#include "core/TRC6.h"
#include "core/Windows1252.h"

namespace {

constexpr std::size_t kKeySize = 32;
constexpr int kBlock = int(TRC6::kBlockSize);

// Only the first 32 bytes of the key text count; shorter keys are zero-padded.
std::array<std::uint8_t, kKeySize> keyBytes(const QString& key)
{
    std::array<std::uint8_t, kKeySize> bytes{};
    const QByteArray latin = key.left(int(kKeySize)).toLatin1();
    for (qsizetype i = 0; i < latin.size(); ++i)
        bytes[std::size_t(i)] = std::uint8_t(latin[i]);
    return bytes;
}

int alphabetValue(QChar c)
{
    static const std::array<std::int8_t, 128> table = [] {
        std::array<std::int8_t, 128> t{};
        t.fill(-1);
        for (int i = 0; i < 64; ++i)
            t[std::size_t(kXXAlphabet[i])] = std::int8_t(i);
        return t;
    }();
    const char16_t u = c.unicode();
    return u < 128 && table[u] >= 0 ? table[u] : 0;
}

bool isUtf8WithNonAscii(const QByteArray& bytes, QString& decoded)
{
    bool nonAscii = false;
    for (const char c : bytes)
        nonAscii = nonAscii || (static_cast<unsigned char>(c) & 0x80) != 0;
    if (!nonAscii)
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    decoded = decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

QString XXEncodeBytes(const QByteArray& bytes)
{
    QString text;
    text.reserve((bytes.size() * 4 + 2) / 3);
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : bytes) {
        bits = (bits << 8) | static_cast<unsigned char>(c);
        count += 8;
        while (count >= 6) {
            count -= 6;
            text.append(QLatin1Char(kXXAlphabet[(bits >> count) & 63u]));
        }
    }
    if (count > 0)
        text.append(QLatin1Char(kXXAlphabet[(bits << (6 - count)) & 63u]));
    return text;
}

QByteArray XXDecodeText(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 3 / 4);
    std::uint32_t bits = 0;
    int count = 0;
    for (const QChar c : text) {
        bits = (bits << 6) | std::uint32_t(alphabetValue(c));
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.append(static_cast<char>((bits >> count) & 0xFFu));
        }
    }
    return bytes;
}

QByteArray EncryptPasswordBytes(const QString& key, const QByteArray& plain)
{
    auto k = keyBytes(key);
    const TRC6 cipher(k);
    k.fill(0);

    QByteArray padded = plain;
    const int pad = kBlock - int(plain.size() % kBlock);
    padded.append(pad, static_cast<char>(pad));

    QByteArray out(padded.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < padded.size(); i += kBlock)
        cipher.encryptBlock(reinterpret_cast<const std::uint8_t*>(padded.constData() + i),
                            reinterpret_cast<std::uint8_t*>(out.data() + i));
    padded.fill('\0');
    return out;
}

std::optional<QByteArray> DecryptPasswordBytes(const QString& key, const QByteArray& cipherBytes)
{
    if (cipherBytes.isEmpty() || cipherBytes.size() % kBlock != 0)
        return std::nullopt;
    auto k = keyBytes(key);
    const TRC6 cipher(k);
    k.fill(0);

    QByteArray plain(cipherBytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < cipherBytes.size(); i += kBlock)
        cipher.decryptBlock(reinterpret_cast<const std::uint8_t*>(cipherBytes.constData() + i),
                            reinterpret_cast<std::uint8_t*>(plain.data() + i));
    // A wrong key leaves garbage in the last byte; the padding rule still cuts
    // between one and sixteen bytes and never fails.
    const int last = static_cast<unsigned char>(plain.back());
    plain.chop(last >= 1 && last <= kBlock ? last : 1);
    return plain;
}

QString EncryptPassword(const QString& key, const QString& plain)
{
    const std::optional<QByteArray> single = ToWindows1252(plain);
    return XXEncodeBytes(EncryptPasswordBytes(key, single ? *single : plain.toUtf8()));
}

std::optional<QString> TryDecryptPassword(const QString& key, const QString& stored)
{
    if (stored.isEmpty())
        return QString();
    const std::optional<QByteArray> bytes = DecryptPasswordBytes(key, XXDecodeText(stored));
    if (!bytes)
        return std::nullopt;
    QString text;
    if (isUtf8WithNonAscii(*bytes, text))
        return text;
    return FromWindows1252(*bytes);
}

QString DecryptPassword(const QString& key, const QString& stored)
{
    return TryDecryptPassword(key, stored).value_or(QString());
}
