#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <QString>

#include "engine/TLogKind.h"

// Turns the control connection's traffic into log entries: each command sent is
// one entry (a password never appears in clear), each reply one entry, and a
// multi-line reply ("220-" ... "220 ") one entry holding all its lines.
//
// Received text arrives in pieces as the socket delivers them, which may split a
// line (or a character) anywhere; pieces are first joined into whole lines, so a
// reply delivered byte by byte still gives one entry, and a multi-line reply that
// arrives in a single piece is logged at once.
//
// Used by one thread at a time (the one running the connection's operation).
class TControlLog final
{
public:
    using Sink = std::function<void(TLogKind kind, const QString& text)>;

    explicit TControlLog(Sink sink);

    void sent(const std::string& line);
    void received(std::string_view piece);
    // Forgets a half-received line and an unfinished multi-line reply (a new connection).
    void reset();

    // "PASS anything" -> "PASS ******"; other lines trimmed.
    static QString shownCommand(const std::string& line);

private:
    void receivedLine(const QString& line);

    Sink m_sink;
    std::string m_partialLine;
    QString m_replyBuffer;
};
