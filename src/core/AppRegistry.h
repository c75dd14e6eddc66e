#pragma once

#include <memory>

#include <QString>

#include "platform/TRegistryStore.h"

// The program's own registry key and the store it lives in.
inline const QString kAppRegistryKey = QStringLiteral("Software\\Vantor FTP");

// Opens the registry store of the data folder (Registry.ini on Linux). Nullptr
// when there is no usable data folder. One store per thread.
std::unique_ptr<platform::TRegistryStore> OpenAppRegistry();
