#pragma once

#include <functional>

#include <QKeySequence>
#include <QString>

class QAction;
class QCheckBox;
class QFrame;
class QIcon;
class QLabel;
class QLineEdit;
class QObject;
class QPushButton;
class QWidget;
class TFormLanguage;

// Helpers the dialogs share. User-interface thread only.

// Controls named `name` (the objectName the window's table keys its texts by).
// A push button that Enter does not press unless it is the default button.
QPushButton* NewDialogButton(const char* name, QWidget* parent);
QAction* NewDialogAction(const char* name, QObject* owner, const QKeySequence& shortcut = {});
QAction* NewDialogAction(const char* name, QObject* owner, const QIcon& icon);
// A sunken horizontal line between the parts of a window.
QFrame* NewHorizontalLine(QWidget* parent);

// A wizard's header: the page's caption in bold and the step text on the base
// colour, as a wizard's header usually is, with the wizards' picture at the
// right (the label "HeaderImage", empty where the picture cannot be drawn).
struct TWizardHeader
{
    QWidget* Panel = nullptr;
    QLabel* Status = nullptr; // "StatusLabel"
    QLabel* Step = nullptr;   // "StepLabel"
    QLabel* Image = nullptr;
};
TWizardHeader NewWizardHeader(QWidget* parent);

// A label naming `buddy` (its mnemonic focuses the buddy); `buddy` may be null.
QLabel* NewBuddyLabel(const char* name, QWidget* buddy, QWidget* parent);
QCheckBox* NewDialogCheckBox(const char* name, QWidget* parent);
// An edit whose dropped links go to its window instead of into its text.
QLineEdit* NewDialogEdit(const char* name, QWidget* parent);

// Asks the closing question of an editor with unsaved changes (the message
// `textKey` of `language`) with Yes, No and Cancel: Yes saves, No discards,
// Cancel stays. The answer, QMessageBox::Cancel when the box was closed.
int AskToSaveChanges(QWidget* owner, const TFormLanguage& language, const QString& textKey);

// How an editor dialog closes: with OK (`accepted`) it applies its changes;
// any other way with unsaved changes (`modified`) it asks AskToSaveChanges.
// Stay: keep the dialog open (Cancel, or `apply` failed); Close: close without
// saving; Saved: close, the changes applied.
enum class TEditorClose
{
    Stay,
    Close,
    Saved
};
TEditorClose CloseEditor(QWidget* owner, const TFormLanguage& language, const QString& textKey, bool accepted,
                         bool modified, const std::function<bool()>& apply);

// Masks a password edit, or shows its text in clear when `showPlain` is set
// (the e-mail address that serves as the anonymous password).
void SetupPasswordEdit(QLineEdit* edit, bool showPlain);

// Gives the focus to the first control of `container` in the tab order that can
// take it from the keyboard (enabled and not hidden inside the container), as a
// page of a wizard does when it is shown. False when there is none.
bool FocusFirstControl(QWidget* container);

// The folder chooser, starting at `initialFolder`: the chosen folder, or the
// empty text when the user cancelled.
QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder);

// Answers BrowseForFolder instead of the screen while set (tests); nullptr
// restores the real chooser.
using TFolderChooser =
    std::function<QString(QWidget* owner, const QString& title, const QString& initialFolder)>;
void SetFolderChooser(TFolderChooser chooser);
