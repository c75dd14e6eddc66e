#include "core/FileTimes.h"

#include <QFileInfo>
#include <QLocale>

namespace {

// The packed date keeps year - 1980 in seven bits; the packed value is read as a
// signed 32-bit number, so its top bit (year 2044 on) makes it negative.
constexpr int kFirstYear = 1980;
constexpr int kLastYear = 2043;

} // namespace

QString FormatWithoutTimeZone(const QString& format)
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

QDateTime FileTimeToDateTime(const QDateTime& fileTime)
{
    if (!fileTime.isValid())
        return {};
    const QDateTime local = fileTime.toLocalTime();
    const QDate date = local.date();
    if (date.year() < kFirstYear || date.year() > kLastYear)
        return {};
    const QTime time = local.time();
    return QDateTime(date, QTime(time.hour(), time.minute(), time.second() - time.second() % 2),
                     Qt::LocalTime);
}

QDateTime GetFileDateTime(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return FileTimeToDateTime(info.lastModified());
}

QString FileTimeToText(const QDateTime& fileTime)
{
    const QDateTime local = FileTimeToDateTime(fileTime);
    if (!local.isValid())
        return QString();
    const QLocale locale;
    return locale.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(local.time(), FormatWithoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}
