#include "queue/TFileExistsPrompt.h"

#include <cstring>

#include "engine/EFTPFileAlreadyExistsException.h"
#include "queue/TQueueItem.h"

TFileExistsPrompt::TKind TFileExistsPrompt::kindOf(const EFTPFileAlreadyExistsException& error)
{
    const char* name = error.ClassName();
    if (std::strcmp(name, "EFTLocalFileSmallerAlreadyExists") == 0)
        return TKind::LocalFileSmallerAlreadyExists;
    if (std::strcmp(name, "EFTRemoteFileAlreadyExists") == 0)
        return TKind::RemoteFileAlreadyExists;
    if (std::strcmp(name, "EFTRemoteFileSmallerAlreadyExists") == 0)
        return TKind::RemoteFileSmallerAlreadyExists;
    return TKind::LocalFileAlreadyExists;
}

bool TFileExistsPrompt::isSmallerKind(TKind kind)
{
    return kind == TKind::LocalFileSmallerAlreadyExists || kind == TKind::RemoteFileSmallerAlreadyExists;
}

TFileExistsPrompt TFileExistsPrompt::fromError(TQueueItem& item, const EFTPFileAlreadyExistsException& error)
{
    TFileExistsPrompt prompt;
    prompt.ErrorClassName = QString::fromLatin1(error.ClassName());
    prompt.Kind = kindOf(error);
    prompt.Download =
        prompt.Kind == TKind::LocalFileAlreadyExists || prompt.Kind == TKind::LocalFileSmallerAlreadyExists;
    prompt.ResumeAllowed = isSmallerKind(prompt.Kind);
    prompt.ShortDescription = error.ShortDescription;
    prompt.LongDescription = error.LongDescription;
    try {
        prompt.LocalFilename = item.GetLocalFilename();
        prompt.RemoteFilename = item.GetRemoteFilename();
    } catch (const EEngineError&) {
        // A path that cannot be derived never got as far as a file-exists check.
    }
    prompt.Filename = prompt.Download ? prompt.LocalFilename : prompt.RemoteFilename;
    prompt.LocalSize = error.LocalSize;
    prompt.RemoteSize = error.RemoteSize;
    prompt.LocalDate = error.LocalDate;
    prompt.RemoteDate = error.RemoteDate;
    return prompt;
}

const char* TFileExistsPrompt::settingName(TKind kind)
{
    switch (kind) {
    case TKind::LocalFileAlreadyExists:
        return "LocalFileAlreadyExistsAction";
    case TKind::LocalFileSmallerAlreadyExists:
        return "LocalFileSmallerAlreadyExistsAction";
    case TKind::RemoteFileAlreadyExists:
        return "RemoteFileAlreadyExistsAction";
    case TKind::RemoteFileSmallerAlreadyExists:
        return "RemoteFileSmallerAlreadyExistsAction";
    }
    return "";
}
