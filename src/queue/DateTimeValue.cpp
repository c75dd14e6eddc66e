#include "queue/DateTimeValue.h"

#include <cmath>

#include <QLocale>

namespace {

const QDate kEpoch(1899, 12, 30);
constexpr qint64 kMsecsPerDay = 86400000;

// Drops the time-zone field ("t") of a format: the values are local times and a
// zone name would not parse back.
QString withoutZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}

// The locale's short date with a four-digit year.
QString shortDateFormat(const QLocale& locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('y')) {
            qsizetype run = 0;
            while (i + run < format.size() && format.at(i + run) == QLatin1Char('y'))
                ++run;
            out += QStringLiteral("yyyy");
            i += run - 1;
            continue;
        }
        out += c;
    }
    return out;
}

QString longTimeFormat(const QLocale& locale)
{
    return withoutZone(locale.timeFormat(QLocale::LongFormat));
}

} // namespace

QDateTime DateTimeFromValue(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
        return {};
    // The integer part counts days either side of the epoch; the fraction is the
    // time of day whatever the sign.
    const double days = std::trunc(value);
    const double fraction = std::fabs(value - days);
    qint64 msecs = std::llround(fraction * double(kMsecsPerDay));
    if (msecs >= kMsecsPerDay)
        msecs = kMsecsPerDay - 1;
    const QDate date = kEpoch.addDays(qint64(days));
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(msecs)), Qt::LocalTime);
}

double DateTimeToValue(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return kUnknownDateTime;
    const QDateTime local = dateTime.toLocalTime();
    const double days = double(kEpoch.daysTo(local.date()));
    const QTime t = local.time();
    const double fraction = double(t.hour() * 3600 + t.minute() * 60 + t.second()) / 86400.0;
    return days >= 0 ? days + fraction : days - fraction;
}

QString DateTimeValueToText(double value)
{
    const QDateTime dateTime = DateTimeFromValue(value);
    if (!dateTime.isValid())
        return QString();
    const QLocale locale;
    QString text = locale.toString(dateTime.date(), shortDateFormat(locale));
    const QTime time = dateTime.time();
    if (time.msecsSinceStartOfDay() != 0)
        text += QLatin1Char(' ') + locale.toString(time, longTimeFormat(locale));
    return text;
}

std::optional<double> DateTimeValueFromText(const QString& text, QString* error)
{
    const QLocale locale;
    const QString trimmed = text.trimmed();
    const QString dateFormat = shortDateFormat(locale);
    QDateTime parsed = locale.toDateTime(trimmed, dateFormat + QLatin1Char(' ') + longTimeFormat(locale));
    if (!parsed.isValid()) {
        const QDate date = locale.toDate(trimmed, dateFormat);
        if (date.isValid())
            parsed = QDateTime(date, QTime(0, 0), Qt::LocalTime);
    }
    if (!parsed.isValid() || trimmed.isEmpty()) {
        if (error)
            *error = QStringLiteral("'%1' is not a valid date and time").arg(text);
        return std::nullopt;
    }
    return DateTimeToValue(parsed);
}

double EntryTimeToValue(const ftp::EntryTime& time)
{
    if (!time.hasDate())
        return kUnknownDateTime;
    const QDate date(time.year, time.month, time.day);
    if (!date.isValid())
        return kUnknownDateTime;
    QTime clock = time.hasTime() ? QTime(time.hour, time.minute, std::max(time.second, 0)) : QTime(0, 0);
    if (!clock.isValid())
        clock = QTime(0, 0);
    return DateTimeToValue(QDateTime(date, clock, Qt::LocalTime));
}
