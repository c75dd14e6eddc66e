#include "ui/dialogs/SettingsFormUnit.h"

#include <algorithm>
#include <utility>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/Dialup.h"
#include "core/TMainConfig.h"
#include "ui/dialogs/HostFieldSupport.h"

namespace {

constexpr int kPageRole = Qt::UserRole; // tree item -> index into m_pages
constexpr int kMinTransfers = 1;
constexpr int kMaxTransfers = 16;
constexpr int kProxyTypeItems = 6;
constexpr int kFallbackProxyPort = 8080;
constexpr int kTopmostLimit = 1000;
constexpr int kExtensionColumnWidth = 100;

const QString kEnglish = QStringLiteral("English");

QWidget* newPage(const char* name)
{
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    return page;
}

QComboBox* newComboBox(const char* name, int items, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < items; ++i)
        box->addItem(QString());
    return box;
}

// A label above its control, both direct children of the page (the topmost
// control of a page is found among them).
void addLabelled(QVBoxLayout* layout, const char* labelName, QWidget* control, QWidget* page)
{
    layout->addWidget(NewBuddyLabel(labelName, control, page));
    layout->addWidget(control);
}

// The file-exists policies as the boxes show them: the three-item boxes leave
// out Resume.
int policyIndex(TFileAlreadyExistsAction action, bool withResume)
{
    if (withResume)
        return static_cast<int>(action);
    switch (action) {
    case TFileAlreadyExistsAction::faeOverwrite:
        return 1;
    case TFileAlreadyExistsAction::faeSkip:
        return 2;
    default:
        return 0; // Ask; Resume cannot be shown and reads as Ask
    }
}

TFileAlreadyExistsAction policyOfIndex(int index, bool withResume)
{
    if (withResume)
        return index >= 0 && index <= 3 ? static_cast<TFileAlreadyExistsAction>(index)
                                        : TFileAlreadyExistsAction::faeAsk;
    switch (index) {
    case 1:
        return TFileAlreadyExistsAction::faeOverwrite;
    case 2:
        return TFileAlreadyExistsAction::faeSkip;
    default:
        return TFileAlreadyExistsAction::faeAsk;
    }
}

// The proxy port typed: a number from 0 to 65535, else 8080.
int proxyPortOf(const QString& text)
{
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    return ok && port >= 0 && port <= 65535 ? port : kFallbackProxyPort;
}

} // namespace

TSettingsForm::TSettingsForm(QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("SettingsForm"))
{
    setObjectName(QStringLiteral("SettingsForm"));
    buildWidgets();
    applyLanguage();
    buildTree();

    // Shown: the root entry expanded and selected, then the values.
    QTreeWidgetItem* root = m_tree->topLevelItem(0);
    m_tree->expandItem(root);
    m_tree->setCurrentItem(root);
    loadSettings();
    loadFileTypes();
}

TSettingsForm::~TSettingsForm() = default;

void TSettingsForm::setOpenHelp(std::function<void(int helpNumber)> openHelp)
{
    m_openHelp = std::move(openHelp);
}

// ---------------------------------------------------------------- building

