#include "queue/DateTimeValue.h"

#include <algorithm>
#include <cmath>

#include "core/FileTimes.h"

namespace {

const QDate kEpoch(1899, 12, 30);
constexpr qint64 kMsecsPerDay = 86400000;

// The locale's short date with every year field four digits wide.
QString fullYear(const QString& format)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('y')) {
            while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('y'))
                ++i;
            out += QStringLiteral("yyyy");
            continue;
        }
        out += c;
    }
    return out;
}

// Splits a value into its local date and time of day.
bool splitValue(double value, QDate& date, QTime& time)
{
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
        return false;
    // The integer part counts days either side of the epoch; the fraction is the
    // time of day whatever the sign.
    const double days = std::trunc(value);
    const double fraction = std::fabs(value - days);
    qint64 msecs = std::llround(fraction * double(kMsecsPerDay));
    msecs = std::min(msecs, kMsecsPerDay - 1);
    date = kEpoch.addDays(qint64(days));
    time = QTime::fromMSecsSinceStartOfDay(int(msecs));
    return date.isValid();
}

bool isWhite(QChar c)
{
    return c.isSpace() || c == QChar(0x202F);
}

// Up to `maxDigits` decimal digits at `pos`.
bool readNumber(const QString& text, qsizetype& pos, int maxDigits, int& value)
{
    int digits = 0;
    value = 0;
    while (pos < text.size() && digits < maxDigits && text.at(pos).isDigit() &&
           text.at(pos).unicode() < 128) {
        value = value * 10 + (text.at(pos).unicode() - '0');
        ++pos;
        ++digits;
    }
    return digits > 0;
}

// The longest of `names` that `text` continues with at `pos`, ignoring case.
int readName(const QString& text, qsizetype& pos, const QStringList& names)
{
    int best = -1;
    qsizetype bestLength = 0;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        if (name.isEmpty() || name.size() <= bestLength)
            continue;
        if (QStringView(text).mid(pos, name.size()).compare(name, Qt::CaseInsensitive) == 0) {
            best = int(i);
            bestLength = name.size();
        }
    }
    if (best >= 0)
        pos += bestLength;
    return best;
}

} // namespace

double DateTimeToValue(const QDate& date, const QTime& time)
{
    if (!date.isValid() || !time.isValid())
        return kUnknownDateTime;
    const double days = double(kEpoch.daysTo(date));
    const double fraction = double(time.hour() * 3600 + time.minute() * 60 + time.second()) / 86400.0;
    return days >= 0 ? days + fraction : days - fraction;
}

double DateTimeToValue(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return kUnknownDateTime;
    const QDateTime local = dateTime.timeSpec() == Qt::LocalTime ? dateTime : dateTime.toLocalTime();
    return DateTimeToValue(local.date(), local.time());
}

QDateTime DateTimeFromValue(double value)
{
    QDate date;
    QTime time;
    if (!splitValue(value, date, time))
        return {};
    return QDateTime(date, time, Qt::LocalTime);
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
    return DateTimeToValue(date, clock);
}

// ---- TDateTimeText --------------------------------------------------------------------

TDateTimeText::TDateTimeText(const QLocale& locale)
    : m_locale(locale)
    , m_dateFormat(fullYear(locale.dateFormat(QLocale::ShortFormat)))
    , m_timeFormat(FormatWithoutTimeZone(locale.timeFormat(QLocale::LongFormat)))
    , m_date(compile(m_dateFormat))
    , m_time(compile(m_timeFormat))
{
    for (int month = 1; month <= 12; ++month) {
        m_shortMonths.append(locale.monthName(month, QLocale::ShortFormat));
        m_longMonths.append(locale.monthName(month, QLocale::LongFormat));
    }
    for (int day = 1; day <= 7; ++day) {
        m_dayNames.append(locale.dayName(day, QLocale::LongFormat));
        m_dayNames.append(locale.dayName(day, QLocale::ShortFormat));
    }
}

