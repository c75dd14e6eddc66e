#include "core/SizeFormat.h"

#include "core/Format.h"

namespace {

constexpr qint64 kKB = 1024;
constexpr qint64 kMB = kKB * 1024;
constexpr qint64 kGB = kMB * 1024;

} // namespace

QString FormatSizeKB(qint64 bytes)
{
    // Integer arithmetic: a double would lose the last kilobyte of sizes above 2^53.
    qint64 kb = bytes / kKB;
    if (bytes % kKB > 0)
        ++kb;
    return Format(QStringLiteral("%.0n KB"), {kb});
}

QString FormatSizeUnits(qint64 bytes)
{
    if (bytes == 0)
        return Format(QStringLiteral("%d KB"), {0});
    if (bytes >= kGB)
        return Format(QStringLiteral("%f GB"), {double(bytes) / double(kGB)});
    if (bytes >= kMB)
        return Format(QStringLiteral("%f MB"), {double(bytes) / double(kMB)});
    if (bytes >= kKB)
        return Format(QStringLiteral("%f KB"), {double(bytes) / double(kKB)});
    return Format(QStringLiteral("%d KB"), {1});
}
