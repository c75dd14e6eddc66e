#pragma once

#include <functional>

#include <QString>

class QLineEdit;
class QWidget;

// Helpers the dialogs share. User-interface thread only.

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
