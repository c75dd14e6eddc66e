#include "ui/dialogs/DialogSupport.h"

#include <QFileDialog>
#include <QLineEdit>

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
