#include "ui/dialogs/TFileExistsDialogPrompter.h"

#include "ui/dialogs/FileAlreadyExistsFormUnit.h"

TFileExistsDialogPrompter::TFileExistsDialogPrompter(QWidget* parent)
    : m_parent(parent)
{}

void TFileExistsDialogPrompter::prompt(TFileExistsPrompt& prompt)
{
    prompt.Accepted = false;
    // On the heap: the parent may be destroyed while the dialog waits, and it
    // takes its children along.
    QPointer<TFileAlreadyExistsForm> form = new TFileAlreadyExistsForm(m_parent);
    form->setPrompt(prompt);
    form->exec();
    if (!form)
        return;
    form->answer(prompt);
    delete form;
}
