#pragma once

#include <QString>

// Whether a name from a server's listing may be used in a command as one name in
// the current directory: not empty, not "." or "..", and without "/", "\", NUL,
// CR or LF. Anything else could name another directory than the one listed, or
// smuggle a second command onto the wire.
bool isUsableRemoteName(const QString& name);
bool isUsableRemoteName(const std::string& name);

// Whether a text may be sent as a command argument at all: no CR, LF or NUL.
bool isSendableArgument(const QString& text);

// The path of `name` inside `directory` as a server shows it after PWD.
QString joinRemotePath(const QString& directory, const QString& name);

// A name as a log line or a terminal can show it: control characters (C0, DEL
// and the C1 range, which some terminals obey as escape sequences) as \r, \n,
// \0 or \xNN.
QString printableRemoteName(const std::string& name);
QString printableText(const QString& text);
