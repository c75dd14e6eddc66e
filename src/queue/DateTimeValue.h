#pragma once

#include <optional>
#include <vector>

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>

#include "ftp/ListingEntry.h"

// Modification times of queue items are kept as a date-time value: days since
// 30 December 1899 (local time) in the integer part, the time of day as the
// fraction. -1 means "unknown". The value is what the queue file round-trips.

inline constexpr double kUnknownDateTime = -1.0;

// Local date and time of a value; invalid for NaN or values out of range.
QDateTime DateTimeFromValue(double value);
// The value of a local date and time, whole seconds; -1 for an invalid QDateTime.
double DateTimeToValue(const QDateTime& dateTime);
double DateTimeToValue(const QDate& date, const QTime& time);
// The time of a listing entry as a value; -1 when the listing gave no date.
double EntryTimeToValue(const ftp::EntryTime& time);

// The date-time text of one locale: short date, a blank and long time, the time
// left out when the value is exactly midnight. The year is always written in
// full (a two-digit year would come back in another century), and the long
// time's zone name is left out (the values are local times). The formats are
// taken apart once, so a queue file of many items is written and read quickly;
// text the fast reader does not take is handed to QLocale's own parser.
class TDateTimeText final
{
public:
    explicit TDateTimeText(const QLocale& locale = QLocale());

    QString toText(double value) const;
    // On failure nothing, and `error` is "'TEXT' is not a valid date and time".
    std::optional<double> fromText(const QString& text, QString* error = nullptr) const;

    const QString& dateFormat() const { return m_dateFormat; }
    const QString& timeFormat() const { return m_timeFormat; }

private:
    struct TToken
    {
        enum class TKind
        {
            Literal,
            Day,
            DayName,
            Month,
            MonthShortName,
            MonthLongName,
            Year,
            Hour12,
            Hour24,
            Minute,
            Second,
            Millisecond,
            AmPm,
        };
        TKind kind = TKind::Literal;
        int width = 1; // digits written at least
        QString text;  // literal text; for AmPm, the case the format asks for
    };
    using TTokens = std::vector<TToken>;

    static TTokens compile(const QString& format);
    QString format(const TTokens& tokens, const QDate& date, const QTime& time) const;
    bool parse(const TTokens& tokens, const QString& text, qsizetype& pos, QDate& date, QTime& time,
               bool requireEnd) const;

    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    TTokens m_date;
    TTokens m_time;
    QStringList m_shortMonths;
    QStringList m_longMonths;
    QStringList m_dayNames;
};

// The same under the default locale, for single values.
QString DateTimeValueToText(double value);
std::optional<double> DateTimeValueFromText(const QString& text, QString* error = nullptr);
