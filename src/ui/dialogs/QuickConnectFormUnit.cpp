#include "ui/dialogs/QuickConnectFormUnit.h"

#include <exception>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "core/Format.h"
#include "core/TFtpUrl.h"
#include "core/TMainConfig.h"
#include "core/TQuickHosts.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/HostFieldSupport.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/dialogs/TPortKeyFilter.h"

TQuickConnectForm::TQuickConnectForm(QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("QuickConnectForm"))
{
    setObjectName(QStringLiteral("QuickConnectForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    buildWidgets();
    applyLanguage();

    if (TQuickHosts* list = QuickHosts()) {
        try {
            list->Reload();
        } catch (const std::exception&) {
            // The hosts read before the damaged element are offered; the list's
            // load error is the window's to log.
        }
    }
    fillPreviousHosts();
    selectItem(0);
    const TMainConfig* config = MainConfig();
    if (config) {
        const QString last = config->LastQuickConnectedHostID();
        int lastIndex = 0;
        for (int i = 1; i < static_cast<int>(m_itemHosts.size()); ++i)
            if (!last.isEmpty() && m_itemHosts[i]->HostIDText() == last)
                lastIndex = i;
        if (lastIndex > 0)
            selectItem(lastIndex);
        m_showOnStartup->setChecked(config->ShowQuickConnectOnStartup());
    }
    SetupPasswordEdit(m_password, m_anonymous->isChecked());
    SetupPasswordEdit(m_proxy.Password, false);
    m_hostname->setFocus();
}

TQuickConnectForm::~TQuickConnectForm() = default;

void TQuickConnectForm::buildWidgets()
{
    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("QuickHostsToolBar"));
    toolbar->setFloatable(false);
    toolbar->setMovable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_quickHosts = new QComboBox(toolbar);
    m_quickHosts->setObjectName(QStringLiteral("QuickHostsComboList"));
    // Leaves room on the toolbar for the Delete button beside it.
    m_quickHosts->setMinimumContentsLength(20);
    m_quickHosts->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* previousLabel = NewBuddyLabel("PreviousHostsLabel", m_quickHosts, toolbar);
    toolbar->addWidget(previousLabel);
    toolbar->addWidget(m_quickHosts);
    m_deleteAction = toolbar->addAction(
        QIcon::fromTheme(QStringLiteral("edit-delete"), style()->standardIcon(QStyle::SP_TrashIcon)),
        QString());
    m_deleteAction->setObjectName(QStringLiteral("DeleteQuickHostAction"));

    m_pasteAction = new QAction(this);
    m_pasteAction->setObjectName(QStringLiteral("EditPaste"));
    m_pasteAction->setShortcut(QKeySequence::Paste);
    m_pasteAction->setShortcutContext(Qt::WindowShortcut);
    addAction(m_pasteAction);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl"));
    m_pages->addTab(buildGeneralPage(), QString());
    m_pages->addTab(buildDirectoriesPage(), QString());
    m_pages->addTab(m_proxy.buildPage(), QString());

    m_connect = new QPushButton(this);
    m_connect->setObjectName(QStringLiteral("ConnectButton"));
    m_connect->setDefault(true);
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_cancel->setAutoDefault(false);
    m_showOnStartup = NewDialogCheckBox("ShowOnStartupCheckBox", this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_showOnStartup);
    buttons->addStretch(1);
    buttons->addWidget(m_connect);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(toolbar);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_quickHosts, &QComboBox::currentIndexChanged, this,
            &TQuickConnectForm::QuickHostsComboListChange);
    connect(m_deleteAction, &QAction::triggered, this, &TQuickConnectForm::DeleteQuickHostActionExecute);
    connect(m_pasteAction, &QAction::triggered, this, &TQuickConnectForm::EditPasteExecute);
    connect(m_anonymous, &QCheckBox::clicked, this, &TQuickConnectForm::IsAnonymousCheckBoxClick);
    connect(m_proxy.UseDefault, &QCheckBox::clicked, this,
            &TQuickConnectForm::UseDefaultProxySettingsCheckBoxClick);
    connect(m_browse, &QPushButton::clicked, this, &TQuickConnectForm::BrowseInitialDirectoryButtonClick);
    connect(m_connect, &QPushButton::clicked, this, &TQuickConnectForm::ConnectButtonClick);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->installEventFilter(this);

    setTabOrder(m_quickHosts, m_pages);
    setTabOrder(m_pages, m_hostname);
    setTabOrder(m_hostname, m_port);
    setTabOrder(m_port, m_anonymous);
    setTabOrder(m_anonymous, m_username);
    setTabOrder(m_username, m_password);
    setTabOrder(m_password, m_passive);
    setTabOrder(m_passive, m_useSSL);
    setTabOrder(m_useSSL, m_localDirectory);
    setTabOrder(m_localDirectory, m_browse);
    setTabOrder(m_browse, m_remoteDirectory);
    setTabOrder(m_remoteDirectory, m_proxy.UseDefault);
    setTabOrder(m_proxy.UseDefault, m_proxy.Type);
    setTabOrder(m_proxy.Type, m_proxy.Host);
    setTabOrder(m_proxy.Host, m_proxy.Port);
    setTabOrder(m_proxy.Port, m_proxy.Username);
    setTabOrder(m_proxy.Username, m_proxy.Password);
    setTabOrder(m_proxy.Password, m_showOnStartup);
    setTabOrder(m_showOnStartup, m_connect);
    setTabOrder(m_connect, m_cancel);
}