void TSettingsForm::buildWidgets()
{
    m_tree = new QTreeWidget(this);
    m_tree->installEventFilter(this);
    m_tree->setObjectName(QStringLiteral("SettingsTreeView"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setMinimumWidth(fontMetrics().averageCharWidth() * 22);
    m_tree->setMaximumWidth(fontMetrics().averageCharWidth() * 28);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("SettingTitleLabel"));
    QFont bold = m_title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    m_title->setFont(bold);
    m_title->setFrameShape(QFrame::StyledPanel);
    m_title->setMargin(4);

    m_pageControl = new QStackedWidget(this);
    m_pageControl->setObjectName(QStringLiteral("SettingsPageControl"));

    m_descriptionPage = newPage("SettingsDescriptionTabSheet");
    auto* description = new QLabel(m_descriptionPage);
    description->setObjectName(QStringLiteral("SettingsDescriptionLabel"));
    // Three lines as written; the page is wide enough for them.
    description->setWordWrap(false);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* descriptionLayout = new QVBoxLayout(m_descriptionPage);
    descriptionLayout->addWidget(description);
    descriptionLayout->addStretch(1);

    m_startupPage = buildStartupPage();
    m_languagePage = buildLanguagePage();
    m_connectionPage = newPage("ConnectionTabSheet");
    m_connectionTabs = newPageControl("ConnectionPageControl", m_connectionPage);
    m_dialupPage = buildDialupPage();
    m_proxyPage = buildProxyPage();
    m_connectionTabs->addTab(m_dialupPage, QString());
    m_connectionTabs->addTab(m_proxyPage, QString());
    m_integrationPage = buildIntegrationPage();
    m_visibilityPage = buildVisibilityPage();
    m_fileTypesPage = buildFileTypesPage();
    m_transferPage = newPage("TransferTabSheet");
    m_transferTabs = newPageControl("TransferPageControl", m_transferPage);
    m_transferGeneralPage = buildTransferGeneralPage();
    m_transferActionsPage = buildTransferActionsPage();
    m_transferTabs->addTab(m_transferGeneralPage, QString());
    m_transferTabs->addTab(m_transferActionsPage, QString());
    m_authenticationPage = newPage("AuthenticationTabSheet");
    m_authenticationTabs = newPageControl("AuthenticationPageControl", m_authenticationPage);
    m_anonymousPage = buildAnonymousPage();
    m_authenticationTabs->addTab(m_anonymousPage, QString());

    for (QWidget* page :
         {m_descriptionPage, m_startupPage, m_languagePage, m_connectionPage, m_integrationPage,
          m_visibilityPage, m_fileTypesPage, m_transferPage, m_authenticationPage})
        m_pageControl->addWidget(page);

    m_helpAction = new QAction(this);
    m_helpAction->setObjectName(QStringLiteral("InvokeHelpAction"));
    m_helpAction->setShortcut(QKeySequence(Qt::Key_F1));
    m_helpAction->setShortcutContext(Qt::WindowShortcut);
    addAction(m_helpAction);
    connect(m_helpAction, &QAction::triggered, this, &TSettingsForm::InvokeHelpActionExecute);

    m_ok = NewDialogButton("OKButton", this);
    m_ok->setDefault(true);
    m_cancel = NewDialogButton("CancelButton", this);
    m_help = NewDialogButton("HelpButton", this);
    connect(m_ok, &QPushButton::clicked, this, &TSettingsForm::accept);
    connect(m_cancel, &QPushButton::clicked, this, &TSettingsForm::reject);
    connect(m_help, &QPushButton::clicked, m_helpAction, &QAction::trigger);

    auto* right = new QVBoxLayout;
    right->addWidget(m_title);
    right->addWidget(m_pageControl, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_tree);
    middle->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_help);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);
    resize(680, 440);

    for (QTabWidget* tabs : {m_connectionTabs, m_transferTabs, m_authenticationTabs})
        connect(tabs, &QTabWidget::currentChanged, this, [this, tabs] { innerPageChanged(tabs); });
}

QTabWidget* TSettingsForm::newPageControl(const char* name, QWidget* page)
{
    auto* tabs = new QTabWidget(page);
    tabs->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs);
    return tabs;
}

QWidget* TSettingsForm::buildStartupPage()
{
    QWidget* page = newPage("StartupSettingsTabSheet");
    m_showTip = NewDialogCheckBox("ShowTipOnStartupCheckBox", page);
    auto* group = new QGroupBox(page);
    group->setObjectName(QStringLiteral("HostManagerQuickConnectOnStartupRadioGroup"));
    auto* groupLayout = new QVBoxLayout(group);
    for (int i = 0; i < 3; ++i) {
        m_startupDialog[i] = new QRadioButton(group);
        m_startupDialog[i]->setObjectName(
            QStringLiteral("HostManagerQuickConnectOnStartupRadioButton%1").arg(i));
        groupLayout->addWidget(m_startupDialog[i]);
    }
    m_startupDialog[0]->setChecked(true);
    m_showSplash = NewDialogCheckBox("ShowSplashOnStartupCheckBox", page);
    m_rememberFormState = NewDialogCheckBox("RememberFormStateCheckBox", page);
    m_trayIcon = NewDialogCheckBox("TrayIconCheckBox", page);
    m_playQueue = NewDialogCheckBox("PlayQueueOnStartupCheckBox", page);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_showTip);
    layout->addWidget(group);
    for (QWidget* box : {m_showSplash, m_rememberFormState, m_trayIcon, m_playQueue})
        layout->addWidget(box);
    layout->addStretch(1);
    return page;
}

