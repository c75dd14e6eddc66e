#pragma once

#include <QString>

// A data file that cannot be read is copied aside before anything writes over it,
// so the user never loses the only copy of a file we failed to understand.

namespace platform {

struct TSetAsideResult
{
    bool ok = false;
    QString copyPath; // where the copy went, when ok
    QString error;    // why no copy could be made, when not ok
};

// Copies `filePath` to "<filePath>.unreadable-<yyyyMMdd-HHmmss>" (a numeric suffix
// is added when that name is taken). The original stays where it is.
TSetAsideResult SetAsideUnreadableFile(const QString& filePath);

} // namespace platform
