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

bool TQueueManager::RunFileExistsPromptStep()
{
    // Never nested in a stop, delete or clear that waits for its threads.
    if (m_promptOpen || m_destroying || m_stopWaits > 0)
        return false;
    const bool timerWasActive = m_retryTimer.isActive();
    m_retryTimer.stop();

    TFileExistsPrompt answered;
    QString answeredClass;
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
            if (item->FileExistsAction == TFileAlreadyExistsAction::faeSkip) {
                // The item's action says skip: the answer is known without asking,
                // and the walk goes on to the next item.
                item->LastError.reset();
                autoSkipped = true;
                continue;
            }
            TFileExistsPrompt prompt = TFileExistsPrompt::fromError(*item, *exists);
            if (m_prompter) {
                // The prompt's loop serves the threads meanwhile; a handler may
                // delete the item, which stays allocated until the hold ends.
                THold hold(*this);
                m_promptOpen = true;
                m_prompter->prompt(prompt);
                m_promptOpen = false;
            } else {
                continue;
            }
            prompted = true;
            // The prompt's loop may have served threads that changed the list.
            if (!m_items.contains(item) || item->m_deleting)
                break;
            answered = prompt;
            answeredClass = prompt.ErrorClassName;
            if (prompt.Accepted) {
                if (prompt.Scope == TFileExistsPrompt::kAllFilesAlways)
                    storeSetting(prompt.Kind, prompt.Choice);
                if (prompt.Choice != TFileAlreadyExistsAction::faeSkip) {
                    item->FileExistsAction = prompt.Choice;
                    item->State = TTransferState::tsAwaiting;
                }
            }
            item->LastError.reset();
        }
        if (timerWasActive && !m_destroying)
            m_retryTimer.start();
    }
    if (prompted && answered.Accepted && answered.Scope != TFileExistsPrompt::kOnlyThisFile)
        applyAnswer(answered, answeredClass);
    Schedule();
    return autoSkipped || (prompted && answered.Accepted);
}

void TQueueManager::applyAnswer(const TFileExistsPrompt& prompt, const QString& errorClass)
{
    QMutexLocker lock(&m_itemsLock);
    const QByteArray className = errorClass.toLatin1();
    for (qsizetype i = m_items.size() - 1; i >= 0; --i) {
        TQueueItem* item = m_items[i];
        if (!item->LastError || item->Transfer ||
            std::strcmp(item->LastError->ClassName(), className.constData()) != 0)
            continue;
        item->LastError.reset();
        if (prompt.Choice != TFileAlreadyExistsAction::faeSkip) {
            item->FileExistsAction = prompt.Choice;
            item->State = TTransferState::tsAwaiting;
        }
    }
}
