#include "ui/dialogs/TipOfTheDayFormUnit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/TMainConfig.h"
#include "core/TTips.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/TRtfText.h"

TTipOfTheDayForm::TTipOfTheDayForm(QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("TipOfTheDayForm"))
{
    setObjectName(QStringLiteral("TipOfTheDayForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    buildWidgets();
    m_language.apply(this);
    m_tip->setAccessibleName(m_language.text(QStringLiteral("strTipText")));
    if (const TMainConfig* config = MainConfig())
        m_showOnStartup->setChecked(config->ShowTipOnStartup());
    showTip(+1);
    m_ok->setFocus();
}

void TTipOfTheDayForm::buildWidgets()
{
    m_didYouKnow = new QLabel(this);
    m_didYouKnow->setObjectName(QStringLiteral("Label1"));
    QFont heading = m_didYouKnow->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.25);
    m_didYouKnow->setFont(heading);

    m_tip = new QTextEdit(this);
    m_tip->setObjectName(QStringLiteral("TipRichEdit"));
    m_tip->setReadOnly(true);
    m_tip->setFrameShape(QFrame::NoFrame);
    m_tip->setTabChangesFocus(true);
    m_tip->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_tip->setMinimumSize(360, 110);
    m_didYouKnow->setBuddy(m_tip);

    m_readMore = new QLabel(this);
    m_readMore->setObjectName(QStringLiteral("ReadMoreLabel"));
    m_readMore->setCursor(Qt::PointingHandCursor);
    QFont link = m_readMore->font();
    link.setUnderline(true);
    m_readMore->setFont(link);
    QPalette linkPalette = m_readMore->palette();
    linkPalette.setColor(QPalette::WindowText, linkPalette.color(QPalette::Link));
    m_readMore->setPalette(linkPalette);
    m_readMore->hide();

    // The tip on the white of a text box, framed like a card.
    auto* card = new QFrame(this);
    card->setObjectName(QStringLiteral("TipPanel"));
    card->setFrameShape(QFrame::StyledPanel);
    card->setAutoFillBackground(true);
    QPalette cardPalette = card->palette();
    cardPalette.setColor(QPalette::Window, cardPalette.color(QPalette::Base));
    card->setPalette(cardPalette);
    auto* cardLayout = new QVBoxLayout(card);
    cardLayout->setContentsMargins(14, 12, 14, 10);
    cardLayout->addWidget(m_didYouKnow);
    cardLayout->addWidget(m_tip, 1);
    cardLayout->addWidget(m_readMore, 0, Qt::AlignLeft);

    m_showOnStartup = new QCheckBox(this);
    m_showOnStartup->setObjectName(QStringLiteral("ShowOnStartupCheckBox"));
    m_showOnStartup->setChecked(true);
    m_ok = NewDialogButton("OKButton", this);
    m_ok->setDefault(true);
    m_nextTip = NewDialogButton("NextTipButton", this);
    m_previousTip = NewDialogButton("PreviousTipButton", this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_showOnStartup);
    buttons->addStretch(1);
    buttons->addWidget(m_previousTip);
    buttons->addWidget(m_nextTip);
    buttons->addWidget(m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(card, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_nextTip, &QPushButton::clicked, this, &TTipOfTheDayForm::NextTipButtonClick);
    connect(m_previousTip, &QPushButton::clicked, this, &TTipOfTheDayForm::PreviousTipButtonClick);

    setTabOrder(m_tip, m_showOnStartup);
    setTabOrder(m_showOnStartup, m_previousTip);
    setTabOrder(m_previousTip, m_nextTip);
    setTabOrder(m_nextTip, m_ok);
    for (QWidget* widget : findChildren<QWidget*>())
        widget->installEventFilter(this);
}

void TTipOfTheDayForm::showTip(int direction)
{
    // A fresh list for every tip: edits to the file show at the next press.
    const QString language = MainConfig() ? MainConfig()->Language() : m_language.language();
    TTips tips(language, m_language.text(QStringLiteral("IDS_1")));
    loadText(direction > 0 ? tips.Next() : tips.Previous());
    // With no tip at all the link keeps what it showed.
    if (tips.current()) {
        m_helpID = tips.HelpID();
        m_readMore->setVisible(m_helpID >= 0);
    }
}

void TTipOfTheDayForm::loadText(const QString& text)
{
    m_tip->clear();
    if (rtftext::isRichText(text)) {
        QTextCursor cursor(m_tip->document());
        rtftext::insert(cursor, text);
    } else {
        m_tip->setPlainText(text);
    }
    m_tip->moveCursor(QTextCursor::Start);
    m_tip->setAccessibleDescription(m_tip->toPlainText());
}

QString TTipOfTheDayForm::tipText() const
{
    return m_tip->toPlainText();
}

void TTipOfTheDayForm::NextTipButtonClick()
{
    showTip(+1);
}

void TTipOfTheDayForm::PreviousTipButtonClick()
{
    showTip(-1);
}

bool TTipOfTheDayForm::eventFilter(QObject* watched, QEvent* event)
{
    // The window sees Escape before its controls do, and keeps it.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TTipOfTheDayForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TTipOfTheDayForm::done(int result)
{
    // OK, Escape and the close box all end here.
    if (TMainConfig* config = MainConfig())
        config->SetShowTipOnStartup(m_showOnStartup->isChecked());
    QDialog::done(result);
}
