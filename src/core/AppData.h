#pragma once

#include <QString>

// The per-user folder that holds every data file of the program, without a
// trailing separator:
//   $VANTOR_FTP_DATA_DIR when set (tests, portable use);
//   %APPDATA%\Vantor FTP on Windows;
//   $XDG_CONFIG_HOME/Vantor FTP, else ~/.config/Vantor FTP, elsewhere.
// The folder itself is created when missing (one level: a mistyped
// VANTOR_FTP_DATA_DIR never grows a tree). Throws EInOutError when it cannot be.
QString GetAppDataFolder();

// The folder the data folder is made in, and the folder's own name, before any
// creation. Exposed so callers can say where the data would live.
QString AppDataFolderPath();
