#pragma once

#include <functional>
#include <string>

#include <QString>

#include "engine/TLogKind.h"
#include "ftp/Reply.h"

// Turns the control connection's traffic into log entries: each command sent is
// one entry (a password never appears in clear), each reply one entry, and a
// multi-line reply ("220-" ... "220 ") one entry holding all its lines.
//
// Replies come framed by the protocol layer's reply parser, the one the client
// itself acts on: the log cannot take lines inside a multi-line reply ("211",
// "999-hidden") for the start or end of another and hide what follows, and it
// keeps nothing between replies.
//
// Used by one thread at a time (the one running the connection's operation).
class TControlLog final
{
public:
    using Sink = std::function<void(TLogKind kind, const QString& text)>;

    explicit TControlLog(Sink sink);

    void sent(const std::string& line);
    // One entry: the reply's lines as received, joined with CR LF.
    void received(const ftp::Reply& reply);

    // "PASS anything" -> "PASS ******"; other lines trimmed.
    static QString shownCommand(const std::string& line);

private:
    Sink m_sink;
};
