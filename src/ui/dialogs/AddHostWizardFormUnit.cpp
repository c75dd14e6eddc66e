#include "ui/dialogs/AddHostWizardFormUnit.h"

#include <QCheckBox>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/Format.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/TMessageDialog.h"

namespace {

constexpr int kPageCount = 3;
constexpr int kPort = 21;

// The layout every page shares: the explanation on top, the controls below it.
QVBoxLayout* newPageLayout(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(24, 12, 24, 12);
    layout->setSpacing(10);
    return layout;
}

} // namespace

TAddHostWizardForm::TAddHostWizardForm(QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("AddHostWizardForm"))
{
    setObjectName(QStringLiteral("AddHostWizardForm"));
    // Only the close box: no help button, no resizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    buildWidgets();
    applyLanguage();
    SetupPasswordEdit(m_password, m_anonymous->isChecked());
    updatePage();
}

TAddHostWizardForm::~TAddHostWizardForm() = default;

int TAddHostWizardForm::currentPage() const
{
    return m_pages->currentIndex();
}

void TAddHostWizardForm::buildWidgets()
{
    const TWizardHeader header = NewWizardHeader(this);
    m_status = header.Status;
    m_step = header.Step;

    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl"));
    m_pages->addWidget(buildCommonNamePage());
    m_pages->addWidget(buildHostnamePage());
    m_pages->addWidget(buildAuthenticationPage());

    m_back = new QPushButton(this);
    m_back->setObjectName(QStringLiteral("BackButton"));
    m_back->setAutoDefault(false);
    m_next = new QPushButton(this);
    m_next->setObjectName(QStringLiteral("NextButton"));
    m_next->setDefault(true);
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_cancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 12);
    buttons->addStretch(1);
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    buttons->addSpacing(12);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(header.Panel);
    layout->addWidget(NewHorizontalLine(this));
    layout->addWidget(m_pages, 1);
    layout->addWidget(NewHorizontalLine(this));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_back, &QPushButton::clicked, this, &TAddHostWizardForm::BackButtonClick);
    connect(m_next, &QPushButton::clicked, this, &TAddHostWizardForm::NextButtonClick);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_anonymous, &QCheckBox::toggled, this, &TAddHostWizardForm::IsAnonymousCheckBoxClick);

    setTabOrder(m_commonName, m_hostname);
    setTabOrder(m_hostname, m_username);
    setTabOrder(m_username, m_password);
    setTabOrder(m_password, m_anonymous);
    setTabOrder(m_anonymous, m_back);
    setTabOrder(m_back, m_next);
    setTabOrder(m_next, m_cancel);
}

QWidget* TAddHostWizardForm::buildCommonNamePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("CommonNameTabSheet"));
    m_commonName = NewDialogEdit("CommonNameEdit", page);
    QVBoxLayout* layout = newPageLayout(page);
    layout->addWidget(NewBuddyLabel("CommonNameInfoLabel", nullptr, page));
    layout->addWidget(m_commonName);
    layout->addWidget(NewBuddyLabel("CommonNameExampleLabel", nullptr, page));
    layout->addStretch(1);
    return page;
}

QWidget* TAddHostWizardForm::buildHostnamePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("HostnameTabSheet"));
    m_hostname = NewDialogEdit("HostnameEdit", page);
    QVBoxLayout* layout = newPageLayout(page);
    layout->addWidget(NewBuddyLabel("HostnameInfoLabel", nullptr, page));
    layout->addWidget(m_hostname);
    layout->addWidget(NewBuddyLabel("HostnameExampleLabel", nullptr, page));
    layout->addStretch(1);
    return page;
}

QWidget* TAddHostWizardForm::buildAuthenticationPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("AuthenticationTabSheet"));
    m_username = NewDialogEdit("UsernameEdit", page);
    m_password = NewDialogEdit("PasswordEdit", page);
    m_anonymous = new QCheckBox(page);
    m_anonymous->setObjectName(QStringLiteral("IsAnonymousCheckBox"));
    QLabel* usernameLabel = NewBuddyLabel("UsernameLabel", nullptr, page);
    usernameLabel->setBuddy(m_username);
    QLabel* passwordLabel = NewBuddyLabel("PasswordLabel", nullptr, page);
    passwordLabel->setBuddy(m_password);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->addWidget(usernameLabel, 0, 0);
    grid->addWidget(m_username, 0, 1);
    grid->addWidget(passwordLabel, 1, 0);
    grid->addWidget(m_password, 1, 1);
    grid->addWidget(m_anonymous, 2, 1);
    grid->setColumnStretch(1, 1);

    QVBoxLayout* layout = newPageLayout(page);
    layout->addWidget(NewBuddyLabel("AuthenticationInfoLabel", nullptr, page));
    layout->addLayout(grid);
    layout->addStretch(1);
    return page;
}