TDateTimeText::TTokens TDateTimeText::compile(const QString& format)
{
    using TKind = TToken::TKind;
    TTokens tokens;
    const auto literal = [&tokens](const QString& text) {
        if (!tokens.empty() && tokens.back().kind == TKind::Literal)
            tokens.back().text += text;
        else
            tokens.push_back({TKind::Literal, 0, text});
    };
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            const qsizetype end = format.indexOf(QLatin1Char('\''), i + 1);
            if (end == i + 1) {
                literal(QStringLiteral("'"));
                i += 2;
                continue;
            }
            literal(format.mid(i + 1, (end < 0 ? format.size() : end) - i - 1));
            i = end < 0 ? format.size() : end + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        const int n = int(run);
        switch (c.unicode()) {
        case 'd':
            tokens.push_back(n <= 2 ? TToken{TKind::Day, n, {}} : TToken{TKind::DayName, n, {}});
            break;
        case 'M':
            tokens.push_back(n <= 2   ? TToken{TKind::Month, n, {}}
                             : n == 3 ? TToken{TKind::MonthShortName, n, {}}
                                      : TToken{TKind::MonthLongName, n, {}});
            break;
        case 'y':
            tokens.push_back({TKind::Year, 4, {}});
            break;
        case 'h':
            // Twelve-hour only with an am/pm field; settled below.
            tokens.push_back({TKind::Hour12, n, {}});
            break;
        case 'H':
            tokens.push_back({TKind::Hour24, n, {}});
            break;
        case 'm':
            tokens.push_back({TKind::Minute, n, {}});
            break;
        case 's':
            tokens.push_back({TKind::Second, n, {}});
            break;
        case 'z':
            tokens.push_back({TKind::Millisecond, n >= 3 ? 3 : 1, {}});
            break;
        case 'A':
        case 'a':
            // "AP"/"ap" and "A"/"a" alike: the am/pm text in that case.
            if (i + 1 < format.size() &&
                (format.at(i + 1) == QLatin1Char('P') || format.at(i + 1) == QLatin1Char('p')))
                run = 2;
            tokens.push_back({TKind::AmPm, 0, QString(c)});
            break;
        default:
            literal(format.mid(i, run));
            break;
        }
        i += run;
    }
    const bool amPm =
        std::any_of(tokens.begin(), tokens.end(), [](const TToken& t) { return t.kind == TKind::AmPm; });
    if (!amPm)
        for (TToken& token : tokens)
            if (token.kind == TKind::Hour12)
                token.kind = TKind::Hour24;
    return tokens;
}

