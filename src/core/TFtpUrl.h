#pragma once

#include <optional>

#include <QString>

// The parts of an ftp:// address as a user pastes or drops it:
// ftp://[user[:password]@]host[:port][/path]. User name, password and path are
// percent-decoded (UTF-8, or Windows-1252 where the bytes are not UTF-8); the
// port is kept as written, so a caller decides what a missing or bad one means.
struct TFtpUrl
{
    bool HasUser = false; // a user part was given (it may still be empty: "ftp://@host")
    QString User;
    QString Password;
    QString Host; // without the brackets of an IPv6 address
    QString Port; // as written; empty when absent
    QString Path; // "/pub/file.txt"; empty when absent

    // The directory part of Path, up to and including its last "/" ("/pub/" of
    // "/pub/file.txt", "/" of "/pub"); empty when there is no path.
    QString Directory() const;

    // The address when `text` (surrounding blanks ignored) is a URL with the
    // scheme "ftp" in any letter case and a host; nothing otherwise.
    static std::optional<TFtpUrl> parse(const QString& text);
};
