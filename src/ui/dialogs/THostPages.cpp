#include "ui/dialogs/THostPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/Dialup.h"
#include "core/Format.h"
#include "core/THost.h"
#include "core/TMainConfig.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TPortKeyFilter.h"

THostPages::THostPages(const TFormLanguage& language, QObject* parent)
    : QObject(parent)
    , m_language(language)
{}

void THostPages::build(QTabWidget* tabs)
{
    m_pages = {m_login.buildPage(), m_directories.buildPage(), buildConnectionPage(), buildSSLPage(),
               m_proxy.buildPage()};
    for (QWidget* page : m_pages)
        tabs->addTab(page, QString());
    SetupPasswordEdit(m_login.Password, false);
    SetupPasswordEdit(m_proxy.Password, false);
    m_dialup->addItem(QString()); // "None", from the table
    m_dialup->addItems(DialupConnectionNames());
    m_dialup->setCurrentIndex(0);

    connect(m_login.Anonymous, &QCheckBox::clicked, this, &THostPages::IsAnonymousCheckBoxClick);
    connect(m_proxy.UseDefault, &QCheckBox::clicked, this, &THostPages::UseDefaultProxySettingsCheckBoxClick);
    connect(m_useDefaultDialup, &QCheckBox::clicked, this,
            &THostPages::UseDefaultDialupConnectionCheckBoxClick);
    connect(m_dialup, &QComboBox::currentIndexChanged, this, &THostPages::DialupConnectionComboBoxChange);
    connect(m_useSSL, &QCheckBox::toggled, this, &THostPages::UseSSLCheckBoxClick);
    connect(m_directories.Browse, &QPushButton::clicked, this,
            &THostPages::BrowseInitialDirectoryButtonClick);
    watchChanges();
    showNone();
}

void THostPages::applyLanguage()
{
    m_proxy.applyLanguage(m_language);
    m_login.PortFilter->setTexts(m_language.text(QStringLiteral("IDS_11")),
                                 m_language.text(QStringLiteral("IDS_10")));
    m_dialup->setItemText(0, m_language.text(QStringLiteral("strNone")));
    if (!m_host)
        m_login.HostID->setText(
            m_language.caption(QStringLiteral("HostIDLabel"), QStringLiteral("Host-ID: N/A")));
}

QList<QWidget*> THostPages::tabOrder() const
{
    return {m_login.Hostname,
            m_login.Port,
            m_login.Anonymous,
            m_login.Username,
            m_login.Password,
            m_login.Passive,
            m_directories.Local,
            m_directories.Browse,
            m_directories.Remote,
            m_dialup,
            m_useDefaultDialup,
            m_disconnectDialup,
            m_useSSL,
            m_legacyCiphers,
            m_withoutCloseNotify,
            m_proxy.UseDefault,
            m_proxy.Type,
            m_proxy.Host,
            m_proxy.Port,
            m_proxy.Username,
            m_proxy.Password};
}

QWidget* THostPages::buildConnectionPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("ConnectionTabSheet"));
    m_dialup = new QComboBox(page);
    m_dialup->setObjectName(QStringLiteral("DialupConnectionComboBox"));
    m_useDefaultDialup = NewDialogCheckBox("UseDefaultDialupConnectionCheckBox", page);
    m_disconnectDialup = NewDialogCheckBox("DisconnectDialupAfterDisconnectCheckBox", page);

    auto* layout = new QGridLayout(page);
    layout->addWidget(NewBuddyLabel("DialupConnectionLabel", m_dialup, page), 0, 0);
    layout->addWidget(m_dialup, 1, 0);
    layout->addWidget(m_useDefaultDialup, 2, 0);
    layout->addWidget(m_disconnectDialup, 3, 0);
    layout->setRowStretch(4, 1);
    return page;
}

QWidget* THostPages::buildSSLPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("SSLTabSheet"));
    m_useSSL = NewDialogCheckBox("UseSSLCheckBox", page);
    m_legacyCiphers = NewDialogCheckBox("AllowLegacyTlsCiphersCheckBox", page);
    m_withoutCloseNotify = NewDialogCheckBox("AcceptDataWithoutCloseNotifyCheckBox", page);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_useSSL);
    layout->addSpacing(8);
    layout->addWidget(m_legacyCiphers);
    layout->addWidget(m_withoutCloseNotify);
    layout->addStretch(1);
    return page;
}

// Every edit, check box and list of the pages reports a change, except while
// a host's values are being filled in.
void THostPages::watchChanges()
{
    const auto report = [this] {
        if (!m_filling)
            emit changed();
    };
    for (QWidget* page : m_pages) {
        for (QLineEdit* edit : page->findChildren<QLineEdit*>())
            connect(edit, &QLineEdit::textChanged, this, report);
        for (QCheckBox* box : page->findChildren<QCheckBox*>())
            connect(box, &QCheckBox::toggled, this, report);
        for (QComboBox* combo : page->findChildren<QComboBox*>())
            connect(combo, &QComboBox::currentIndexChanged, this, report);
    }
}

