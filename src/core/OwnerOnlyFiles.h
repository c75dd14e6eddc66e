#pragma once

#include <QString>

class QFileDevice;

// The data folder holds the stored hosts and their passwords: it is the user's
// alone (0700), and so is every file in it (0600).

// Gives an open file (a QSaveFile's temporary file before its commit) owner-only
// permissions, so the file never appears under its name readable by others.
// False when the permissions could not be set.
bool RestrictToOwner(QFileDevice& file);

// Tightens an existing folder to 0700 and every regular file directly in it to
// 0600 (data folders made by earlier versions were 0755 with 0644 files). Links
// are never followed. Does nothing on Windows, whose profile folders are
// private already.
void TightenDataFolder(const QString& folder);
