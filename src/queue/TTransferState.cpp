#include "queue/TTransferState.h"

#include <array>

const char* TransferStateName(TTransferState state)
{
    static constexpr std::array<const char*, 15> names{
        "tsResolving", "tsConnecting", "tsConnected",    "tsDisconnecting", "tsDisconnected",
        "tsStarting",  "tsStatusText", "tsTransferring", "tsReady",         "tsStopped",
        "tsAssigned",  "tsAwaiting",   "tsComplete",     "tsPaused",        "tsError"};
    const auto index = static_cast<std::size_t>(state);
    return index < names.size() ? names[index] : "?";
}
