#pragma once

#include <functional>

#include <QString>
#include <QVariantList>

// Developer diagnostics: text that goes to the debug output (qDebug), never to
// the user.

// Formats like Format() and sends the text to the debug sink.
void DebugOutput(const QString& format, const QVariantList& args = {});

// Where debug texts go; qDebug() by default. Returns the previous sink. Tests
// install their own to see what was written.
using TDebugSink = std::function<void(const QString&)>;
TDebugSink SetDebugSink(TDebugSink sink);

// The text of a failed assertion: "%s (%s, line %d, address $%x)".
QString AssertionText(const QString& message, const QString& fileName, int line, quintptr address);
// Reports a failed assertion to the debug sink and returns: an assertion of ours
// never ends the program.
void AssertionFailed(const char* message, const char* fileName, int line, const void* address);

// Checks a condition the code relies on; a failure is reported, not raised.
#define VANTOR_ASSERT(condition)                                                                             \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::AssertionFailed(#condition, __FILE__, __LINE__, __builtin_return_address(0));                  \
    } while (false)