QWidget* TSettingsForm::buildLanguagePage()
{
    QWidget* page = newPage("LanguageTabSheet");
    m_languageBox = newComboBox("LanguageComboBox", 2, page);
    auto* layout = new QVBoxLayout(page);
    addLabelled(layout, "LanguageLabel", m_languageBox, page);
    layout->addStretch(1);
    return page;
}

QWidget* TSettingsForm::buildDialupPage()
{
    QWidget* page = newPage("DialupTabSheet");
    m_dialup = newComboBox("DefaultDialupConnectionComboBox", 1, page);
    auto* layout = new QVBoxLayout(page);
    addLabelled(layout, "DefaultDialupConnectionLabel", m_dialup, page);
    layout->addStretch(1);
    return page;
}

QWidget* TSettingsForm::buildProxyPage()
{
    QWidget* page = newPage("ProxyTabSheet");
    m_proxyType = newComboBox("DefaultProxyTypeComboBox", kProxyTypeItems, page);
    m_proxyHost = NewDialogEdit("DefaultProxyHostEdit", page);
    m_proxyPort = NewDialogEdit("DefaultProxyPortEdit", page);
    m_proxyUsername = NewDialogEdit("DefaultProxyUsernameEdit", page);
    m_proxyPassword = NewDialogEdit("DefaultProxyPasswordEdit", page);
    auto* form = new QFormLayout(page);
    form->addRow(NewBuddyLabel("DefaultProxyTypeLabel", m_proxyType, page), m_proxyType);
    form->addRow(NewBuddyLabel("DefaultProxyHostLabel", m_proxyHost, page), m_proxyHost);
    form->addRow(NewBuddyLabel("DefaultProxyPortLabel", m_proxyPort, page), m_proxyPort);
    form->addRow(NewBuddyLabel("DefaultProxyUsernameLabel", m_proxyUsername, page), m_proxyUsername);
    form->addRow(NewBuddyLabel("DefaultProxyPasswordLabel", m_proxyPassword, page), m_proxyPassword);
    return page;
}

QWidget* TSettingsForm::buildIntegrationPage()
{
    QWidget* page = newPage("IntegrationTabSheet");
    m_defaultFtpProgram = NewDialogCheckBox("IntegrateWithIECheckBox", page);
    m_contextMenu = NewDialogCheckBox("IntegrateWithExplorerCheckBox", page);
    m_startWithSystem = NewDialogCheckBox("StartVantorFTPOnComputerStartupCheckBox", page);
    auto* layout = new QVBoxLayout(page);
    for (QWidget* box : {m_defaultFtpProgram, m_contextMenu, m_startWithSystem})
        layout->addWidget(box);
    layout->addStretch(1);
    return page;
}

QWidget* TSettingsForm::buildVisibilityPage()
{
    QWidget* page = newPage("VisibilityTabSheet");
    m_localSelectionPanel = NewDialogCheckBox("ShowLocalSelectionPanelCheckBox", page);
    m_remoteSelectionPanel = NewDialogCheckBox("ShowRemoteSelectionPanelCheckBox", page);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_localSelectionPanel);
    layout->addWidget(m_remoteSelectionPanel);
    layout->addStretch(1);
    return page;
}

