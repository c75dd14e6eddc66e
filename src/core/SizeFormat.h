#pragma once

#include <QString>
#include <QtGlobal>

// Size texts of the lists and progress displays, with the default locale's
// separators.

// Whole kilobytes, rounded up when there is any remainder, with thousands
// separators: 0 -> "0 KB", 1 -> "1 KB", 1025 -> "2 KB", 1048576 -> "1,024 KB".
QString FormatSizeKB(qint64 bytes);

// Two decimals in the largest fitting unit: 1536 -> "1.50 KB", 1048576 ->
// "1.00 MB", from 1073741824 on in GB. 0 gives "0 KB"; 1 to 1023 and negative
// counts give "1 KB".
QString FormatSizeUnits(qint64 bytes);