QString TDateTimeText::format(const TTokens& tokens, const QDate& date, const QTime& time) const
{
    using TKind = TToken::TKind;
    QString out;
    const auto number = [&out](int value, int width) {
        out += QString::number(value).rightJustified(width, QLatin1Char('0'));
    };
    for (const TToken& token : tokens) {
        switch (token.kind) {
        case TKind::Literal:
            out += token.text;
            break;
        case TKind::Day:
            number(date.day(), token.width);
            break;
        case TKind::DayName:
            out += m_locale.dayName(date.dayOfWeek(),
                                    token.width == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case TKind::Month:
            number(date.month(), token.width);
            break;
        case TKind::MonthShortName:
            out += m_shortMonths[date.month() - 1];
            break;
        case TKind::MonthLongName:
            out += m_longMonths[date.month() - 1];
            break;
        case TKind::Year:
            number(date.year(), 4);
            break;
        case TKind::Hour12: {
            const int hour = time.hour() % 12;
            number(hour == 0 ? 12 : hour, token.width);
            break;
        }
        case TKind::Hour24:
            number(time.hour(), token.width);
            break;
        case TKind::Minute:
            number(time.minute(), token.width);
            break;
        case TKind::Second:
            number(time.second(), token.width);
            break;
        case TKind::Millisecond:
            number(time.msec(), token.width);
            break;
        case TKind::AmPm: {
            const QString text = time.hour() < 12 ? m_locale.amText() : m_locale.pmText();
            out += token.text == QLatin1String("a") ? text.toLower() : text.toUpper();
            break;
        }
        }
    }
    return out;
}

bool TDateTimeText::parse(const TTokens& tokens, const QString& text, qsizetype& pos, QDate& date,
                          QTime& time, bool requireEnd) const
{
    using TKind = TToken::TKind;
    int day = date.isValid() ? date.day() : 1;
    int month = date.isValid() ? date.month() : 1;
    int year = date.isValid() ? date.year() : 1900;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int msec = 0;
    int pm = -1;
    bool twelve = false;
    for (const TToken& token : tokens) {
        int value = 0;
        switch (token.kind) {
        case TKind::Literal:
            for (const QChar c : token.text) {
                if (isWhite(c)) {
                    // Any run of blanks stands for any other.
                    if (pos >= text.size() || !isWhite(text.at(pos)))
                        return false;
                    while (pos < text.size() && isWhite(text.at(pos)))
                        ++pos;
                } else if (pos < text.size() && text.at(pos) == c) {
                    ++pos;
                } else {
                    return false;
                }
            }
            break;
        case TKind::Day:
            if (!readNumber(text, pos, 2, day))
                return false;
            break;
        case TKind::DayName:
            if (readName(text, pos, m_dayNames) < 0)
                return false;
            break;
        case TKind::Month:
            if (!readNumber(text, pos, 2, month))
                return false;
            break;
        case TKind::MonthShortName:
        case TKind::MonthLongName: {
            int found = readName(text, pos, m_longMonths);
            if (found < 0)
                found = readName(text, pos, m_shortMonths);
            if (found < 0)
                return false;
            month = found + 1;
            break;
        }
        case TKind::Year:
            if (!readNumber(text, pos, 4, year))
                return false;
            break;
        case TKind::Hour12:
            twelve = true;
            [[fallthrough]];
        case TKind::Hour24:
            if (!readNumber(text, pos, 2, hour))
                return false;
            break;
        case TKind::Minute:
            if (!readNumber(text, pos, 2, minute))
                return false;
            break;
        case TKind::Second:
            if (!readNumber(text, pos, 2, second))
                return false;
            break;
        case TKind::Millisecond:
            if (!readNumber(text, pos, 3, value))
                return false;
            msec = value;
            break;
        case TKind::AmPm: {
            const int found = readName(text, pos, {m_locale.amText(), m_locale.pmText()});
            if (found < 0)
                return false;
            pm = found;
            break;
        }
        }
    }
    if (requireEnd && pos != text.size())
        return false;
    if (twelve) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (pm == 1 ? 12 : 0);
    }
    date = QDate(year, month, day);
    time = QTime(hour, minute, second, msec);
    return date.isValid() && time.isValid();
}

QString TDateTimeText::toText(double value) const
{
    QDate date;
    QTime time;
    if (!splitValue(value, date, time))
        return QString();
    // Whole seconds, as the time format shows them.
    time = QTime(time.hour(), time.minute(), time.second());
    QString text = format(m_date, date, time);
    if (time.msecsSinceStartOfDay() != 0)
        text += QLatin1Char(' ') + format(m_time, date, time);
    return text;
}

std::optional<double> TDateTimeText::fromText(const QString& text, QString* error) const
{
    const QString trimmed = text.trimmed();
    if (!trimmed.isEmpty()) {
        QDate date;
        QTime time;
        qsizetype pos = 0;
        if (parse(m_date, trimmed, pos, date, time, false)) {
            if (pos == trimmed.size())
                return DateTimeToValue(date, QTime(0, 0));
            qsizetype timePos = pos;
            while (timePos < trimmed.size() && isWhite(trimmed.at(timePos)))
                ++timePos;
            if (timePos > pos && parse(m_time, trimmed, timePos, date, time, true))
                return DateTimeToValue(date, time);
        }
        // What the fast reader does not take, the locale's own parser may.
        const QDateTime parsed = m_locale.toDateTime(trimmed, m_dateFormat + QLatin1Char(' ') + m_timeFormat);
        if (parsed.isValid())
            return DateTimeToValue(parsed.date(), parsed.time());
        const QDate dateOnly = m_locale.toDate(trimmed, m_dateFormat);
        if (dateOnly.isValid())
            return DateTimeToValue(dateOnly, QTime(0, 0));
    }
    if (error)
        *error = QStringLiteral("'%1' is not a valid date and time").arg(text);
    return std::nullopt;
}

QString DateTimeValueToText(double value)
{
    return TDateTimeText().toText(value);
}

std::optional<double> DateTimeValueFromText(const QString& text, QString* error)
{
    return TDateTimeText().fromText(text, error);
}