QWidget* TSettingsForm::buildFileTypesPage()
{
    QWidget* page = newPage("FileTypesTabSheet");
    m_defaultTransferType = newComboBox("DefaultTransferTypeComboBox", 2, page);
    m_fileTypes = new QTreeWidget(page);
    m_fileTypes->setObjectName(QStringLiteral("FileTransferTypesListView"));
    m_fileTypes->setColumnCount(2);
    m_fileTypes->setRootIsDecorated(false);
    m_fileTypes->setItemsExpandable(false);
    m_fileTypes->setUniformRowHeights(true);
    m_fileTypes->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_fileTypes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fileTypes->setSortingEnabled(false);
    QHeaderView* header = m_fileTypes->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(0, Qt::AscendingOrder);
    header->setStretchLastSection(true);
    header->resizeSection(0, kExtensionColumnWidth);
    m_extension = NewDialogEdit("ExtensionEdit", page);
    m_transferType = newComboBox("TransferTypeComboBox", 2, page);
    m_addFileType = NewDialogButton("AddFileTransferTypeButton", page);
    m_deleteFileType = NewDialogButton("DeleteFileTransferTypeButton", page);

    auto* editRow = new QHBoxLayout;
    auto* extensionColumn = new QVBoxLayout;
    extensionColumn->addWidget(NewBuddyLabel("ExtensionLabel", m_extension, page));
    extensionColumn->addWidget(m_extension);
    auto* typeColumn = new QVBoxLayout;
    typeColumn->addWidget(NewBuddyLabel("TransferTypeLabel", m_transferType, page));
    typeColumn->addWidget(m_transferType);
    editRow->addLayout(extensionColumn, 1);
    editRow->addLayout(typeColumn, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_addFileType);
    buttonRow->addWidget(m_deleteFileType);

    auto* layout = new QVBoxLayout(page);
    addLabelled(layout, "DefaultTransferTypeLabel", m_defaultTransferType, page);
    addLabelled(layout, "FilesLabel", m_fileTypes, page);
    layout->addLayout(editRow);
    layout->addLayout(buttonRow);

    connect(m_fileTypes, &QTreeWidget::itemSelectionChanged, this,
            &TSettingsForm::FileTransferTypesListViewSelectItem);
    connect(header, &QHeaderView::sectionClicked, this, &TSettingsForm::FileTransferTypesListViewColumnClick);
    connect(m_addFileType, &QPushButton::clicked, this, &TSettingsForm::AddFileTransferTypeButtonClick);
    connect(m_deleteFileType, &QPushButton::clicked, this, &TSettingsForm::DeleteFileTransferTypeButtonClick);
    return page;
}

QWidget* TSettingsForm::buildTransferGeneralPage()
{
    QWidget* page = newPage("TransferGeneralTabSheet");
    m_maxTransfers = new QSpinBox(page);
    m_maxTransfers->setObjectName(QStringLiteral("MaxFTPTransferCountEdit"));
    m_maxTransfers->setRange(kMinTransfers, kMaxTransfers);
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    row->addWidget(NewBuddyLabel("MaxFTPTransferCountLabel", m_maxTransfers, page));
    row->addWidget(m_maxTransfers);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    return page;
}

QWidget* TSettingsForm::buildTransferActionsPage()
{
    QWidget* page = newPage("TransferActionsTabSheet");
    m_remoteExists = newComboBox("RemoteFileAlreadyExistsComboBox", 3, page);
    m_remoteSmallerExists = newComboBox("RemoteFileSmallerAlreadyExistsComboBox", 4, page);
    m_localExists = newComboBox("LocalFileAlreadyExistsComboBox", 3, page);
    m_localSmallerExists = newComboBox("LocalFileSmallerAlreadyExistsComboBox", 4, page);
    auto* layout = new QVBoxLayout(page);
    addLabelled(layout, "RemoteFileAlreadyExistsLabel", m_remoteExists, page);
    addLabelled(layout, "RemoteFileSmallerAlreadyExistsLabel", m_remoteSmallerExists, page);
    addLabelled(layout, "LocalFileAlreadyExistsLabel", m_localExists, page);
    addLabelled(layout, "LocalFileSmallerAlreadyExistsLabel", m_localSmallerExists, page);
    layout->addStretch(1);
    return page;
}

QWidget* TSettingsForm::buildAnonymousPage()
{
    QWidget* page = newPage("AnonymousTabSheet");
    m_anonymousEmail = NewDialogEdit("AnonymousPasswordEdit", page);
    auto* layout = new QVBoxLayout(page);
    addLabelled(layout, "AnonymousPasswordLabel", m_anonymousEmail, page);
    layout->addStretch(1);
    return page;
}

void TSettingsForm::applyLanguage()
{
    m_language.apply(this);
    m_language.apply(m_helpAction);
    const auto items = [this](const QString& component) {
        const std::optional<QString> text = m_language.table().property(TTranslationSection::stMultiLines,
                                                                        component + QStringLiteral(".Items"));
        return text ? text->split(u'\n') : QStringList();
    };
    for (QComboBox* box : findChildren<QComboBox*>()) {
        const QStringList names = items(box->objectName());
        for (int i = 0; i < box->count() && i < names.size(); ++i)
            box->setItemText(i, names.at(i));
    }
    const QStringList radioItems = items(QStringLiteral("HostManagerQuickConnectOnStartupRadioGroup"));
    for (int i = 0; i < 3 && i < radioItems.size(); ++i) {
        m_startupDialog[i]->setText(radioItems.at(i));
        m_startupDialog[i]->setAccessibleName(TFormLanguage::withoutMnemonic(radioItems.at(i)));
    }
    m_fileTypes->setHeaderLabels(
        {m_language.collection(QStringLiteral("FileTransferTypesListView.Columns[0].Caption")),
         m_language.collection(QStringLiteral("FileTransferTypesListView.Columns[1].Caption"))});
    // The password of the default proxy is shown in clear, as typed.
    m_proxyPassword->setEchoMode(QLineEdit::Normal);
}

