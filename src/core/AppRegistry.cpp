#include "core/AppRegistry.h"

#include "core/AppData.h"
#include "core/EInOutError.h"
#include "core/PathHelpers.h"
#include "core/TMainConfig.h"

std::unique_ptr<platform::TRegistryStore> OpenAppRegistry()
{
    QString folder;
    if (const TMainConfig* config = MainConfig()) {
        folder = config->DataFolder();
    } else {
        try {
            folder = GetAppDataFolder();
        } catch (const EInOutError&) {
            return nullptr;
        }
    }
    if (folder.isEmpty())
        return nullptr;
    return std::make_unique<platform::TRegistryStore>(IncludeTrailingBackslash(folder) +
                                                      QStringLiteral("Registry.ini"));
}
