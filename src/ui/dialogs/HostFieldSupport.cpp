#include "ui/dialogs/HostFieldSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

#include "core/TMainConfig.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TPortKeyFilter.h"

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

QWidget* TLoginFields::buildPage(QCheckBox* extra)
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("GeneralTabSheet"));
    Hostname = NewDialogEdit("HostnameEdit", page);
    Port = NewDialogEdit("PortEdit", page);
    Port->setMaxLength(5);
    Port->setFixedWidth(Port->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    PortFilter = new TPortKeyFilter(Port, QString(), QString());
    Anonymous = NewDialogCheckBox("IsAnonymousCheckBox", page);
    Username = NewDialogEdit("UsernameEdit", page);
    Password = NewDialogEdit("PasswordEdit", page);
    Passive = NewDialogCheckBox("PassiveTransfersCheckBox", page);
    HostID = new QLabel(page);
    HostID->setObjectName(QStringLiteral("HostIDLabel"));
    HostID->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Room for the longest ID text, so showing a host does not resize the window.
    HostID->setMinimumWidth(HostID->fontMetrics().horizontalAdvance(
                                QStringLiteral("Host-ID: {00000000-0000-0000-0000-000000000000}")) +
                            16);

    auto* grid = new QGridLayout(page);
    grid->addWidget(NewBuddyLabel("HostnameLabel", Hostname, page), 0, 0);
    grid->addWidget(Hostname, 0, 1);
    grid->addWidget(NewBuddyLabel("PortLabel", Port, page), 0, 2);
    grid->addWidget(Port, 0, 3);
    grid->addWidget(Anonymous, 1, 1, 1, 3);
    grid->addWidget(NewBuddyLabel("UsernameLabel", Username, page), 2, 0);
    grid->addWidget(Username, 2, 1, 1, 3);
    grid->addWidget(NewBuddyLabel("PasswordLabel", Password, page), 3, 0);
    grid->addWidget(Password, 3, 1, 1, 3);
    grid->addWidget(Passive, 4, 1, 1, 3);
    if (extra)
        grid->addWidget(extra, 5, 1, 1, 3);
    grid->addWidget(HostID, 7, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(6, 1);
    return page;
}

QWidget* TDirectoryFields::buildPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("DirectoriesTabSheet"));
    Local = NewDialogEdit("InitialLocalDirectoryEdit", page);
    Browse = NewDialogButton("BrowseInitialDirectoryButton", page);
    Remote = NewDialogEdit("InitialRemoteDirectoryEdit", page);

    auto* layout = new QGridLayout(page);
    layout->addWidget(NewBuddyLabel("InitialLocalDirectoryLabel", Local, page), 0, 0, 1, 2);
    layout->addWidget(Local, 1, 0);
    layout->addWidget(Browse, 1, 1);
    layout->addWidget(NewBuddyLabel("InitialRemoteDirectoryLabel", Remote, page), 2, 0, 1, 2);
    layout->addWidget(Remote, 3, 0, 1, 2);
    layout->setRowStretch(4, 1);
    return page;
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
