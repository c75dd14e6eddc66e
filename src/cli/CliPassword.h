#pragma once

#include <optional>
#include <string>

namespace cli {

// The password of a URL that names a user but no password ("ftp://bob@host/"),
// looked for in this order: VANTOR_FTP_PASSWORD, the first ~/.netrc entry for the
// host and user (a file others can read is refused, as ftp(1) does), and a
// question on the terminal with the echo off. Nothing, with `error` set, when none
// of them gives one. Answers are kept for the run: several URLs of one login ask once.
std::optional<std::string> findPassword(const std::string& host, const std::string& user, std::string& error);

// A ~/.netrc file's text: the password for `host` and `user` (a "machine" entry,
// else "default"); none when no entry matches or it has no password.
std::optional<std::string> netrcPassword(const std::string& text, const std::string& host,
                                         const std::string& user);

// The URL as it may be shown: a password in it replaced by "****".
std::string maskedUrl(const std::string& url);

} // namespace cli
