#include "ui/main/TRemoteFindDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TRemoteFindDialog::TRemoteFindDialog(QWidget* parent)
    : QDialog(parent)
    , m_edit(new QLineEdit(this))
    , m_findNext(new QPushButton(this))
{
    setObjectName(QStringLiteral("RemoteFindDialog"));
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("RemoteFindLabel"));
    label->setBuddy(m_edit);
    m_edit->setObjectName(QStringLiteral("RemoteFindEdit"));
    m_findNext->setObjectName(QStringLiteral("RemoteFindNextButton"));
    m_findNext->setDefault(true);
    m_findNext->setEnabled(false);
    auto* close = new QPushButton(this);
    close->setObjectName(QStringLiteral("RemoteFindCancelButton"));

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_edit, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_findNext);
    buttons->addWidget(close);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    left->addLayout(row);
    left->addStretch(1);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(m_edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_findNext->setEnabled(!text.isEmpty()); });
    connect(m_findNext, &QPushButton::clicked, this, [this] {
        if (!m_edit->text().isEmpty())
            emit findNext(m_edit->text());
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

QString TRemoteFindDialog::findText() const
{
    return m_edit->text();
}

void TRemoteFindDialog::setFindText(const QString& text)
{
    m_edit->setText(text);
}
