#include "ui/dialogs/FirstRunWizardFormUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/Format.h"
#include "core/TMainConfig.h"
#include "ui/dialogs/DialogSupport.h"

namespace {

QCheckBox* newCheckBox(const char* name, QWidget* parent)
{
    auto* box = new QCheckBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(true);
    return box;
}

} // namespace

TFirstRunWizardForm::TFirstRunWizardForm(QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("FirstRunWizardForm"))
{
    setObjectName(QStringLiteral("FirstRunWizardForm"));
    // A title and nothing to click in it: the guide is not to be cancelled.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    buildWidgets();

    // The item equal to the setting, none when the setting names no item.
    const QString current = MainConfig() ? MainConfig()->Language() : QString();
    m_languages->setCurrentIndex(m_languages->findText(current, Qt::MatchExactly));
    connect(m_languages, &QComboBox::currentIndexChanged, this, &TFirstRunWizardForm::LanguageComboBoxChange);

    applyLanguage();
    updatePage();
}

void TFirstRunWizardForm::buildWidgets()
{
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("WizardPageControl"));

    m_pages->addWidget(newPage("IntroductionTabSheet", "IntroductionLabel"));

    QWidget* languagePage = newPage("LanguageTabSheet", "LanguageLabel");
    m_languages = new QComboBox(languagePage);
    m_languages->setObjectName(QStringLiteral("LanguageComboBox"));
    m_languages->setEditable(false);
    // The columns of the translation tables are the languages the program
    // speaks; each is named in its own language.
    m_languages->addItems(m_language.table().languages());
    m_languages->setMinimumContentsLength(16);
    auto* languageLabel = languagePage->findChild<QLabel*>(QStringLiteral("LanguageLabel"));
    languageLabel->setBuddy(m_languages);
    auto* languageLayout = static_cast<QVBoxLayout*>(languagePage->layout());
    languageLayout->insertWidget(1, m_languages, 0, Qt::AlignLeft);
    m_pages->addWidget(languagePage);

    QWidget* startupPage = newPage("StartupTabSheet", "StartupLabel");
    m_addSamples = newCheckBox("AddSampleSitesCheckBox", startupPage);
    m_addHostWizard = newCheckBox("ShowAddNewHostWizardCheckBox", startupPage);
    auto* startupLayout = static_cast<QVBoxLayout*>(startupPage->layout());
    startupLayout->insertWidget(1, m_addSamples);
    startupLayout->insertWidget(2, m_addHostWizard);
    m_pages->addWidget(startupPage);

    m_back = NewDialogButton("BackButton", this);
    m_next = NewDialogButton("NextButton", this);
    m_next->setDefault(true);
    m_cancel = NewDialogButton("CancelButton", this);
    m_cancel->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    buttons->addSpacing(12);
    buttons->addWidget(m_cancel);
    buttons->setContentsMargins(11, 0, 11, 11);

    auto* pageBox = new QVBoxLayout;
    pageBox->setContentsMargins(22, 14, 22, 8);
    pageBox->addWidget(m_pages);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const TWizardHeader header = NewWizardHeader(this);
    m_status = header.Status;
    m_step = header.Step;
    m_image = header.Image;
    layout->addWidget(header.Panel);
    layout->addWidget(NewHorizontalLine(this));
    layout->addLayout(pageBox, 1);
    layout->addWidget(NewHorizontalLine(this));
    layout->addSpacing(11);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_next, &QPushButton::clicked, this, &TFirstRunWizardForm::NextButtonClick);
    connect(m_back, &QPushButton::clicked, this, &TFirstRunWizardForm::BackButtonClick);

    setTabOrder(m_languages, m_addSamples);
    setTabOrder(m_addSamples, m_addHostWizard);
    setTabOrder(m_addHostWizard, m_back);
    setTabOrder(m_back, m_next);
    setTabOrder(m_next, m_cancel);
}

QWidget* TFirstRunWizardForm::newPage(const char* name, const char* textName)
{
    auto* page = new QWidget(m_pages);
    page->setObjectName(QString::fromLatin1(name));
    auto* text = new QLabel(page);
    text->setObjectName(QString::fromLatin1(textName));
    text->setTextFormat(Qt::PlainText);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(text);
    layout->addStretch(1);
    return page;
}

void TFirstRunWizardForm::applyLanguage()
{
    m_language.apply(this);
    m_image->setAccessibleName(m_language.text(QStringLiteral("strHeaderImage")));
}

bool TFirstRunWizardForm::addSampleSites() const
{
    return m_addSamples->isChecked();
}

bool TFirstRunWizardForm::showAddHostWizard() const
{
    return m_addHostWizard->isChecked();
}

QString TFirstRunWizardForm::chosenLanguage() const
{
    return m_languages->currentIndex() < 0 ? QString() : m_languages->currentText();
}

int TFirstRunWizardForm::currentPage() const
{
    return m_pages->currentIndex();
}

void TFirstRunWizardForm::updatePage()
{
    const int page = m_pages->currentIndex();
    const bool last = page == m_pages->count() - 1;
    QWidget* shown = m_pages->currentWidget();
    m_status->setText(m_language.caption(shown->objectName()));
    m_step->setText(Format(m_language.text(QStringLiteral("IDS_2")), {page + 1, m_pages->count()}));
    m_back->setEnabled(page > 0);
    const QString next = m_language.text(last ? QStringLiteral("IDS_3") : QStringLiteral("IDS_1"));
    m_next->setText(next);
    m_next->setAccessibleName(TFormLanguage::withoutMnemonic(next));
    // The page is announced by its caption and the step.
    m_pages->setAccessibleName(m_status->text());
    m_pages->setAccessibleDescription(m_step->text());
    focusFirstControlOf(shown);
}

void TFirstRunWizardForm::focusFirstControlOf(QWidget* page)
{
    // The focus chain runs in tab order; the first control of the page that
    // takes the focus from the keyboard gets it, else the Next button.
    for (QWidget* widget = page->nextInFocusChain(); widget && widget != page;
         widget = widget->nextInFocusChain()) {
        if (!page->isAncestorOf(widget))
            continue;
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled()) {
            widget->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    m_next->setFocus(Qt::OtherFocusReason);
}

void TFirstRunWizardForm::NextButtonClick()
{
    const int page = m_pages->currentIndex();
    if (page == m_pages->count() - 1) {
        accept();
        return;
    }
    m_pages->setCurrentIndex(page + 1);
    updatePage();
}

void TFirstRunWizardForm::BackButtonClick()
{
    const int page = m_pages->currentIndex();
    if (page == 0)
        return;
    m_pages->setCurrentIndex(page - 1);
    updatePage();
}

void TFirstRunWizardForm::LanguageComboBoxChange(int index)
{
    if (index < 0)
        return;
    m_language.setLanguage(m_languages->itemText(index));
    applyLanguage();
    updatePage();
}

void TFirstRunWizardForm::keyPressEvent(QKeyEvent* event)
{
    // Escape would reject the dialog: the guide has no way out but Finish.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