// ---------------------------------------------------------------- tree and pages

void TSettingsForm::addPage(QTreeWidgetItem* parentItem, const char* textKey, QWidget* page,
                            QWidget* firstLevel, QTabWidget* tabs, int helpNumber)
{
    auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(m_tree);
    item->setText(0, m_language.text(QString::fromLatin1(textKey)));
    item->setData(0, kPageRole, static_cast<int>(m_pages.size()));
    m_pages.push_back({page, firstLevel, tabs, helpNumber, item});
}

void TSettingsForm::buildTree()
{
    addPage(nullptr, "IDS_0", m_descriptionPage, m_descriptionPage, nullptr, 1);
    QTreeWidgetItem* root = m_pages.back().item;
    const auto firstLevel = [&](const char* key, QWidget* page, int help) {
        addPage(root, key, page, page, nullptr, help);
        return m_pages.back().item;
    };
    firstLevel("IDS_1", m_startupPage, 1);
    firstLevel("IDS_2", m_languagePage, 2);
    QTreeWidgetItem* connection = firstLevel("IDS_17", m_connectionPage, 3);
    addPage(connection, "IDS_18", m_dialupPage, m_connectionPage, m_connectionTabs, 3);
    addPage(connection, "IDS_19", m_proxyPage, m_connectionPage, m_connectionTabs, 4);
    firstLevel("IDS_13", m_integrationPage, 5);
    firstLevel("IDS_14", m_visibilityPage, 6);
    firstLevel("IDS_15", m_fileTypesPage, 7);
    QTreeWidgetItem* transfers = firstLevel("IDS_10", m_transferPage, 8);
    addPage(transfers, "IDS_11", m_transferGeneralPage, m_transferPage, m_transferTabs, 8);
    addPage(transfers, "IDS_12", m_transferActionsPage, m_transferPage, m_transferTabs, 9);
    QTreeWidgetItem* authentication = firstLevel("IDS_3", m_authenticationPage, 10);
    addPage(authentication, "IDS_4", m_anonymousPage, m_authenticationPage, m_authenticationTabs, 10);

    // Attached only now: building the tree must not show pages.
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &TSettingsForm::SettingsTreeViewChange);
    m_treeHandlerAttached = true;
}

const TSettingsForm::TPage* TSettingsForm::pageOf(const QTreeWidgetItem* item) const
{
    if (!item)
        return nullptr;
    const int index = item->data(0, kPageRole).toInt();
    return index >= 0 && index < static_cast<int>(m_pages.size()) ? &m_pages[index] : nullptr;
}

void TSettingsForm::SettingsTreeViewChange()
{
    if (!m_treeHandlerAttached)
        return;
    // Someone walking the tree with the arrow keys stays in it; a click, or a
    // page chosen from outside, takes the focus to the page.
    if (const TPage* page = pageOf(m_tree->currentItem()))
        showPage(*page, !m_treeKeyPress);
}

bool TSettingsForm::eventFilter(QObject* watched, QEvent* event)
{
    // The tree handles the key right after this filter; the mark lasts until
    // the event loop runs again.
    if (watched == m_tree && event->type() == QEvent::KeyPress && !m_treeKeyPress) {
        m_treeKeyPress = true;
        QTimer::singleShot(0, this, [this] { m_treeKeyPress = false; });
    }
    return QDialog::eventFilter(watched, event);
}

void TSettingsForm::showPage(const TPage& page, bool focusPage)
{
    m_pageControl->setCurrentWidget(page.firstLevel);
    if (page.tabs) {
        // Switching the tab from here is not a change "from inside".
        const bool attached = std::exchange(m_treeHandlerAttached, false);
        page.tabs->setCurrentWidget(page.page);
        m_treeHandlerAttached = attached;
    }
    m_title->setText(m_language.caption(page.firstLevel->objectName()));
    m_title->setAccessibleName(m_title->text());
    if (focusPage)
        focusTopmostControl(page.page);
    m_helpNumber = page.helpNumber;
}

