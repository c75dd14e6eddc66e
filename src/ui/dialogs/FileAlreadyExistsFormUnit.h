#pragma once

#include <QDialog>
#include <QString>

#include "core/TFileAlreadyExistsAction.h"
#include "queue/TFileExistsPrompt.h"
#include "ui/dialogs/TFormLanguage.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// "File already exists": asks what to do with a transfer whose target exists.
// Every way of closing it is an answer: Overwrite, Resume (only where the
// target is smaller), Skip, Cancel and Escape (both Skip), and the countdown,
// which skips this one file when nobody answered in 30 seconds.
//
// Usage: build one per prompt, setPrompt(), exec(), then answer(prompt) writes
// Choice, Scope and Accepted back. User-interface thread only.
class TFileAlreadyExistsForm final : public QDialog
{
    Q_OBJECT

public:
    explicit TFileAlreadyExistsForm(QWidget* parent = nullptr);

    void setPrompt(const TFileExistsPrompt& prompt);
    void answer(TFileExistsPrompt& prompt) const;

    TFileAlreadyExistsAction Choice() const { return m_choice; }
    int Scope() const { return m_scope; }
    int Countdown() const { return m_countdown; }

    void reject() override;

public slots:
    // One tick of DefaultActionTimer (once a second while the dialog exists).
    void DefaultActionTimerTimer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(TFileAlreadyExistsAction choice);
    void showCountdown();
    void showFilename();

    TFormLanguage m_language;
    TFileAlreadyExistsAction m_choice = TFileAlreadyExistsAction::faeAsk;
    int m_scope = TFileExistsPrompt::kOnlyThisFile;
    int m_countdown = TFileExistsPrompt::kCountdownSeconds;
    QString m_filename;
    QString m_sizeFormat[2];     // local, remote
    QString m_modifiedFormat[2]; // local, remote

    QLabel* m_fileImage = nullptr;
    QLabel* m_shortDescription = nullptr;
    QPlainTextEdit* m_longDescription = nullptr;
    QLabel* m_filenameLabel = nullptr;
    QLabel* m_sizeLabel[2] = {};
    QLabel* m_modifiedLabel[2] = {};
    QComboBox* m_scopeCombo = nullptr;
    QPushButton* m_overwrite = nullptr;
    QPushButton* m_resume = nullptr;
    QPushButton* m_skip = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer* m_timer = nullptr;
};
