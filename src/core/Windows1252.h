#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

// The single-byte encoding of western Windows systems. Every byte decodes to a
// character (the five unassigned bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D to the C1
// control of the same number, as Windows does), so decoding then encoding gives
// the bytes back.

// The bytes of `text`, or nothing when a character has no byte in the encoding.
std::optional<QByteArray> ToWindows1252(const QString& text);
QString FromWindows1252(const QByteArray& bytes);
