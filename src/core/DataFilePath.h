#pragma once

#include <QString>

// Where a data file of the program lives: in the settings store's data folder
// when a settings store exists, else in GetAppDataFolder(). Throws EInOutError
// when there is no usable data folder.
QString DataFilePath(const QString& fileName);
