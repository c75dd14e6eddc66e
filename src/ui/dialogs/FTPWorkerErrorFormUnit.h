#pragma once

#include <functional>
#include <memory>

#include <QDialog>
#include <QString>

#include "ui/dialogs/TFormLanguage.h"

class EEngineError;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Error": shows an error of the browsing session with its short text, its
// explanation and, when a server reply caused it, what the server said. Closed
// by OK, Enter or Escape.
//
// Usage: ShowWorkerError(this, worker.TakePendingError(), log) from the
// window's handler of the worker's error event; or build one, setError(), exec().
// User-interface thread only.
class TFTPWorkerErrorForm final : public QDialog
{
    Q_OBJECT

public:
    explicit TFTPWorkerErrorForm(QWidget* parent = nullptr);

    // Short text := the error's message; long text := LongDescription for an
    // EFTPTransferException, empty for any other error; the server's reply
    // (code and text) when the error carries one.
    void setError(const EEngineError& error);
    void setShortDescription(const QString& text);
    void setLongDescription(const QString& text);
    // An empty text hides the reply box.
    void setServerText(const QString& text);

    // The window's handler of a worker error: nothing for no error; otherwise
    // the debug line "Got WM_WORKERERROR: <class>" goes to `debugLog`, the
    // dialog is shown modally on `parent`, and the error object is freed
    // whatever happens. A failure to show the dialog is logged, never thrown.
    // Returns whether the dialog was shown.
    using TDebugLog = std::function<void(const QString& line)>;
    static bool ShowWorkerError(QWidget* parent, std::unique_ptr<EEngineError> error,
                                const TDebugLog& debugLog = {});

    // Replaces the modal loop while set (tests): called with the filled dialog.
    using TShowHook = std::function<void(TFTPWorkerErrorForm& form)>;
    static void setShowHook(TShowHook hook);

private:
    TFormLanguage m_language;
    QLabel* m_icon = nullptr;
    QLabel* m_shortDescription = nullptr;
    QPlainTextEdit* m_longDescription = nullptr;
    QLabel* m_serverReplyLabel = nullptr;
    QPlainTextEdit* m_serverText = nullptr;
    QPushButton* m_ok = nullptr;
};
