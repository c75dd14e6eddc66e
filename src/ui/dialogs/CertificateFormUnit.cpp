#include "ui/dialogs/CertificateFormUnit.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "core/Format.h"

namespace {

QLabel* newLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

// A value the user may want to copy (the fingerprint above all).
QLabel* newValue(const char* name, const QString& text, QWidget* parent)
{
    QLabel* label = newLabel(name, parent);
    label->setText(text);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// A SHA-256 fingerprint as two lines of 16 bytes, the way it is read out and compared.
QString fingerprintLines(const QString& text)
{
    const QStringList bytes = text.split(u':');
    if (bytes.size() != 32)
        return text;
    return bytes.mid(0, 16).join(u':') + QStringLiteral(":\n") + bytes.mid(16).join(u':');
}

QString dateText(const QDateTime& utc)
{
    return utc.isValid() ? QLocale().toString(utc.toLocalTime(), QLocale::ShortFormat) : QString();
}

} // namespace

TCertificateForm::TCertificateForm(const TCertificatePrompt& prompt, QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("CertificateForm"))
{
    setObjectName(QStringLiteral("CertificateForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    setWindowIcon(warning);
    const int textWidth = fontMetrics().averageCharWidth() * 70;

    auto* image = newLabel("WarningImage", this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    image->setPixmap(warning.pixmap(iconSize, iconSize));
    auto* intro = newLabel("IntroLabel", this);
    intro->setWordWrap(true);
    intro->setFixedWidth(textWidth);

    auto* facts = new QGridLayout;
    int row = 0;
    const auto addFact = [&](const char* captionName, QLabel* value) {
        auto* caption = newLabel(captionName, this);
        caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        facts->addWidget(caption, row, 0, Qt::AlignTop);
        facts->addWidget(value, row, 1);
        ++row;
    };
    addFact("ServerCaptionLabel",
            newValue("ServerLabel",
                     Format(m_language.text(QStringLiteral("strServerAndPort")), {prompt.Host, prompt.Port}),
                     this));
    addFact("SubjectCaptionLabel", newValue("SubjectLabel", prompt.Subject, this));
    addFact("IssuerCaptionLabel", newValue("IssuerLabel", prompt.Issuer, this));
    addFact("ValidFromCaptionLabel", newValue("ValidFromLabel", dateText(prompt.NotBefore), this));
    addFact("ValidToCaptionLabel", newValue("ValidToLabel", dateText(prompt.NotAfter), this));
    QLabel* fingerprint = newValue("FingerprintLabel", fingerprintLines(prompt.FingerprintText), this);
    fingerprint->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    fingerprint->setWordWrap(false);
    addFact("FingerprintCaptionLabel", fingerprint);
    addFact("VerifyErrorCaptionLabel",
            newValue("VerifyErrorLabel",
                     prompt.VerifyErrors.isEmpty() ? prompt.VerifyError : prompt.VerifyErrors.join(u'\n'),
                     this));
    facts->setColumnStretch(1, 1);

    QLabel* changed = nullptr;
    if (!prompt.PreviouslyTrustedFingerprint.isEmpty()) {
        changed = newValue("ChangedCertificateLabel",
                           Format(m_language.text(QStringLiteral("strChangedCertificate")),
                                  {prompt.PreviouslyTrustedFingerprint}),
                           this);
        changed->setFixedWidth(textWidth);
        QFont bold = changed->font();
        bold.setBold(true);
        changed->setFont(bold);
    }

    auto* acceptOnce = new QPushButton(this);
    acceptOnce->setObjectName(QStringLiteral("AcceptOnceButton"));
    acceptOnce->setAutoDefault(false);
    auto* acceptAlways = new QPushButton(this);
    acceptAlways->setObjectName(QStringLiteral("AcceptAlwaysButton"));
    acceptAlways->setAutoDefault(false);
    auto* rejectButton = new QPushButton(this);
    rejectButton->setObjectName(QStringLiteral("RejectButton"));
    rejectButton->setDefault(true);

    auto* texts = new QVBoxLayout;
    texts->addWidget(intro);
    texts->addLayout(facts);
    if (changed)
        texts->addWidget(changed);
    auto* top = new QHBoxLayout;
    top->addWidget(image, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(acceptOnce);
    buttons->addWidget(acceptAlways);
    buttons->addWidget(rejectButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_language.apply(this);

    connect(acceptOnce, &QPushButton::clicked, this, [this] { choose(TCertificateAnswer::caAcceptOnce); });
    connect(acceptAlways, &QPushButton::clicked, this,
            [this] { choose(TCertificateAnswer::caAcceptAlways); });
    connect(rejectButton, &QPushButton::clicked, this, [this] { choose(TCertificateAnswer::caReject); });
    setTabOrder(acceptOnce, acceptAlways);
    setTabOrder(acceptAlways, rejectButton);
    rejectButton->setFocus();
}

void TCertificateForm::choose(TCertificateAnswer answer)
{
    m_answer = answer;
    if (answer == TCertificateAnswer::caReject)
        reject();
    else
        accept();
}

void AskCertificate(QWidget* parent, TCertificatePrompt& prompt)
{
    prompt.Answer = TCertificateAnswer::caReject;
    // On the heap: a parent destroyed while the question waits takes it along.
    QPointer<TCertificateForm> form = new TCertificateForm(prompt, parent);
    form->exec();
    if (!form)
        return;
    prompt.Answer = form->answer();
    delete form;
}
