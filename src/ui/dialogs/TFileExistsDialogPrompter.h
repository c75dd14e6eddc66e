#pragma once

#include <QPointer>
#include <QWidget>

#include "queue/TFileExistsPrompt.h"

// The queue's file-exists prompter of the window: the "File already exists"
// dialog, modal on the parent widget (which keeps serving the transfer threads'
// calls while it waits). A parent that goes away while the dialog is open
// leaves the prompt unanswered.
class TFileExistsDialogPrompter final : public IFileExistsPrompter
{
public:
    explicit TFileExistsDialogPrompter(QWidget* parent = nullptr);

    void setParentWidget(QWidget* parent) { m_parent = parent; }
    void prompt(TFileExistsPrompt& prompt) override;

private:
    QPointer<QWidget> m_parent;
};
