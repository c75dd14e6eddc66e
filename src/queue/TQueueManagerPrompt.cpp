// TQueueManager: the file-exists prompt step.

#include <cstring>

#include "core/TMainConfig.h"
#include "engine/EFTPFileAlreadyExistsException.h"
#include "queue/TQueueManager.h"

namespace {

void storeSetting(TFileExistsPrompt::TKind kind, TFileAlreadyExistsAction choice)
{
    TMainConfig* config = MainConfig();
    if (!config)
        return;
    switch (kind) {
    case TFileExistsPrompt::TKind::LocalFileAlreadyExists:
        config->SetLocalFileAlreadyExistsAction(choice);
        break;
    case TFileExistsPrompt::TKind::LocalFileSmallerAlreadyExists:
        config->SetLocalFileSmallerAlreadyExistsAction(choice);
        break;
    case TFileExistsPrompt::TKind::RemoteFileAlreadyExists:
        config->SetRemoteFileAlreadyExistsAction(choice);
        break;
    case TFileExistsPrompt::TKind::RemoteFileSmallerAlreadyExists:
        config->SetRemoteFileSmallerAlreadyExistsAction(choice);
        break;
    }
}

} // namespace

TFileAlreadyExistsAction& TQueueManager::actionFor(TQueueItem& item, TFileExistsPrompt::TKind kind)
{
    return TFileExistsPrompt::isSmallerKind(kind) ? item.SmallerFileExistsAction : item.FileExistsAction;
}

void TQueueManager::setDefaultFor(TFileExistsPrompt::TKind kind, TFileAlreadyExistsAction action)
{
    switch (kind) {
    case TFileExistsPrompt::TKind::LocalFileAlreadyExists:
        m_defaultLocalExistsAction = action;
        break;
    case TFileExistsPrompt::TKind::LocalFileSmallerAlreadyExists:
        m_defaultLocalSmallerExistsAction = action;
        break;
    case TFileExistsPrompt::TKind::RemoteFileAlreadyExists:
        m_defaultRemoteExistsAction = action;
        break;
    case TFileExistsPrompt::TKind::RemoteFileSmallerAlreadyExists:
        m_defaultRemoteSmallerExistsAction = action;
        break;
    }
}

void TQueueManager::SetDefaultExistsActionsFromSettings()
{
    TMainConfig* config = MainConfig();
    if (!config)
        return;
    m_defaultLocalExistsAction = config->LocalFileAlreadyExistsAction();
    m_defaultLocalSmallerExistsAction = config->LocalFileSmallerAlreadyExistsAction();
    m_defaultRemoteExistsAction = config->RemoteFileAlreadyExistsAction();
    m_defaultRemoteSmallerExistsAction = config->RemoteFileSmallerAlreadyExistsAction();
}

bool TQueueManager::RunFileExistsPromptStep()
{
    // Never nested in a stop, delete or clear that waits for its threads.
    if (m_promptOpen || m_destroying || m_stopWaits > 0)
        return false;
    const bool timerWasActive = m_retryTimer.isActive();
    m_retryTimer.stop();

    TFileExistsPrompt answered;
    bool prompted = false;
    bool autoSkipped = false;
    {
        QMutexLocker lock(&m_itemsLock);
        for (qsizetype i = m_items.size() - 1; i >= 0 && !prompted; --i) {
            TQueueItem* item = m_items[i];
            // A running item's old error is out of date: its thread decides anew.
            if (!item->LastError || item->Transfer || item->m_deleting)
                continue;
            emit Log(TLogKind::lkDebug, QStringLiteral("Got an Exception of type %1!")
                                            .arg(QString::fromLatin1(item->LastError->ClassName())));
            if (const auto* transfer = dynamic_cast<const EFTPTransferException*>(item->LastError.get()))
                emit Log(TLogKind::lkDebug, QStringLiteral(" :: %1 :: %2")
                                                .arg(transfer->ShortDescription, transfer->LongDescription));
            const auto* exists = dynamic_cast<const EFTPFileAlreadyExistsException*>(item->LastError.get());
            if (!exists)
                continue;
            const TFileExistsPrompt::TKind kind = TFileExistsPrompt::kindOf(*exists);
            if (actionFor(*item, kind) == TFileAlreadyExistsAction::faeSkip) {
                // The answer for this kind is known without asking, and the walk
                // goes on to the next item.
                item->LastError.reset();
                autoSkipped = true;
                continue;
            }
            TFileExistsPrompt prompt = TFileExistsPrompt::fromError(*item, *exists);
            if (!m_prompter)
                continue;
            {
                // The prompt's loop serves the threads meanwhile; a handler may
                // delete the item, which stays allocated until the hold ends.
                THold hold(*this);
                m_promptOpen = true;
                m_prompter->prompt(prompt);
                m_promptOpen = false;
                prompted = true;
                if (!m_items.contains(item) || item->m_deleting)
                    break;
            }
            answered = prompt;
            if (prompt.Accepted) {
                if (prompt.Scope == TFileExistsPrompt::kAllFilesAlways) {
                    // Stored for the next start, and taken by the items added from now on.
                    storeSetting(prompt.Kind, prompt.Choice);
                    setDefaultFor(prompt.Kind, prompt.Choice);
                }
                if (prompt.Choice != TFileAlreadyExistsAction::faeSkip) {
                    actionFor(*item, prompt.Kind) = prompt.Choice;
                    item->State = TTransferState::tsAwaiting;
                }
            }
            item->LastError.reset();
        }
        if (timerWasActive && !m_destroying)
            m_retryTimer.start();
    }
    if (prompted && answered.Accepted && answered.Scope != TFileExistsPrompt::kOnlyThisFile)
        applyAnswer(answered);
    Schedule();
    return autoSkipped || (prompted && answered.Accepted);
}

void TQueueManager::applyAnswer(const TFileExistsPrompt& prompt)
{
    QMutexLocker lock(&m_itemsLock);
    const QByteArray className = prompt.ErrorClassName.toLatin1();
    for (qsizetype i = m_items.size() - 1; i >= 0; --i) {
        TQueueItem* item = m_items[i];
        if (!item->LastError || item->Transfer || item->m_deleting ||
            std::strcmp(item->LastError->ClassName(), className.constData()) != 0)
            continue;
        item->LastError.reset();
        if (prompt.Choice != TFileAlreadyExistsAction::faeSkip) {
            actionFor(*item, prompt.Kind) = prompt.Choice;
            item->State = TTransferState::tsAwaiting;
        }
    }
}
