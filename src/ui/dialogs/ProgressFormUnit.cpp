#include "ui/dialogs/ProgressFormUnit.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TProgressForm::TProgressForm(QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("ProgressForm"))
{
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    // Shown without waiting, but the rest of the program takes no input while the
    // loop lets events run between its items.
    setWindowModality(Qt::ApplicationModal);

    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("ProgressDescriptionLabel"));
    m_description->setWordWrap(true);
    m_detail = new QLabel(this);
    m_detail->setObjectName(QStringLiteral("DetailDescriptionLabel"));
    m_detail->setTextFormat(Qt::PlainText);
    // A fixed width: the window keeps its size whatever the names it shows.
    m_detail->setFixedWidth(m_detail->fontMetrics().averageCharWidth() * 48);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar"));
    m_bar->setRange(0, kDesignTotalParts);
    m_bar->setValue(0);
    m_cancelButton = new QPushButton(this);
    m_cancelButton->setObjectName(QStringLiteral("Button1"));
    m_cancelButton->setDefault(true);
    connect(m_cancelButton, &QPushButton::clicked, this, &TProgressForm::cancel);

    auto* detailRow = new QHBoxLayout;
    detailRow->addSpacing(16);
    detailRow->addWidget(m_detail, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_description);
    layout->addLayout(detailRow);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_language.apply(this);
    m_bar->setAccessibleName(m_language.text(QStringLiteral("strProgressBar")));
    m_description->setAccessibleName(m_language.text(QStringLiteral("strProgressDescription")));
    m_detail->setAccessibleName(m_language.text(QStringLiteral("strProgressDetail")));
    m_cancelButton->setFocus();
}

void TProgressForm::setTotalParts(int parts)
{
    m_bar->setRange(0, std::max(parts, 0));
    m_bar->setValue(std::min(m_bar->value(), m_bar->maximum()));
}

int TProgressForm::totalParts() const
{
    return m_bar->maximum();
}

int TProgressForm::partsComplete() const
{
    return m_bar->value();
}

void TProgressForm::step()
{
    m_bar->setValue(std::min(m_bar->value() + 1, m_bar->maximum()));
}

void TProgressForm::setDescription(const QString& text)
{
    m_description->setText(text);
    setAccessibleDescription(text);
}

void TProgressForm::setDetail(const QString& text)
{
    m_detailText = text;
    // A long path keeps its start and its file name.
    m_detail->setText(m_detail->fontMetrics().elidedText(text, Qt::ElideMiddle, m_detail->width()));
    m_detail->setToolTip(text == m_detail->text() ? QString() : text);
}

bool TProgressForm::cancelled()
{
    if (!m_cancelled)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return m_cancelled;
}

void TProgressForm::cancel()
{
    m_cancelled = true;
    setResult(QDialog::Rejected);
    m_cancelButton->setEnabled(false);
}

void TProgressForm::reject()
{
    // Escape: the same as Cancel; the caller closes the window after its loop.
    cancel();
}

void TProgressForm::closeEvent(QCloseEvent* event)
{
    // The title bar's close button cancels; the caller's close() at the end closes
    // (QDialog's own handling would reject, which here only cancels).
    if (event->spontaneous() && !m_cancelled) {
        cancel();
        event->ignore();
        return;
    }
    event->accept();
}
