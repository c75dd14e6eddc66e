#include "ui/dialogs/DestinationDirectoryFormUnit.h"

#include <algorithm>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/THost.h"

TDestinationDirectoryForm::TDestinationDirectoryForm(QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("DestinationDirectoryForm"))
{
    setObjectName(QStringLiteral("DestinationDirectoryForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_directories = new QComboBox(this);
    m_directories->setObjectName(QStringLiteral("DestinationDirectoryComboBox"));
    m_directories->setEditable(true);
    // Enter accepts the dialog; a typed path is used as typed, never added.
    m_directories->setInsertPolicy(QComboBox::NoInsert);
    m_directories->setMinimumContentsLength(36);
    m_directories->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_label->setBuddy(m_directories);
    m_ok = new QPushButton(this);
    m_ok->setObjectName(QStringLiteral("OKButton"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_directories);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_language.apply(this);
    // The label spans two lines; the combo box is announced by the short name.
    m_directories->setAccessibleName(m_language.text(QStringLiteral("strDestinationDirectory")));
    TFormLanguage::keepAccessibleName(m_directories);
    m_directories->setFocus();
}

void TDestinationDirectoryForm::setUp(const THost& host)
{
    m_host = &host;
    QStringList paths;
    if (!host.InitialRemoteDirectory.isEmpty())
        paths.append(host.InitialRemoteDirectory);
    for (const QString& bookmark : host.Bookmarks)
        paths.append(bookmark);
    // A sorted list, compared without regard to case as the file manager does.
    std::stable_sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
        return QString::localeAwareCompare(a.toLower(), b.toLower()) < 0;
    });
    m_directories->clear();
    m_directories->addItems(paths);
    if (!paths.isEmpty())
        m_directories->setCurrentIndex(0);
    else
        m_directories->setEditText(QString());
}

QString TDestinationDirectoryForm::directory() const
{
    return m_directories->currentText();
}

QString TDestinationDirectoryForm::uploadDirectory() const
{
    const QString typed = directory();
    if (!typed.isEmpty())
        return typed;
    return m_host ? m_host->InitialRemoteDirectory : QString();
}
