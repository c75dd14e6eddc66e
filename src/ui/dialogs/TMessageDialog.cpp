#include "ui/dialogs/TMessageDialog.h"

#include <QCheckBox>
#include <QPushButton>

#include "core/TMainConfig.h"
#include "ui/dialogs/TFormLanguage.h"

namespace {

TMessageDialog::TAnswerer& answerer()
{
    static TMessageDialog::TAnswerer instance;
    return instance;
}

QString typeCaption(const TFormLanguage& language, TMessageRequest::TType type)
{
    switch (type) {
    case TMessageRequest::TType::Warning:
        return language.text(QStringLiteral("strWarning"));
    case TMessageRequest::TType::Error:
        return language.text(QStringLiteral("strError"));
    case TMessageRequest::TType::Information:
        return language.text(QStringLiteral("strInformation"));
    case TMessageRequest::TType::Confirmation:
        return language.text(QStringLiteral("strConfirm"));
    }
    return {};
}

QMessageBox::Icon iconOf(TMessageRequest::TType type)
{
    switch (type) {
    case TMessageRequest::TType::Warning:
        return QMessageBox::Warning;
    case TMessageRequest::TType::Error:
        return QMessageBox::Critical;
    case TMessageRequest::TType::Information:
        return QMessageBox::Information;
    case TMessageRequest::TType::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// A button caption: the window's own string (strYes ...) first, then the
// standard dialog captions of its table.
QString buttonCaption(const TFormLanguage& language, QMessageBox::StandardButton button)
{
    const auto pick = [&](const char* key, const char* dialogName) {
        QString text = language.text(QString::fromLatin1(key));
        if (text.isEmpty())
            text = language.dialogCaption(QString::fromLatin1(dialogName));
        return text;
    };
    switch (button) {
    case QMessageBox::Yes:
        return pick("strYes", "Yes");
    case QMessageBox::No:
        return pick("strNo", "No");
    case QMessageBox::Cancel:
        return pick("strCancel", "Cancel");
    case QMessageBox::Help:
        return pick("strHelp", "Help");
    case QMessageBox::Ok:
        return language.dialogCaption(QStringLiteral("OK"), QStringLiteral("OK"));
    case QMessageBox::Abort:
        return language.dialogCaption(QStringLiteral("Abort"));
    case QMessageBox::Retry:
        return language.dialogCaption(QStringLiteral("Retry"));
    case QMessageBox::Ignore:
        return language.dialogCaption(QStringLiteral("Ignore"));
    default:
        return {};
    }
}

} // namespace

void TMessageDialog::setAnswerer(TAnswerer answerer)
{
    ::answerer() = std::move(answerer);
}

int TMessageDialog::show(QWidget* parent, const TFormLanguage& language, TMessageRequest& request)
{
    if (request.Caption.isEmpty())
        request.Caption = typeCaption(language, request.Type);
    if (::answerer()) {
        ::answerer()(request);
        return request.Result;
    }
    QMessageBox box(iconOf(request.Type), request.Caption, request.Text, request.Buttons, parent);
    box.setObjectName(QStringLiteral("MessageDialog"));
    for (QAbstractButton* button : box.buttons()) {
        const QString text = buttonCaption(language, box.standardButton(button));
        if (!text.isEmpty())
            button->setText(text);
        button->setAccessibleName(TFormLanguage::withoutMnemonic(button->text()));
    }
    if (request.DefaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.DefaultButton);
    QCheckBox* check = nullptr;
    if (!request.CheckBoxText.isEmpty()) {
        check = new QCheckBox(request.CheckBoxText, &box);
        check->setObjectName(QStringLiteral("DontShowAgainCheckBox"));
        check->setToolTip(request.CheckBoxText);
        check->setAccessibleName(request.CheckBoxText);
        box.setCheckBox(check);
    }
    box.setAccessibleName(request.Caption);
    box.setAccessibleDescription(request.Text);
    request.Result = box.exec();
    request.Checked = check && check->isChecked();
    return request.Result;
}

int TMessageDialog::toStoredResult(int standardButton)
{
    switch (standardButton) {
    case QMessageBox::Ok:
        return 1;
    case QMessageBox::Cancel:
        return 2;
    case QMessageBox::Abort:
        return 3;
    case QMessageBox::Retry:
        return 4;
    case QMessageBox::Ignore:
        return 5;
    case QMessageBox::Yes:
        return 6;
    case QMessageBox::No:
        return 7;
    default:
        return 0;
    }
}

int TMessageDialog::fromStoredResult(int stored)
{
    switch (stored) {
    case 1:
        return QMessageBox::Ok;
    case 2:
        return QMessageBox::Cancel;
    case 3:
        return QMessageBox::Abort;
    case 4:
        return QMessageBox::Retry;
    case 5:
        return QMessageBox::Ignore;
    case 6:
        return QMessageBox::Yes;
    case 7:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

int ShowRememberedDialog(QWidget* parent, const TFormLanguage& language, const QString& key,
                         const QStringList& args, TMessageRequest::TType type,
                         QMessageBox::StandardButtons buttons, int assumedAnswer)
{
    const QString valueName = QStringLiteral("%1DialogDefault").arg(key);
    TMainConfig* config = MainConfig();
    const int stored = config ? config->GetValue(valueName, 0).toInt() : 0;
    if (stored != 0)
        return assumedAnswer != 0 ? assumedAnswer : stored;
    TMessageRequest request;
    request.Type = type;
    QString text = language.text(key);
    for (const QString& arg : args) {
        const qsizetype at = text.indexOf(QLatin1String("%s"));
        if (at < 0)
            break;
        text.replace(at, 2, arg);
    }
    request.Text = text;
    request.Buttons = buttons;
    request.Caption = typeCaption(language, type);
    request.CheckBoxText =
        language.text(QStringLiteral("IDS_52")).replace(QLatin1String("%s"), request.Caption.toLower());
    const int result = TMessageDialog::toStoredResult(TMessageDialog::show(parent, language, request));
    if (request.Checked && config)
        config->SetValue(valueName, result);
    return result;
}