void TSettingsForm::innerPageChanged(QTabWidget* tabs)
{
    if (!m_treeHandlerAttached)
        return;
    QWidget* shown = tabs->currentWidget();
    const auto found =
        std::find_if(m_pages.begin(), m_pages.end(), [&](const TPage& page) { return page.page == shown; });
    if (found == m_pages.end())
        return;
    m_treeHandlerAttached = false;
    m_tree->setCurrentItem(found->item);
    focusTopmostControl(found->page);
    m_helpNumber = found->helpNumber;
    m_treeHandlerAttached = true;
}

void TSettingsForm::focusTopmostControl(QWidget* page)
{
    QWidget* topmost = nullptr;
    for (QObject* object : page->children()) {
        auto* control = qobject_cast<QWidget*>(object);
        if (!control || control->isWindow() || control->isHidden() || !control->isEnabled())
            continue;
        // A radio group takes the focus on its checked button.
        const bool focusable = (control->focusPolicy() & Qt::TabFocus) || qobject_cast<QGroupBox*>(control);
        if (!focusable || control->y() >= kTopmostLimit)
            continue;
        // Children are made top to bottom, so on a page not laid out yet the
        // first one made wins a tie.
        if (!topmost || control->y() < topmost->y())
            topmost = control;
    }
    if (!topmost)
        return;
    if (qobject_cast<QGroupBox*>(topmost)) {
        const QList<QRadioButton*> radios = topmost->findChildren<QRadioButton*>();
        const auto checked =
            std::find_if(radios.begin(), radios.end(), [](QRadioButton* b) { return b->isChecked(); });
        if (checked != radios.end())
            (*checked)->setFocus(Qt::OtherFocusReason);
        else if (!radios.isEmpty())
            radios.first()->setFocus(Qt::OtherFocusReason);
        return;
    }
    topmost->setFocus(Qt::OtherFocusReason);
}

void TSettingsForm::InvokeHelpActionExecute()
{
    if (m_openHelp)
        m_openHelp(m_helpNumber);
}

// ---------------------------------------------------------------- values

void TSettingsForm::loadSettings()
{
    const TMainConfig* config = MainConfig();
    if (!config)
        return;
    m_showTip->setChecked(config->ShowTipOnStartup());
    m_showSplash->setChecked(config->ShowSplashOnStartup());
    m_rememberFormState->setChecked(config->RememberFormState());
    m_trayIcon->setChecked(config->TrayIcon());
    m_playQueue->setChecked(config->PlayQueueOnStartup());
    const int startupDialog = config->ShowHostManagerOnStartup()    ? 1
                              : config->ShowQuickConnectOnStartup() ? 2
                                                                    : 0;
    m_startupDialog[startupDialog]->setChecked(true);

    m_languageBox->setCurrentIndex(std::max(0, m_languageBox->findText(kEnglish)));
    const int language = m_languageBox->findText(config->Language(), Qt::MatchFixedString);
    if (language >= 0)
        m_languageBox->setCurrentIndex(language);

    m_localSelectionPanel->setChecked(config->ShowLocalSelectionPanel());
    m_remoteSelectionPanel->setChecked(config->ShowRemoteSelectionPanel());
    m_maxTransfers->setValue(config->MaxFTPTransferCount());

    m_remoteExists->setCurrentIndex(policyIndex(config->RemoteFileAlreadyExistsAction(), false));
    m_remoteSmallerExists->setCurrentIndex(policyIndex(config->RemoteFileSmallerAlreadyExistsAction(), true));
    m_localExists->setCurrentIndex(policyIndex(config->LocalFileAlreadyExistsAction(), false));
    m_localSmallerExists->setCurrentIndex(policyIndex(config->LocalFileSmallerAlreadyExistsAction(), true));

    m_defaultTransferType->setCurrentIndex(0);
    switch (config->DefaultFileTransferType()) {
    case TFileTransferType::fttASCII:
        m_defaultTransferType->setCurrentIndex(1);
        break;
    default:
        break;
    }
    m_anonymousEmail->setText(config->AnonymousEmail());

    m_defaultFtpProgram->setChecked(config->DefaultFTPProgram());
    m_contextMenu->setChecked(config->ContextMenu());
    m_startWithSystem->setChecked(config->StartWithSystem());

    // Dial-up: "None" first, then the phone book.
    while (m_dialup->count() > 1)
        m_dialup->removeItem(1);
    for (const QString& name : DialupConnectionNames())
        m_dialup->addItem(name);
    m_loadedDialup = config->DefaultDialupConnection();
    const int dialup = m_loadedDialup.isEmpty() ? 0 : m_dialup->findText(m_loadedDialup, Qt::MatchExactly);
    m_loadedDialupIndex = dialup > 0 ? dialup : 0;
    m_dialup->setCurrentIndex(m_loadedDialupIndex);

    const int proxyType = static_cast<int>(config->DefaultProxyType());
    m_proxyType->setCurrentIndex(proxyType >= 0 && proxyType < kProxyTypeItems ? proxyType : -1);
    m_proxyHost->setText(config->DefaultProxyHost());
    m_proxyPort->setText(QString::number(config->DefaultProxyPort()));
    m_proxyUsername->setText(config->DefaultProxyUsername());
    m_proxyPassword->setText(config->DefaultProxyPassword());
}

