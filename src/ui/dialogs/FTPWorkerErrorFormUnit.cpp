#include "ui/dialogs/FTPWorkerErrorFormUnit.h"

#include <exception>

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "engine/EEngineError.h"
#include "engine/EFTPTransferException.h"

namespace {

TFTPWorkerErrorForm::TShowHook& showHook()
{
    static TFTPWorkerErrorForm::TShowHook hook;
    return hook;
}

QPlainTextEdit* newMemo(const char* name, int lines, QWidget* parent)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QString::fromLatin1(name));
    memo->setReadOnly(true);
    memo->setTabChangesFocus(true);
    const int lineHeight = memo->fontMetrics().lineSpacing();
    memo->setFixedSize(lineHeight * 26, lineHeight * lines + 12);
    return memo;
}

} // namespace

TFTPWorkerErrorForm::TFTPWorkerErrorForm(QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("FTPWorkerErrorForm"))
{
    setObjectName(QStringLiteral("FTPWorkerErrorForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    const QIcon exclamation = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    setWindowIcon(exclamation);

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("IconImage"));
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    m_icon->setPixmap(exclamation.pixmap(iconSize, iconSize));
    m_icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_shortDescription = new QLabel(this);
    m_shortDescription->setObjectName(QStringLiteral("ShortDescriptionLabel"));
    m_shortDescription->setWordWrap(true);
    m_shortDescription->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = m_shortDescription->font();
    bold.setBold(true);
    m_shortDescription->setFont(bold);
    m_longDescription = newMemo("LongDescriptionMemo", 5, this);
    m_serverReplyLabel = new QLabel(this);
    m_serverReplyLabel->setObjectName(QStringLiteral("ServerReplyLabel"));
    m_serverText = newMemo("ServerTextMemo", 3, this);
    m_serverText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_serverReplyLabel->setBuddy(m_serverText);
    m_ok = new QPushButton(this);
    m_ok->setObjectName(QStringLiteral("OKButton"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_shortDescription);
    texts->addWidget(m_longDescription);
    texts->addWidget(m_serverReplyLabel);
    texts->addWidget(m_serverText);
    auto* top = new QHBoxLayout;
    top->addWidget(m_icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_language.apply(this);
    setServerText(QString());
    m_ok->setFocus();
}

void TFTPWorkerErrorForm::setShortDescription(const QString& text)
{
    m_shortDescription->setText(text);
    m_shortDescription->setAccessibleName(text);
    setAccessibleDescription(text);
}

void TFTPWorkerErrorForm::setLongDescription(const QString& text)
{
    m_longDescription->setPlainText(text);
}

void TFTPWorkerErrorForm::setServerText(const QString& text)
{
    m_serverText->setPlainText(text);
    m_serverReplyLabel->setVisible(!text.isEmpty());
    m_serverText->setVisible(!text.isEmpty());
}

void TFTPWorkerErrorForm::setError(const EEngineError& error)
{
    setShortDescription(error.Message());
    const auto* transfer = dynamic_cast<const EFTPTransferException*>(&error);
    setLongDescription(transfer ? transfer->LongDescription : QString());
    QString reply = error.ServerText().trimmed();
    if (error.ReplyCode() > 0 && !reply.startsWith(QString::number(error.ReplyCode())))
        reply = QStringLiteral("%1 %2").arg(error.ReplyCode()).arg(reply).trimmed();
    setServerText(reply);
}

bool TFTPWorkerErrorForm::ShowWorkerError(QWidget* parent, std::unique_ptr<EEngineError> error,
                                          const TDebugLog& debugLog)
{
    if (!error)
        return false;
    if (debugLog)
        debugLog(QStringLiteral("Got WM_WORKERERROR: %1").arg(QString::fromLatin1(error->ClassName())));
    // `error` is freed when this returns, also when showing failed.
    try {
        TFTPWorkerErrorForm form(parent);
        form.setError(*error);
        if (showHook())
            showHook()(form);
        else
            form.exec();
        return true;
    } catch (const std::exception& failure) {
        if (debugLog)
            debugLog(QStringLiteral("The error dialog could not be shown: %1")
                         .arg(QString::fromLocal8Bit(failure.what())));
        return false;
    }
}

void TFTPWorkerErrorForm::setShowHook(TShowHook hook)
{
    showHook() = std::move(hook);
}
