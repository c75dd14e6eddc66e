#pragma once

#include <QDateTime>
#include <QString>

// Times of local files as the program shows and compares them. A file time is
// turned into local time at the resolution of a packed DOS date and time: seconds
// are rounded down to even ones, and times before 1980 or from 2044 on have no
// representation and give the null QDateTime.

// The last-write time of `path`, the null QDateTime when it does not exist.
QDateTime GetFileDateTime(const QString& path);

// `fileTime` is any QDateTime (typically UTC from the file system); the result is
// local time.
QDateTime FileTimeToDateTime(const QDateTime& fileTime);

// A QLocale date or time format without its time-zone field ("t"): local times
// carry no zone of their own.
QString FormatWithoutTimeZone(const QString& format);

// FileTimeToDateTime as text in the default locale's short date and long time,
// without a time-zone name; the empty text for a time with no representation.
QString FileTimeToText(const QDateTime& fileTime);
