#pragma once

#include <optional>

#include <QDateTime>
#include <QString>

#include "ftp/ListingEntry.h"

// Modification times of queue items are kept as a date-time value: days since
// 30 December 1899 (local time) in the integer part, the time of day as the
// fraction. -1 means "unknown". The value is what the queue file round-trips.

inline constexpr double kUnknownDateTime = -1.0;

// Local date and time of a value; invalid for NaN or values out of range.
QDateTime DateTimeFromValue(double value);
// The value of a local date and time, whole seconds; -1 for an invalid QDateTime.
double DateTimeToValue(const QDateTime& dateTime);

// The default locale's text: short date, a blank and long time, the time left out
// when the value is exactly midnight. The year is always written in full: a
// two-digit year would come back in another century.
QString DateTimeValueToText(double value);
// Reads what DateTimeValueToText writes, under the default locale. On failure
// returns nothing and sets `error` to "'TEXT' is not a valid date and time".
std::optional<double> DateTimeValueFromText(const QString& text, QString* error = nullptr);

// The time of a listing entry as a value; -1 when the listing gave no date.
double EntryTimeToValue(const ftp::EntryTime& time);
