#pragma once

#include <atomic>
#include <vector>

#include <QMutex>
#include <QPlainTextEdit>
#include <QString>
#include <QTextCharFormat>

#include "engine/TLogKind.h"

// The session log (`LogEdit`): a read-only, fixed-pitch text view that lines are
// appended to, each with the prefix of its kind and in its colour: "Command> "
// lines grey, "Reply> " lines blue, "Status> " lines green for everything else,
// where an error keeps the green prefix and its text is red. Debug lines are
// dropped.
//
// AddToLog may be called from any thread. Lines appear in the order of the calls:
// every call queues its line, and the user-interface thread appends the queue at
// the next turn of its event loop (flushPending() does it at once). The view follows new lines while it is
// scrolled to the end; once the user has scrolled up it stays where it is. It keeps the last maximumLines()
// lines.
class TLogView final : public QPlainTextEdit
{
    Q_OBJECT

public:
    static constexpr int kDefaultMaximumLines = 100000;

    explicit TLogView(QWidget* parent = nullptr);
    ~TLogView() override;

    // Any thread.
    void AddToLog(TLogKind kind, const QString& text);
    // From now on every line is dropped (the window is being destroyed). Any thread.
    void setClosing() { m_closing.store(true); }
    bool isClosing() const { return m_closing.load(); }

    // User-interface thread.
    void clearLog();
    void setMaximumLines(int lines) { setMaximumBlockCount(lines); }
    int maximumLines() const { return maximumBlockCount(); }
    // Appends the lines queued so far (it happens by itself at the next turn of
    // the event loop).
    void flushPending();

    static QString prefixOf(TLogKind kind);
    static QColor colourOf(TLogKind kind);

private:
    struct TLine
    {
        TLogKind kind;
        QString text;
    };

    void appendLines(const std::vector<TLine>& lines);

    std::atomic<bool> m_closing{false};
    QMutex m_pendingLock; // guards the two below
    std::vector<TLine> m_pending;
    bool m_flushPosted = false;
    QTextCharFormat m_statusFormat;
    QTextCharFormat m_commandFormat;
    QTextCharFormat m_replyFormat;
    QTextCharFormat m_errorTextFormat;
};