QWidget* TQuickConnectForm::buildGeneralPage()
{
    TLoginFields login;
    m_useSSL = NewDialogCheckBox("UseSSLCheckBox", nullptr);
    QWidget* page = login.buildPage(m_useSSL);
    m_hostname = login.Hostname;
    m_port = login.Port;
    m_portFilter = login.PortFilter;
    m_anonymous = login.Anonymous;
    m_username = login.Username;
    m_password = login.Password;
    m_passive = login.Passive;
    m_hostID = login.HostID;
    return page;
}

QWidget* TQuickConnectForm::buildDirectoriesPage()
{
    TDirectoryFields directories;
    QWidget* page = directories.buildPage();
    m_localDirectory = directories.Local;
    m_browse = directories.Browse;
    m_remoteDirectory = directories.Remote;
    return page;
}

void TQuickConnectForm::applyLanguage()
{
    m_language.apply(this);
    m_proxy.applyLanguage(m_language);
    m_portFilter->setTexts(m_language.text(QStringLiteral("IDS_11")),
                           m_language.text(QStringLiteral("IDS_10")));
}

void TQuickConnectForm::fillPreviousHosts()
{
    m_filling = true;
    m_quickHosts->clear();
    m_itemHosts.clear();
    m_quickHosts->addItem(QString());
    m_itemHosts.push_back(nullptr);
    if (const TQuickHosts* list = QuickHosts()) {
        for (const auto& host : list->hosts()) {
            m_quickHosts->addItem(host->Hostname);
            m_itemHosts.push_back(host.get());
        }
    }
    m_filling = false;
}

THost* TQuickConnectForm::selectedHost() const
{
    const int index = m_quickHosts->currentIndex();
    return index > 0 && index < static_cast<int>(m_itemHosts.size()) ? m_itemHosts[index] : nullptr;
}

void TQuickConnectForm::selectItem(int index)
{
    if (index < 0 || index >= m_quickHosts->count())
        index = 0;
    if (m_quickHosts->currentIndex() == index)
        QuickHostsComboListChange(index);
    else
        m_quickHosts->setCurrentIndex(index); // runs the rule through the signal
}

void TQuickConnectForm::QuickHostsComboListChange(int index)
{
    if (m_filling)
        return;
    clearFields();
    if (index > 0 && index < static_cast<int>(m_itemHosts.size())) {
        m_host.Assign(*m_itemHosts[index]);
        showHost(m_host);
    }
    updateActions();
}

void TQuickConnectForm::clearFields()
{
    m_hostname->clear();
    m_port->clear();
    m_username->clear();
    m_password->clear();
    m_localDirectory->clear();
    m_remoteDirectory->clear();
    m_anonymous->setChecked(false);
    IsAnonymousCheckBoxClick();
    showHostID(QString());
}

void TQuickConnectForm::showHost(const THost& host)
{
    m_hostname->setText(host.Hostname);
    m_port->setText(QString::number(host.Port));
    m_username->setText(host.Username);
    m_password->setText(host.Password);
    m_localDirectory->setText(host.InitialLocalDirectory);
    m_remoteDirectory->setText(host.InitialRemoteDirectory);
    m_anonymous->setChecked(host.IsAnonymous);
    IsAnonymousCheckBoxClick();
    m_passive->setChecked(host.Passive);
    m_useSSL->setChecked(host.UseSSL);
    showHostID(host.HostIDText());
    m_proxy.UseDefault->setChecked(host.UseDefaultProxySettings);
    UseDefaultProxySettingsCheckBoxClick();
}

void TQuickConnectForm::showHostID(const QString& id)
{
    m_loadedHostID = id;
    if (id.isEmpty())
        m_hostID->setText(m_language.caption(QStringLiteral("HostIDLabel"), QStringLiteral("Host-ID: N/A")));
    else
        m_hostID->setText(Format(m_language.text(QStringLiteral("strHostID")), {id}));
}

void TQuickConnectForm::IsAnonymousCheckBoxClick()
{
    ApplyAnonymousLogin(m_anonymous->isChecked(), m_username, m_password);
}

void TQuickConnectForm::UseDefaultProxySettingsCheckBoxClick()
{
    m_proxy.showForUseDefault(m_host.ProxySettings);
}