void TSettingsForm::accept()
{
    writeSettings();
    writeFileTypes();
    writeProxy();
    QDialog::accept();
}

void TSettingsForm::writeSettings()
{
    TMainConfig* config = MainConfig();
    if (!config)
        return;
    config->SetShowSplashOnStartup(m_showSplash->isChecked());
    config->SetShowTipOnStartup(m_showTip->isChecked());
    config->SetRememberFormState(m_rememberFormState->isChecked());
    config->SetPlayQueueOnStartup(m_playQueue->isChecked());
    if (m_startupDialog[1]->isChecked()) {
        config->SetShowHostManagerOnStartup(true);
    } else if (m_startupDialog[2]->isChecked()) {
        config->SetShowQuickConnectOnStartup(true);
    } else {
        config->SetShowHostManagerOnStartup(false);
        config->SetShowQuickConnectOnStartup(false);
    }
    config->SetLanguage(m_languageBox->currentText());
    config->SetShowLocalSelectionPanel(m_localSelectionPanel->isChecked());
    config->SetShowRemoteSelectionPanel(m_remoteSelectionPanel->isChecked());
    config->SetMaxFTPTransferCount(std::clamp(m_maxTransfers->value(), kMinTransfers, kMaxTransfers));
    // An entry the phone book no longer lists stays chosen unless another item was picked.
    const int dialup = m_dialup->currentIndex();
    if (dialup == m_loadedDialupIndex && dialup == 0)
        config->SetDefaultDialupConnection(m_loadedDialup);
    else
        config->SetDefaultDialupConnection(dialup <= 0 ? QString() : m_dialup->currentText());
    config->SetRemoteFileAlreadyExistsAction(policyOfIndex(m_remoteExists->currentIndex(), false));
    config->SetRemoteFileSmallerAlreadyExistsAction(
        policyOfIndex(m_remoteSmallerExists->currentIndex(), true));
    config->SetLocalFileAlreadyExistsAction(policyOfIndex(m_localExists->currentIndex(), false));
    config->SetLocalFileSmallerAlreadyExistsAction(policyOfIndex(m_localSmallerExists->currentIndex(), true));
    config->SetDefaultFileTransferType(m_defaultTransferType->currentIndex() == 1
                                           ? TFileTransferType::fttASCII
                                           : TFileTransferType::fttBinary);
    config->SetTrayIcon(m_trayIcon->isChecked());
    config->SetAnonymousEmail(m_anonymousEmail->text());
    // Every time, changed or not: a registration lost outside the program is
    // made again. Failures are not reported.
    config->SetDefaultFTPProgram(m_defaultFtpProgram->isChecked());
    config->SetContextMenu(m_contextMenu->isChecked());
    config->SetStartWithSystem(m_startWithSystem->isChecked());
}

void TSettingsForm::writeProxy()
{
    TMainConfig* config = MainConfig();
    if (!config)
        return;
    if (m_proxyType->currentIndex() >= 0)
        config->SetDefaultProxyType(static_cast<TIdFtpProxyType>(m_proxyType->currentIndex()));
    config->SetDefaultProxyHost(m_proxyHost->text());
    config->SetDefaultProxyPort(proxyPortOf(m_proxyPort->text()));
    config->SetDefaultProxyUsername(m_proxyUsername->text());
    config->SetDefaultProxyPassword(m_proxyPassword->text());
}
