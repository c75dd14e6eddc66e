#include "engine/TControlLog.h"

#include <utility>

TControlLog::TControlLog(Sink sink)
    : m_sink(std::move(sink))
{}

QString TControlLog::shownCommand(const std::string& line)
{
    const QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())).trimmed();
    if (text.startsWith(QLatin1String("PASS "), Qt::CaseInsensitive) ||
        text.compare(QLatin1String("PASS"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("PASS ******");
    return text;
}

void TControlLog::sent(const std::string& line)
{
    m_sink(TLogKind::lkCommand, shownCommand(line));
}

void TControlLog::received(const ftp::Reply& reply)
{
    std::string text;
    for (const std::string& line : reply.lines) {
        if (!text.empty())
            text += "\r\n";
        text += line;
    }
    const QString entry = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
    if (!entry.isEmpty())
        m_sink(TLogKind::lkReply, entry);
}
