#include "ui/main/CheckDefaultFTPProgram.h"

#include "core/TMainConfig.h"
#include "ui/dialogs/TMessageDialog.h"

void CheckDefaultFTPProgram(QWidget* parent, const TFormLanguage& language)
{
    TMainConfig* config = MainConfig();
    if (!config || config->DefaultFTPProgram())
        return;
    const int answer =
        ShowRememberedDialog(parent, language, QStringLiteral("IDS_54"), {},
                             TMessageRequest::TType::Confirmation, QMessageBox::Yes | QMessageBox::No, 0);
    // A failed registration is not reported.
    if (answer == 6)
        config->SetDefaultFTPProgram(true);
}
