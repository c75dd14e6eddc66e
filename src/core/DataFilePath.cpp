#include "core/DataFilePath.h"

#include "core/AppData.h"
#include "core/PathHelpers.h"
#include "core/TMainConfig.h"

QString DataFilePath(const QString& fileName)
{
    if (const TMainConfig* config = MainConfig(); config && !config->DataFolder().isEmpty())
        return config->dataFilePath(fileName);
    return IncludeTrailingBackslash(GetAppDataFolder()) + fileName;
}