void TQuickConnectForm::ConnectButtonClick()
{
    const QString hostname = m_hostname->text().trimmed();
    if (hostname.isEmpty()) {
        TMessageRequest request;
        request.Type = TMessageRequest::TType::Warning;
        request.Text = m_language.text(QStringLiteral("IDS_0"));
        request.Buttons = QMessageBox::Ok;
        TMessageDialog::show(this, m_language, request);
        m_hostname->setFocus();
        return;
    }
    m_host.CommonName = hostname;
    m_host.Hostname = hostname;
    m_host.Port = PortOfEdit(m_port);
    m_host.Username = m_username->text();
    m_host.Password = m_password->text();
    m_host.InitialRemoteDirectory = m_remoteDirectory->text();
    m_host.InitialLocalDirectory = m_localDirectory->text();
    m_host.IsAnonymous = m_anonymous->isChecked();
    m_host.Passive = m_passive->isChecked();
    m_host.UseSSL = m_useSSL->isChecked();
    m_host.UseDefaultProxySettings = m_proxy.UseDefault->isChecked();
    if (!m_host.UseDefaultProxySettings)
        m_proxy.readInto(m_host.ProxySettings);
    // A loaded previous host is updated in place; anything else is a new entry.
    if (m_loadedHostID.isEmpty() || !m_host.SetHostIDText(m_loadedHostID))
        m_host.NewHostID();
    if (TQuickHosts* list = QuickHosts())
        list->AddOrUpdate(m_host);
    if (TMainConfig* config = MainConfig())
        config->SetLastQuickConnectedHostID(m_host.HostIDText());
    accept();
}

void TQuickConnectForm::DeleteQuickHostActionExecute()
{
    const int index = m_quickHosts->currentIndex();
    THost* record = selectedHost();
    TQuickHosts* list = QuickHosts();
    if (!record || !list)
        return;
    list->Delete(*record); // frees the record
    m_filling = true;
    m_itemHosts.erase(m_itemHosts.begin() + index);
    m_quickHosts->removeItem(index);
    m_filling = false;
    clearFields();
    selectItem(index - 1);
}

void TQuickConnectForm::EditPasteExecute()
{
    const QString text = QApplication::clipboard()->text();
    if (pasteURL(text))
        return;
    if (auto* edit = qobject_cast<QLineEdit*>(focusWidget()))
        edit->paste();
}

bool TQuickConnectForm::pasteURL(const QString& text)
{
    const std::optional<TFtpUrl> url = TFtpUrl::parse(text);
    if (!url)
        return false;
    fillFromURL(*url, true);
    return true;
}

bool TQuickConnectForm::dropURL(const QString& text)
{
    const std::optional<TFtpUrl> url = TFtpUrl::parse(text);
    if (!url)
        return false;
    fillFromURL(*url, false);
    return true;
}

void TQuickConnectForm::fillFromURL(const TFtpUrl& url, bool anonymousWhenNoUser)
{
    clearFields();
    selectItem(0);
    m_hostname->setText(url.Host);
    m_port->setText(url.Port);
    m_username->setText(url.User);
    m_password->setText(url.Password);
    if (anonymousWhenNoUser && (url.User.isEmpty() || url.User == QLatin1String("anonymous"))) {
        m_anonymous->setChecked(true);
        IsAnonymousCheckBoxClick();
    }
    m_remoteDirectory->setText(url.Directory());
}

void TQuickConnectForm::BrowseInitialDirectoryButtonClick()
{
    const QString folder =
        BrowseForFolder(this, m_language.text(QStringLiteral("IDS_9")), m_localDirectory->text());
    // A cancelled chooser leaves what the user typed.
    if (!folder.isEmpty())
        m_localDirectory->setText(folder);
}

void TQuickConnectForm::updateActions()
{
    m_deleteAction->setEnabled(m_quickHosts->currentIndex() > 0);
}

void TQuickConnectForm::done(int result)
{
    if (TMainConfig* config = MainConfig())
        config->SetShowQuickConnectOnStartup(m_showOnStartup->isChecked());
    QDialog::done(result);
}

QString TQuickConnectForm::urlTextOf(const QMimeData* mime)
{
    if (!mime)
        return {};
    if (mime->hasUrls() && !mime->urls().isEmpty())
        return QString::fromUtf8(mime->urls().constFirst().toEncoded());
    return mime->hasText() ? mime->text() : QString();
}

void TQuickConnectForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (TFtpUrl::parse(urlTextOf(event->mimeData())))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TQuickConnectForm::dragMoveEvent(QDragMoveEvent* event)
{
    if (TFtpUrl::parse(urlTextOf(event->mimeData())))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TQuickConnectForm::dropEvent(QDropEvent* event)
{
    if (dropURL(urlTextOf(event->mimeData())))
        event->acceptProposedAction();
    else
        event->ignore();
}

bool TQuickConnectForm::eventFilter(QObject* watched, QEvent* event)
{
    // An edit takes Ctrl+V for itself; here it first offers the text as an address.
    if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit*>(watched) &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        EditPasteExecute();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
