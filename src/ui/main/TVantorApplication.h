#pragma once

#include <functional>

#include <QApplication>

#include "engine/TLogKind.h"

// The program's application object. An exception that escapes an event handler
// reaches notify(): it is logged through the exception hook and otherwise
// ignored, so it is never shown and never ends the program.
class TVantorApplication final : public QApplication
{
    Q_OBJECT

public:
    using TExceptionHook = std::function<void(TLogKind, const QString&)>;

    TVantorApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Set by the main window (its log); cleared when it closes.
    void setExceptionHook(TExceptionHook hook) { m_hook = std::move(hook); }

    // The log line for an exception: "TransferException: %s", "DirectException:
    // %s" or "Other exception: %s/%s" (class and message).
    static QString describe(const std::exception& error);

private:
    void report(const QString& line);

    TExceptionHook m_hook;
};
