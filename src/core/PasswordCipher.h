#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

// How host passwords are kept in the data files: RC6-32/20/32 in ECB mode with
// PKCS#7 padding, the key being the first 32 bytes of the host's ID text, and
// the cipher bytes written in 6-bit groups with the alphabet of kXXAlphabet and
// no padding characters. The same key and text always give the same stored text.
//
// Texts are enciphered as Windows-1252 bytes when every character has one (so
// files written by Windows builds read back the same), else as UTF-8; deciphered
// bytes are read as UTF-8 when they are valid UTF-8 with a non-ASCII byte, else
// as Windows-1252.

inline constexpr char kXXAlphabet[] = "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

QString EncryptPassword(const QString& key, const QString& plain);

// The empty stored text gives the empty password. Nothing when the stored text does
// not decode to whole cipher blocks (a damaged file). A wrong key is not detected:
// it gives other text.
std::optional<QString> TryDecryptPassword(const QString& key, const QString& stored);
// As TryDecryptPassword, the empty text for a damaged stored text.
QString DecryptPassword(const QString& key, const QString& stored);

// The byte-level steps, exposed for the stores' diagnostics and for tests.
QByteArray EncryptPasswordBytes(const QString& key, const QByteArray& plain);
std::optional<QByteArray> DecryptPasswordBytes(const QString& key, const QByteArray& cipher);
QString XXEncodeBytes(const QByteArray& bytes);
// Characters outside the alphabet count as 0; trailing bits that do not fill a byte are dropped.
QByteArray XXDecodeText(const QString& text);
