#pragma once

#include <QString>
#include <QtGlobal>

#include "core/TFileAlreadyExistsAction.h"

class EFTPFileAlreadyExistsException;
class TQueueItem;

// Everything the "File already exists" prompt shows, and the answer. One value
// object per prompt: the window fills its dialog from it, the command-line tool
// prints it, and both write the answer back into it.
struct TFileExistsPrompt
{
    // The four file-exists kinds, each with its own setting for "For all files always".
    enum class TKind
    {
        LocalFileAlreadyExists,        // download; local file at least as large
        LocalFileSmallerAlreadyExists, // download; local file smaller
        RemoteFileAlreadyExists,       // upload; remote file at least as large
        RemoteFileSmallerAlreadyExists // upload; remote file smaller
    };
    // Scope of the answer.
    static constexpr int kOnlyThisFile = 0;
    static constexpr int kAllFilesInQueue = 1;
    static constexpr int kAllFilesAlways = 2;
    // Seconds until an unanswered prompt counts as Skip for this file only.
    static constexpr int kCountdownSeconds = 30;

    TKind Kind = TKind::LocalFileAlreadyExists;
    QString ErrorClassName; // "EFTLocalFileAlreadyExists" ...
    QString ShortDescription;
    QString LongDescription;
    // The path shown: the remote path for the upload kinds, the local path for the
    // download kinds. LocalFilename always names the local file (its type's icon).
    QString Filename;
    QString LocalFilename;
    QString RemoteFilename;
    qint64 LocalSize = 0;
    qint64 RemoteSize = 0;
    QString LocalDate;
    QString RemoteDate;
    bool Download = true;
    // Resume is offered only when the target is smaller than the source.
    bool ResumeAllowed = false;

    // The answer. Accepted: the prompt closed with OK (any button, the countdown,
    // Escape); otherwise nothing is changed.
    TFileAlreadyExistsAction Choice = TFileAlreadyExistsAction::faeAsk;
    int Scope = kOnlyThisFile;
    bool Accepted = false;

    static TKind kindOf(const EFTPFileAlreadyExistsException& error);
    // The kinds whose target is smaller than the source (Resume is possible).
    static bool isSmallerKind(TKind kind);
    // Filled from a queue item and the error it holds.
    static TFileExistsPrompt fromError(TQueueItem& item, const EFTPFileAlreadyExistsException& error);
    // The setting an answer with the scope "For all files always" is stored in.
    static const char* settingName(TKind kind);
};

// Shows the prompt and waits for the answer, on the main thread. The window
// implements it with its dialog, the command-line tool on the terminal. While the
// prompt waits, the implementation keeps serving the main thread's events (a
// modal dialog, a local event loop), so running transfers go on.
class IFileExistsPrompter
{
public:
    virtual ~IFileExistsPrompter() = default;
    // Fills Choice, Scope and Accepted.
    virtual void prompt(TFileExistsPrompt& prompt) = 0;
};
