#include "ui/main/TLogView.h"

#include <QFontDatabase>
#include <QMetaObject>
#include <QMutexLocker>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "engine/RemoteNames.h"

TLogView::TLogView(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("LogEdit"));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setMaximumBlockCount(kDefaultMaximumLines);
    m_statusFormat.setForeground(colourOf(TLogKind::lkStatus));
    m_commandFormat.setForeground(colourOf(TLogKind::lkCommand));
    m_replyFormat.setForeground(colourOf(TLogKind::lkReply));
    m_errorTextFormat.setForeground(colourOf(TLogKind::lkError));
}

TLogView::~TLogView()
{
    setClosing();
}

QString TLogView::prefixOf(TLogKind kind)
{
    switch (kind) {
    case TLogKind::lkCommand:
        return QStringLiteral("Command> ");
    case TLogKind::lkReply:
        return QStringLiteral("Reply> ");
    default:
        return QStringLiteral("Status> ");
    }
}

QColor TLogView::colourOf(TLogKind kind)
{
    switch (kind) {
    case TLogKind::lkCommand:
        return QColor(128, 128, 128);
    case TLogKind::lkReply:
        return QColor(0, 0, 255);
    case TLogKind::lkError:
        return QColor(192, 0, 0);
    default:
        return QColor(0, 128, 0);
    }
}

void TLogView::AddToLog(TLogKind kind, const QString& text)
{
    if (m_closing.load() || kind == TLogKind::lkDebug)
        return;
    // Some messages (the queue file's) break their lines with CR LF.
    QString line = text;
    if (line.contains(u'\r')) {
        line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        line.replace(u'\r', u'\n');
    }
    // Every line goes through one queue, so the order of the calls is the order
    // of the lines whichever thread made them; the queue is appended at the next
    // turn of the event loop, all of it at once (one edit of the document, not
    // one per line: a burst of lines costs one layout).
    QMutexLocker lock(&m_pendingLock);
    m_pending.push_back({kind, std::move(line)});
    if (!m_flushPosted) {
        m_flushPosted = true;
        QMetaObject::invokeMethod(this, &TLogView::flushPending, Qt::QueuedConnection);
    }
}

void TLogView::flushPending()
{
    std::vector<TLine> lines;
    {
        QMutexLocker lock(&m_pendingLock);
        lines.swap(m_pending);
        m_flushPosted = false;
    }
    appendLines(lines);
}

void TLogView::appendLines(const std::vector<TLine>& lines)
{
    if (lines.empty() || m_closing.load())
        return;
    QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    bool first = document()->isEmpty();
    for (const TLine& line : lines) {
        // A reply of several lines shows each with its prefix; the other lines of
        // a longer message follow in the colour of its text.
        // Names and replies come from servers: their control characters are shown
        // escaped, never handed to the text layout.
        QStringList parts = line.text.split(u'\n');
        for (QString& part : parts)
            part = printableText(part);
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (!first)
                cursor.insertBlock();
            first = false;
            const bool prefixed =
                i == 0 || line.kind == TLogKind::lkReply || line.kind == TLogKind::lkCommand;
            const QString prefix = prefixed ? prefixOf(line.kind) : QString();
            switch (line.kind) {
            case TLogKind::lkCommand:
                cursor.insertText(prefix + parts[i], m_commandFormat);
                break;
            case TLogKind::lkReply:
                cursor.insertText(prefix + parts[i], m_replyFormat);
                break;
            case TLogKind::lkError:
                if (!prefix.isEmpty())
                    cursor.insertText(prefix, m_statusFormat);
                cursor.insertText(parts[i], m_errorTextFormat);
                break;
            default:
                cursor.insertText(prefix + parts[i], m_statusFormat);
                break;
            }
        }
    }
    cursor.endEditBlock();
    if (following)
        bar->setValue(bar->maximum());
}

void TLogView::clearLog()
{
    clear();
}
