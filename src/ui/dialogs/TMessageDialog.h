#pragma once

#include <functional>

#include <QMessageBox>
#include <QString>

class TFormLanguage;
class QWidget;

// What a message box shows and what it answered: one value per question, so a
// test can answer it (setAnswerer) instead of a modal box on the screen.
struct TMessageRequest
{
    enum class TType
    {
        Warning,
        Error,
        Information,
        Confirmation,
    };
    TType Type = TType::Information;
    QString Caption; // empty: the type's caption from the window's table
    QString Text;
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
    QMessageBox::StandardButton DefaultButton = QMessageBox::NoButton;
    // A "don't show again" check box, when its text is not empty.
    QString CheckBoxText;
    bool Checked = false;
    // The answer: the button pressed (QMessageBox::StandardButton).
    int Result = QMessageBox::NoButton;
};

// Shows message boxes in the window's language (button and type captions from
// stDlgsCaptions/stStrings of its table).
class TMessageDialog final
{
public:
    // Answers every request instead of the screen while set (tests).
    using TAnswerer = std::function<void(TMessageRequest&)>;
    static void setAnswerer(TAnswerer answerer);

    // Modal on `parent`; fills Result and Checked and returns Result.
    static int show(QWidget* parent, const TFormLanguage& language, TMessageRequest& request);

    // The results of the original platform's message boxes (1 OK, 2 Cancel, 6
    // Yes, 7 No), as the remembered answers are stored in the settings.
    static int toStoredResult(int standardButton);
    static int fromStoredResult(int stored);
};

// A message box with a "Don't show this ... again" check box whose answer is
// remembered in the settings under "<key>DialogDefault" (0: ask). Once
// remembered, nothing is shown and `assumedAnswer` (when not 0) or the stored
// answer is returned. Results are stored results (6 Yes, 7 No ...).
int ShowRememberedDialog(QWidget* parent, const TFormLanguage& language, const QString& key,
                         const QStringList& args, TMessageRequest::TType type,
                         QMessageBox::StandardButtons buttons, int assumedAnswer);
