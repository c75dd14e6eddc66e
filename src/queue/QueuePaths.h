#pragma once

#include <optional>

#include <QString>

// Paths of queue items. Names that come from a server listing, and paths that are
// cut from one root and put under another, pass through here before they are ever
// used to write a local file or to build a command.

// A single name usable as a path component on both sides: not empty, not "." or
// "..", and without "/", "\", NUL, CR or LF.
bool IsSafeEntryName(const QString& name);
// The first reason `name` is not safe, for the log; empty when it is.
QString UnsafeEntryNameReason(const QString& name);

// The local path of a download: `remoteFilename` without its first
// remoteRoot.length() characters, "/" turned into the local separator, behind
// `localRoot` (trailing separator ensured). Nothing, with `error` set, when
// `remoteFilename` does not start with `remoteRoot`, when nothing is left of it,
// or when a component of the rest is not a safe name: such a path would leave
// the local root.
std::optional<QString> DeriveLocalFilename(const QString& remoteRoot, const QString& remoteFilename,
                                           const QString& localRoot, QString* error = nullptr);
// The remote path of an upload, the same way round.
std::optional<QString> DeriveRemoteFilename(const QString& localRoot, const QString& localFilename,
                                            const QString& remoteRoot, QString* error = nullptr);
