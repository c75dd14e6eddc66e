#include "ui/dialogs/DialogSupport.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QWidget>

namespace {

TFolderChooser& folderChooser()
{
    static TFolderChooser chooser;
    return chooser;
}

} // namespace

void SetupPasswordEdit(QLineEdit* edit, bool showPlain)
{
    if (edit)
        edit->setEchoMode(showPlain ? QLineEdit::Normal : QLineEdit::Password);
}

bool FocusFirstControl(QWidget* container)
{
    if (!container)
        return false;
    // The focus chain runs through the whole window; the first widget of it that
    // lies inside the container is the topmost control of the page.
    for (QWidget* widget = container->nextInFocusChain(); widget && widget != container;
         widget = widget->nextInFocusChain()) {
        if (!container->isAncestorOf(widget))
            continue;
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() && widget->isVisibleTo(container) &&
            !widget->focusProxy()) {
            widget->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return false;
}

QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder)
{
    if (folderChooser())
        return folderChooser()(owner, title, initialFolder);
    return QFileDialog::getExistingDirectory(owner, title, initialFolder, QFileDialog::ShowDirsOnly);
}

void SetFolderChooser(TFolderChooser chooser)
{
    folderChooser() = std::move(chooser);
}
