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
    SetupPasswordEdit(m_login.Password, m_login.Anonymous->isChecked());
    SetupPasswordEdit(m_proxy.Password, false);
    m_login.Hostname->setFocus();
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
    m_useSSL = NewDialogCheckBox("UseSSLCheckBox", nullptr);
    m_pages->addTab(m_login.buildPage(m_useSSL), QString());
    m_pages->addTab(m_directories.buildPage(), QString());
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
    connect(m_login.Anonymous, &QCheckBox::clicked, this, &TQuickConnectForm::IsAnonymousCheckBoxClick);
    connect(m_proxy.UseDefault, &QCheckBox::clicked, this,
            &TQuickConnectForm::UseDefaultProxySettingsCheckBoxClick);
    connect(m_directories.Browse, &QPushButton::clicked, this,
            &TQuickConnectForm::BrowseInitialDirectoryButtonClick);
    connect(m_connect, &QPushButton::clicked, this, &TQuickConnectForm::ConnectButtonClick);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->installEventFilter(this);

    setTabOrder(m_quickHosts, m_pages);
    setTabOrder(m_pages, m_login.Hostname);
    setTabOrder(m_login.Hostname, m_login.Port);
    setTabOrder(m_login.Port, m_login.Anonymous);
    setTabOrder(m_login.Anonymous, m_login.Username);
    setTabOrder(m_login.Username, m_login.Password);
    setTabOrder(m_login.Password, m_login.Passive);
    setTabOrder(m_login.Passive, m_useSSL);
    setTabOrder(m_useSSL, m_directories.Local);
    setTabOrder(m_directories.Local, m_directories.Browse);
    setTabOrder(m_directories.Browse, m_directories.Remote);
    setTabOrder(m_directories.Remote, m_proxy.UseDefault);
    setTabOrder(m_proxy.UseDefault, m_proxy.Type);
    setTabOrder(m_proxy.Type, m_proxy.Host);
    setTabOrder(m_proxy.Host, m_proxy.Port);
    setTabOrder(m_proxy.Port, m_proxy.Username);
    setTabOrder(m_proxy.Username, m_proxy.Password);
    setTabOrder(m_proxy.Password, m_showOnStartup);
    setTabOrder(m_showOnStartup, m_connect);
    setTabOrder(m_connect, m_cancel);
}

void TQuickConnectForm::applyLanguage()
{
    m_language.apply(this);
    m_proxy.applyLanguage(m_language);
    m_login.PortFilter->setTexts(m_language.text(QStringLiteral("IDS_11")),
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
    m_login.Hostname->clear();
    m_login.Port->clear();
    m_login.Username->clear();
    m_login.Password->clear();
    m_directories.Local->clear();
    m_directories.Remote->clear();
    m_login.Anonymous->setChecked(false);
    IsAnonymousCheckBoxClick();
    showHostID(QString());
}

void TQuickConnectForm::showHost(const THost& host)
{
    m_login.Hostname->setText(host.Hostname);
    m_login.Port->setText(QString::number(host.Port));
    m_login.Username->setText(host.Username);
    m_login.Password->setText(host.Password);
    m_directories.Local->setText(host.InitialLocalDirectory);
    m_directories.Remote->setText(host.InitialRemoteDirectory);
    m_login.Anonymous->setChecked(host.IsAnonymous);
    IsAnonymousCheckBoxClick();
    m_login.Passive->setChecked(host.Passive);
    m_useSSL->setChecked(host.UseSSL);
    showHostID(host.HostIDText());
    m_proxy.UseDefault->setChecked(host.UseDefaultProxySettings);
    UseDefaultProxySettingsCheckBoxClick();
}

void TQuickConnectForm::showHostID(const QString& id)
{
    m_loadedHostID = id;
    if (id.isEmpty())
        m_login.HostID->setText(
            m_language.caption(QStringLiteral("HostIDLabel"), QStringLiteral("Host-ID: N/A")));
    else
        m_login.HostID->setText(Format(m_language.text(QStringLiteral("strHostID")), {id}));
}

void TQuickConnectForm::IsAnonymousCheckBoxClick()
{
    ApplyAnonymousLogin(m_login.Anonymous->isChecked(), m_login.Username, m_login.Password);
}

void TQuickConnectForm::UseDefaultProxySettingsCheckBoxClick()
{
    m_proxy.showForUseDefault(m_host.ProxySettings);
}

void TQuickConnectForm::ConnectButtonClick()
{
    const QString hostname = m_login.Hostname->text().trimmed();
    if (hostname.isEmpty()) {
        TMessageRequest request;
        request.Type = TMessageRequest::TType::Warning;
        request.Text = m_language.text(QStringLiteral("IDS_0"));
        request.Buttons = QMessageBox::Ok;
        TMessageDialog::show(this, m_language, request);
        m_login.Hostname->setFocus();
        return;
    }
    m_host.CommonName = hostname;
    m_host.Hostname = hostname;
    m_host.Port = PortOfEdit(m_login.Port);
    m_host.Username = m_login.Username->text();
    m_host.Password = m_login.Password->text();
    m_host.InitialRemoteDirectory = m_directories.Remote->text();
    m_host.InitialLocalDirectory = m_directories.Local->text();
    m_host.IsAnonymous = m_login.Anonymous->isChecked();
    m_host.Passive = m_login.Passive->isChecked();
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
    m_login.Hostname->setText(url.Host);
    m_login.Port->setText(url.Port);
    m_login.Username->setText(url.User);
    m_login.Password->setText(url.Password);
    if (anonymousWhenNoUser && (url.User.isEmpty() || url.User == QLatin1String("anonymous"))) {
        m_login.Anonymous->setChecked(true);
        IsAnonymousCheckBoxClick();
    }
    m_directories.Remote->setText(url.Directory());
}

void TQuickConnectForm::BrowseInitialDirectoryButtonClick()
{
    const QString folder =
        BrowseForFolder(this, m_language.text(QStringLiteral("IDS_9")), m_directories.Local->text());
    // A cancelled chooser leaves what the user typed.
    if (!folder.isEmpty())
        m_directories.Local->setText(folder);
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
