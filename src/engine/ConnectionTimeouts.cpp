#include "engine/ConnectionTimeouts.h"

#include <algorithm>

#include "core/TMainConfig.h"

namespace {

constexpr int kMaxSeconds = 24 * 60 * 60;

int defaultSeconds(const char* key)
{
    for (const auto& info : TMainConfig::Keys()) {
        if (qstrcmp(info.name, key) == 0)
            return info.defaultText.toInt();
    }
    return 0;
}

std::chrono::milliseconds seconds(int configured, const char* key)
{
    const int value = configured >= 1 ? std::min(configured, kMaxSeconds) : defaultSeconds(key);
    return std::chrono::seconds(value);
}

} // namespace

TConnectionTimeouts ConfiguredConnectionTimeouts()
{
    const TMainConfig* config = MainConfig();
    return {seconds(config ? config->ConnectTimeout() : 0, "ConnectTimeout"),
            seconds(config ? config->ReplyTimeout() : 0, "ReplyTimeout")};
}