void THostPages::show(const std::shared_ptr<THost>& host)
{
    m_filling = true;
    m_host = host;
    setPagesEnabled(true);
    m_login.Hostname->setText(host->Hostname);
    m_login.Port->setText(QString::number(host->Port));
    m_login.Username->setText(host->Username);
    m_login.Password->setText(host->Password);
    m_directories.Local->setText(host->InitialLocalDirectory);
    m_directories.Remote->setText(host->InitialRemoteDirectory);
    m_login.Passive->setChecked(host->Passive);
    m_useSSL->setChecked(host->UseSSL);
    m_legacyCiphers->setChecked(host->AllowLegacyTlsCiphers);
    m_withoutCloseNotify->setChecked(host->AcceptDataWithoutCloseNotify);
    UseSSLCheckBoxClick();
    // A host whose own entry is not in the list shows "None", not the entry of
    // the host shown before.
    m_dialup->setCurrentIndex(0);
    m_useDefaultDialup->setChecked(host->UseDefaultDialupConnection);
    UseDefaultDialupConnectionCheckBoxClick();
    m_disconnectDialup->setChecked(host->DisconnectDialupAfterDisconnect);
    m_login.Anonymous->setChecked(host->IsAnonymous);
    IsAnonymousCheckBoxClick();
    m_proxy.UseDefault->setChecked(host->UseDefaultProxySettings);
    UseDefaultProxySettingsCheckBoxClick();
    m_login.HostID->setText(Format(m_language.text(QStringLiteral("strHostID")), {host->HostIDText()}));
    m_filling = false;
}

void THostPages::showNone()
{
    m_filling = true;
    m_host.reset();
    for (QLineEdit* edit : {m_login.Hostname, m_login.Port, m_login.Username, m_login.Password,
                            m_directories.Local, m_directories.Remote})
        edit->clear();
    setPagesEnabled(false);
    m_login.HostID->setText(
        m_language.caption(QStringLiteral("HostIDLabel"), QStringLiteral("Host-ID: N/A")));
    m_filling = false;
}

void THostPages::setPagesEnabled(bool enabled)
{
    // The pages as a whole: the controls keep the states their rules gave them.
    for (QWidget* page : m_pages)
        page->setEnabled(enabled);
}

void THostPages::writeBack() const
{
    if (!m_host)
        return;
    THost& host = *m_host;
    host.Hostname = m_login.Hostname->text();
    host.Port = PortOfEdit(m_login.Port);
    host.Username = m_login.Username->text();
    host.Password = m_login.Password->text();
    host.InitialRemoteDirectory = m_directories.Remote->text();
    host.InitialLocalDirectory = m_directories.Local->text();
    host.IsAnonymous = m_login.Anonymous->isChecked();
    host.Passive = m_login.Passive->isChecked();
    host.UseSSL = m_useSSL->isChecked();
    host.AllowLegacyTlsCiphers = m_legacyCiphers->isChecked();
    host.AcceptDataWithoutCloseNotify = m_withoutCloseNotify->isChecked();
    host.UseDefaultDialupConnection = m_useDefaultDialup->isChecked();
    host.DisconnectDialupAfterDisconnect = m_disconnectDialup->isChecked();
    host.UseDefaultProxySettings = m_proxy.UseDefault->isChecked();
    if (!host.UseDefaultDialupConnection)
        host.DialupConnection = m_dialup->currentIndex() > 0 ? m_dialup->currentText() : QString();
    if (!host.UseDefaultProxySettings)
        m_proxy.readInto(host.ProxySettings);
}

void THostPages::IsAnonymousCheckBoxClick()
{
    ApplyAnonymousLogin(m_login.Anonymous->isChecked(), m_login.Username, m_login.Password);
}

void THostPages::UseDefaultProxySettingsCheckBoxClick()
{
    m_proxy.showForUseDefault(m_host ? m_host->ProxySettings : TIdFtpProxySettings());
}

void THostPages::UseDefaultDialupConnectionCheckBoxClick()
{
    const bool useDefault = m_useDefaultDialup->isChecked();
    QString name;
    if (useDefault)
        name = MainConfig() ? MainConfig()->DefaultDialupConnection() : QString();
    else if (m_host)
        name = m_host->DialupConnection;
    const int index =
        name.isEmpty() ? -1 : m_dialup->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index > 0)
        m_dialup->setCurrentIndex(index);
    m_dialup->setEnabled(!useDefault);
    DialupConnectionComboBoxChange();
}

void THostPages::DialupConnectionComboBoxChange()
{
    m_disconnectDialup->setEnabled(m_dialup->currentIndex() > 0);
}

void THostPages::UseSSLCheckBoxClick()
{
    // The exceptions weaken TLS; without TLS they mean nothing.
    m_legacyCiphers->setEnabled(m_useSSL->isChecked());
    m_withoutCloseNotify->setEnabled(m_useSSL->isChecked());
}

void THostPages::BrowseInitialDirectoryButtonClick()
{
    const QString folder =
        BrowseForFolder(m_directories.Browse->window(), m_language.text(QStringLiteral("IDS_14")),
                        m_directories.Local->text());
    // A cancelled chooser leaves what the user typed.
    if (!folder.isEmpty())
        m_directories.Local->setText(folder);
}
