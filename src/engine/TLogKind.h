#pragma once

#include <QMetaType>

// What a log line is. The window writes command lines with "Command> ", replies
// with "Reply> ", everything else with "Status> ", and discards debug lines.
enum class TLogKind
{
    lkStatus,
    lkError,
    lkDebug,
    lkCommand,
    lkReply,
};

Q_DECLARE_METATYPE(TLogKind)
