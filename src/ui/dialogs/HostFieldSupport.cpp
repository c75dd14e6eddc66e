#include "ui/dialogs/HostFieldSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>

#include "core/TMainConfig.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/TFormLanguage.h"

namespace {

constexpr int kDefaultPort = 21;

} // namespace

int PortOfEdit(const QLineEdit* edit)
{
    bool ok = false;
    const int port = edit ? edit->text().trimmed().toInt(&ok) : 0;
    return ok && port >= 1 && port <= 65535 ? port : kDefaultPort;
}

void ApplyAnonymousLogin(bool anonymous, QLineEdit* username, QLineEdit* password)
{
    if (anonymous) {
        username->setText(QStringLiteral("anonymous"));
        password->setText(MainConfig() ? MainConfig()->AnonymousEmail() : QString());
    }
    username->setEnabled(!anonymous);
    password->setEnabled(!anonymous);
    SetupPasswordEdit(password, anonymous);
}

QWidget* TProxyFields::buildPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("ProxyTabSheet"));
    UseDefault = NewDialogCheckBox("UseDefaultProxySettingsCheckBox", page);
    Type = new QComboBox(page);
    Type->setObjectName(QStringLiteral("ProxyTypeComboBox"));
    for (int i = 0; i < kTypeItems; ++i)
        Type->addItem(QString());
    Host = NewDialogEdit("ProxyHostEdit", page);
    Port = NewDialogEdit("ProxyPortEdit", page);
    Username = NewDialogEdit("ProxyUsernameEdit", page);
    Password = NewDialogEdit("ProxyPasswordEdit", page);

    auto* form = new QFormLayout(page);
    form->addRow(UseDefault);
    form->addRow(NewBuddyLabel("ProxyTypeLabel", Type, page), Type);
    form->addRow(NewBuddyLabel("ProxyHostLabel", Host, page), Host);
    form->addRow(NewBuddyLabel("ProxyPortLabel", Port, page), Port);
    form->addRow(NewBuddyLabel("ProxyUsernameLabel", Username, page), Username);
    form->addRow(NewBuddyLabel("ProxyPasswordLabel", Password, page), Password);
    return page;
}

void TProxyFields::applyLanguage(const TFormLanguage& language)
{
    const std::optional<QString> items = language.table().property(TTranslationSection::stMultiLines,
                                                                   QStringLiteral("ProxyTypeComboBox.Items"));
    if (!items)
        return;
    const QStringList names = items->split(u'\n');
    for (int i = 0; i < kTypeItems && i < names.size(); ++i)
        Type->setItemText(i, names.at(i));
}

void TProxyFields::showForUseDefault(const TIdFtpProxySettings& own)
{
    const bool useDefault = UseDefault->isChecked();
    show(useDefault ? settingsDefault() : own);
    setEditable(!useDefault);
}

void TProxyFields::show(const TIdFtpProxySettings& proxy)
{
    const int type = static_cast<int>(proxy.ProxyType);
    if (type >= 0 && type < kTypeItems)
        Type->setCurrentIndex(type);
    Host->setText(proxy.Host);
    Port->setText(QString::number(proxy.Port));
    Username->setText(proxy.UserName);
    Password->setText(proxy.Password);
}

void TProxyFields::readInto(TIdFtpProxySettings& proxy) const
{
    proxy.ProxyType = static_cast<TIdFtpProxyType>(Type->currentIndex());
    proxy.Host = Host->text();
    proxy.Port = PortOfEdit(Port);
    proxy.UserName = Username->text();
    proxy.Password = Password->text();
}

void TProxyFields::setEditable(bool editable)
{
    for (QWidget* control :
         {static_cast<QWidget*>(Type), static_cast<QWidget*>(Host), static_cast<QWidget*>(Port),
          static_cast<QWidget*>(Username), static_cast<QWidget*>(Password)})
        control->setEnabled(editable);
}

TIdFtpProxySettings TProxyFields::settingsDefault()
{
    TIdFtpProxySettings proxy;
    if (const TMainConfig* config = MainConfig()) {
        proxy.ProxyType = config->DefaultProxyType();
        proxy.Host = config->DefaultProxyHost();
        proxy.Port = config->DefaultProxyPort();
        proxy.UserName = config->DefaultProxyUsername();
        proxy.Password = config->DefaultProxyPassword();
    }
    return proxy;
}
