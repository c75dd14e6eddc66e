#pragma once

#include <functional>

#include <QString>
#include <QStringList>

class QWidget;

// The save and open dialogs of the queue file commands, as one request a test can
// answer instead of a dialog on the screen.
struct TQueueFileRequest
{
    bool Save = true;        // a save dialog; otherwise an open dialog
    QString Directory;       // the initial folder
    QString FileName;        // the initial file name
    QString DefaultSuffix;   // without the dot
    QStringList NameFilters; // Qt name filters, "XML Files (*.xml)"
    int FilterIndex = 0;     // the filter selected at first (0-based)
    QString Chosen;          // the answer: the file chosen, empty when cancelled
};

// Fills Chosen (or leaves it empty for Cancel) and returns whether a file was chosen.
using TQueueFileChooser = std::function<bool(QWidget* parent, TQueueFileRequest& request)>;

// The dialogs themselves (QFileDialog).
bool ChooseQueueFile(QWidget* parent, TQueueFileRequest& request);

// Qt name filters of a filter text of the form "Description|mask|Description|mask"
// (the queue dialogs' IDS_29). The mask "*.*" stands for every file, also names
// without a dot, and is written "*"; a description ending in its mask in
// parentheses keeps its wording: "All files (*.*)|*.*" gives "All files (*)".
QStringList QueueFileNameFilters(const QString& filterText);
