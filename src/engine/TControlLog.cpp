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

void TControlLog::received(std::string_view piece)
{
    m_partialLine.append(piece);
    std::size_t start = 0;
    for (std::size_t lf; (lf = m_partialLine.find('\n', start)) != std::string::npos; start = lf + 1)
        receivedLine(QString::fromUtf8(m_partialLine.data() + start, static_cast<qsizetype>(lf + 1 - start)));
    m_partialLine.erase(0, start);
}

void TControlLog::receivedLine(const QString& line)
{
    if (m_replyBuffer.isEmpty()) {
        // RFC 959 section 4.2: "123-" opens a multi-line reply.
        if (line.size() > 3 && line.indexOf(QLatin1Char('-')) == 3) {
            m_replyBuffer = line;
            return;
        }
        const QString entry = line.trimmed();
        if (!entry.isEmpty())
            m_sink(TLogKind::lkReply, entry);
        return;
    }
    // The reply ends with a line holding the same code followed by a space (or by
    // nothing). Other lines, even whole replies in between, belong to the entry.
    m_replyBuffer += line;
    const QString code = m_replyBuffer.left(3);
    QString bare = line;
    while (bare.endsWith(QLatin1Char('\n')) || bare.endsWith(QLatin1Char('\r')))
        bare.chop(1);
    if (bare.startsWith(code) && (bare.size() == 3 || bare.at(3) == QLatin1Char(' '))) {
        m_sink(TLogKind::lkReply, m_replyBuffer.trimmed());
        m_replyBuffer.clear();
    }
}

void TControlLog::reset()
{
    m_partialLine.clear();
    m_replyBuffer.clear();
}