void TAddHostWizardForm::applyLanguage()
{
    m_language.apply(this);
    // The two edits without a label beside them are named by their page and
    // described by its explanation.
    for (QLineEdit* edit : {m_commonName, m_hostname}) {
        QWidget* page = edit->parentWidget();
        edit->setAccessibleName(TFormLanguage::withoutMnemonic(m_language.caption(page->objectName())));
        const QString prefix = page->objectName().chopped(QStringLiteral("TabSheet").size());
        edit->setAccessibleDescription(m_language.caption(prefix + QStringLiteral("InfoLabel")).simplified());
    }
}

void TAddHostWizardForm::updatePage()
{
    const int page = m_pages->currentIndex();
    const bool last = page == kPageCount - 1;
    m_status->setText(m_language.caption(m_pages->currentWidget()->objectName()));
    m_step->setText(Format(m_language.text(QStringLiteral("strSTEPLABEL")), {page + 1, kPageCount}));
    m_back->setEnabled(page > 0);
    m_next->setText(m_language.text(last ? QStringLiteral("IDS_0") : QStringLiteral("IDS_1")));
    m_next->setAccessibleName(TFormLanguage::withoutMnemonic(m_next->text()));
    FocusFirstControl(m_pages->currentWidget());
}

void TAddHostWizardForm::BackButtonClick()
{
    if (m_pages->currentIndex() > 0)
        m_pages->setCurrentIndex(m_pages->currentIndex() - 1);
    updatePage();
}

void TAddHostWizardForm::NextButtonClick()
{
    m_advanced = true;
    if (m_pages->currentIndex() == kPageCount - 1) {
        accept();
        return;
    }
    m_pages->setCurrentIndex(m_pages->currentIndex() + 1);
    updatePage();
}

void TAddHostWizardForm::IsAnonymousCheckBoxClick()
{
    const bool anonymous = m_anonymous->isChecked();
    if (anonymous) {
        m_username->setText(QStringLiteral("anonymous"));
        m_password->setText(MainConfig() ? MainConfig()->AnonymousEmail() : QString());
    } else {
        m_username->clear();
        m_password->clear();
    }
    m_username->setEnabled(!anonymous);
    m_password->setEnabled(!anonymous);
    SetupPasswordEdit(m_password, anonymous);
}

bool TAddHostWizardForm::storeHost()
{
    // The same record on every attempt: a second Finish after a failed write
    // updates the host the first one appended instead of adding another.
    m_host.CommonName = m_commonName->text();
    m_host.Hostname = m_hostname->text();
    m_host.Username = m_username->text();
    m_host.Password = m_password->text();
    m_host.Port = kPort;
    m_host.IsAnonymous = m_anonymous->isChecked();

    QString error;
    THosts* store = Hosts();
    if (store && store->UpdateHost(m_host, &error)) {
        m_stored = true;
        return true;
    }
    TMessageRequest request;
    request.Type = TMessageRequest::TType::Error;
    request.Text = Format(m_language.text(QStringLiteral("strSaveError")), {error});
    request.Buttons = QMessageBox::Ok;
    TMessageDialog::show(this, m_language, request);
    return false;
}

void TAddHostWizardForm::done(int result)
{
    if (result == QDialog::Accepted) {
        if (!storeHost())
            return;
    } else if (m_advanced) {
        TMessageRequest request;
        request.Type = TMessageRequest::TType::Confirmation;
        request.Text = m_language.text(QStringLiteral("IDS_3"));
        request.Buttons = QMessageBox::Yes | QMessageBox::No;
        request.DefaultButton = QMessageBox::Yes;
        if (TMessageDialog::show(this, m_language, request) != QMessageBox::Yes)
            return;
    }
    QDialog::done(result);
}
