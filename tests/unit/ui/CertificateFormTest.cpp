#include "ui/dialogs/CertificateFormUnit.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ftp/CertificateInfo.h"
#include "unit/ui/QuickConnectFormTestSupport.h"

namespace {

TCertificatePrompt certificate()
{
    TCertificatePrompt prompt;
    prompt.Host = QStringLiteral("ftp.example.org");
    prompt.Port = 2121;
    prompt.Subject = QStringLiteral("CN=ftp.example.org");
    prompt.Issuer = QStringLiteral("CN=Example Test CA");
    prompt.NotBefore = QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
    prompt.NotAfter = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    prompt.VerifyError = QStringLiteral("self-signed certificate");
    prompt.FingerprintText = QStringLiteral("AB:CD:EF");
    prompt.Fingerprint = QStringLiteral("abcdef");
    return prompt;
}

QString labelText(QWidget& form, const char* name)
{
    auto* label = form.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

class CertificateFormTest : public ::testing::Test
{
protected:
    dialogtest::DialogEnvironment env;
};

TEST_F(CertificateFormTest, ShowsTheCertificateAndWarnsOnlyWhenAnotherWasTrusted)
{
    TCertificateForm form(certificate());
    EXPECT_EQ(labelText(form, "ServerLabel"), QStringLiteral("ftp.example.org, port 2121"));
    EXPECT_EQ(labelText(form, "IssuerLabel"), QStringLiteral("CN=Example Test CA"));
    EXPECT_EQ(labelText(form, "FingerprintLabel"), QStringLiteral("AB:CD:EF"));
    EXPECT_EQ(labelText(form, "VerifyErrorLabel"), QStringLiteral("self-signed certificate"));
    EXPECT_FALSE(labelText(form, "ValidToLabel").isEmpty());
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("ChangedCertificateLabel")), nullptr);

    TCertificatePrompt changed = certificate();
    changed.PreviouslyTrustedFingerprint = QStringLiteral("11:22:33");
    TCertificateForm warned(changed);
    EXPECT_TRUE(labelText(warned, "ChangedCertificateLabel").contains(QStringLiteral("11:22:33")));
}

TEST_F(CertificateFormTest, ThreeAnswersAndEscapeRejects)
{
    const std::pair<const char*, TCertificateAnswer> buttons[] = {
        {"AcceptOnceButton", TCertificateAnswer::caAcceptOnce},
        {"AcceptAlwaysButton", TCertificateAnswer::caAcceptAlways},
        {"RejectButton", TCertificateAnswer::caReject},
    };
    for (const auto& [name, expected] : buttons) {
        TCertificateForm form(certificate());
        form.findChild<QPushButton*>(QString::fromLatin1(name))->click();
        EXPECT_EQ(form.answer(), expected) << name;
    }
    TCertificateForm form(certificate());
    EXPECT_TRUE(form.findChild<QPushButton*>(QStringLiteral("RejectButton"))->isDefault());
    form.show();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.answer(), TCertificateAnswer::caReject);
}

TEST_F(CertificateFormTest, AskCertificateFillsThePromptsAnswer)
{
    QWidget window;
    TCertificatePrompt prompt = certificate();
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(qobject_cast<TCertificateForm*>(modal), nullptr);
        modal->findChild<QPushButton*>(QStringLiteral("AcceptAlwaysButton"))->click();
    });
    AskCertificate(&window, prompt);
    EXPECT_EQ(prompt.Answer, TCertificateAnswer::caAcceptAlways);
    EXPECT_TRUE(window.findChildren<TCertificateForm*>().isEmpty());
}

TEST_F(CertificateFormTest, SwedishLeavesNoEnglishText)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    TCertificatePrompt prompt = certificate();
    prompt.PreviouslyTrustedFingerprint = QStringLiteral("11:22:33");
    TCertificateForm form(prompt);
    EXPECT_TRUE(labelText(form, "ChangedCertificateLabel").startsWith(QStringLiteral("Varning: ")));
    EXPECT_EQ(dialogtest::englishTextsLeft(&form, QStringLiteral("CertificateForm")), QStringList());
}

} // namespace

TEST_F(CertificateFormTest, EveryVerificationErrorIsShownOneALine)
{
    ftp::CertificateInfo info;
    info.subject = "CN=wrong.example";
    info.verifyErrors = {"self-signed certificate", "IP address mismatch", "certificate has expired"};
    info.verifyError = "self-signed certificate; IP address mismatch; certificate has expired";
    const TCertificatePrompt prompt =
        TCertificatePrompt::fromCertificate(QStringLiteral("127.0.0.1"), 21, info);
    EXPECT_EQ(prompt.VerifyErrors.size(), 3);
    TCertificateForm form(prompt);
    EXPECT_EQ(labelText(form, "VerifyErrorLabel"),
              QStringLiteral("self-signed certificate\nIP address mismatch\ncertificate has expired"));
}
