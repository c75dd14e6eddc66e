#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "core/TDataFileNotices.h"
#include "engine/TTrustedCertificates.h"
#include "ftp/CertificateInfo.h"
#include "unit/core/CoreTestSupport.h"

namespace {

ftp::CertificateInfo certificate(const char* fingerprint, bool verified = false)
{
    ftp::CertificateInfo info;
    info.verified = verified;
    info.verifyError = "self-signed certificate";
    info.sha256 = fingerprint;
    info.subject = "CN=ftp.example.org";
    info.issuer = "CN=ftp.example.org";
    info.notBefore = 1700000000;
    info.notAfter = 1800000000;
    return info;
}

const char* const kFirst = "0a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f60718293a4b5c6d7e8f9";
const char* const kSecond = "ffeeddccbbaa99887766554433221100ffeeddccbbaa99887766554433221100";

struct Asked
{
    int times = 0;
    TCertificatePrompt last;
    TCertificateAnswer answer = TCertificateAnswer::caReject;
    TTrustedCertificates::TAsk ask()
    {
        return [this](TCertificatePrompt& prompt) {
            ++times;
            last = prompt;
            prompt.Answer = answer;
        };
    }
};

TEST(TrustedCertificates, AVerifiedCertificatePassesWithoutAQuestion)
{
    TTrustedCertificates store(QString{});
    Asked asked;
    EXPECT_TRUE(store.decide(QStringLiteral("h"), 21, certificate(kFirst, true), asked.ask()));
    EXPECT_EQ(asked.times, 0);
}

TEST(TrustedCertificates, NobodyToAskMeansRejected)
{
    TTrustedCertificates store(QString{});
    EXPECT_FALSE(store.decide(QStringLiteral("h"), 21, certificate(kFirst), {}));
}

TEST(TrustedCertificates, ThePromptCarriesTheFacts)
{
    TTrustedCertificates store(QString{});
    Asked asked;
    EXPECT_FALSE(store.decide(QStringLiteral("ftp.example.org"), 990, certificate(kFirst), asked.ask()));
    ASSERT_EQ(asked.times, 1);
    EXPECT_EQ(asked.last.Host, QStringLiteral("ftp.example.org"));
    EXPECT_EQ(asked.last.Port, 990);
    EXPECT_EQ(asked.last.Subject, QStringLiteral("CN=ftp.example.org"));
    EXPECT_EQ(asked.last.VerifyError, QStringLiteral("self-signed certificate"));
    EXPECT_EQ(asked.last.Fingerprint, QString::fromLatin1(kFirst));
    EXPECT_TRUE(asked.last.FingerprintText.startsWith(QStringLiteral("0A:1B:2C:")));
    EXPECT_EQ(asked.last.NotAfter.toSecsSinceEpoch(), 1800000000);
    EXPECT_EQ(asked.last.Answer, TCertificateAnswer::caReject);
    EXPECT_TRUE(asked.last.PreviouslyTrustedFingerprint.isEmpty());
}

TEST(TrustedCertificates, AcceptOnceLastsForThisRunAndThisHostAndPortOnly)
{
    TempDataDir data;
    QDir().mkpath(data.dataFolder());
    const QString path = data.path(QStringLiteral("TrustedCertificates.xml"));
    {
        TTrustedCertificates store(path);
        Asked asked;
        asked.answer = TCertificateAnswer::caAcceptOnce;
        EXPECT_TRUE(store.decide(QStringLiteral("Host"), 21, certificate(kFirst), asked.ask()));
        asked.answer = TCertificateAnswer::caReject;
        EXPECT_TRUE(store.decide(QStringLiteral("host"), 21, certificate(kFirst), asked.ask()));
        EXPECT_EQ(asked.times, 1);
        EXPECT_FALSE(store.decide(QStringLiteral("host"), 2121, certificate(kFirst), asked.ask()));
        EXPECT_FALSE(store.decide(QStringLiteral("other"), 21, certificate(kFirst), asked.ask()));
        EXPECT_EQ(asked.times, 3);
    }
    TTrustedCertificates reloaded(path);
    EXPECT_FALSE(reloaded.isTrusted(QStringLiteral("host"), 21, QString::fromLatin1(kFirst)));
}

TEST(TrustedCertificates, AcceptAlwaysIsRememberedInTheDataFile)
{
    TempDataDir data;
    QDir().mkpath(data.dataFolder());
    const QString path = data.path(QStringLiteral("TrustedCertificates.xml"));
    {
        TTrustedCertificates store(path);
        Asked asked;
        asked.answer = TCertificateAnswer::caAcceptAlways;
        QString saveError;
        EXPECT_TRUE(store.decide(QStringLiteral("ftp.example.org"), 21, certificate(kFirst), asked.ask(),
                                 &saveError));
        EXPECT_TRUE(saveError.isEmpty()) << saveError.toStdString();
    }
    EXPECT_TRUE(readWholeFile(path).contains(kFirst));
    // Nothing half-written is left beside it.
    EXPECT_EQ(data.files(), QStringList{QStringLiteral("TrustedCertificates.xml")});

    TTrustedCertificates reloaded(path);
    Asked asked;
    EXPECT_TRUE(reloaded.decide(QStringLiteral("FTP.example.org"), 21, certificate(kFirst), asked.ask()));
    EXPECT_EQ(asked.times, 0);
    // Another certificate for the same host and port: asked again, and told so.
    EXPECT_FALSE(reloaded.decide(QStringLiteral("ftp.example.org"), 21, certificate(kSecond), asked.ask()));
    EXPECT_EQ(asked.last.PreviouslyTrustedFingerprint, QString::fromLatin1(kFirst));
}

TEST(TrustedCertificates, AcceptAlwaysReplacesTheOldCertificateOfTheHostAndPort)
{
    TempDataDir data;
    QDir().mkpath(data.dataFolder());
    const QString path = data.path(QStringLiteral("TrustedCertificates.xml"));
    TTrustedCertificates store(path);
    Asked asked;
    asked.answer = TCertificateAnswer::caAcceptAlways;
    store.decide(QStringLiteral("h"), 21, certificate(kFirst), asked.ask());
    store.decide(QStringLiteral("h"), 21, certificate(kSecond), asked.ask());
    TTrustedCertificates reloaded(path);
    EXPECT_FALSE(reloaded.isTrusted(QStringLiteral("h"), 21, QString::fromLatin1(kFirst)));
    EXPECT_TRUE(reloaded.isTrusted(QStringLiteral("h"), 21, QString::fromLatin1(kSecond)));
    EXPECT_EQ(readWholeFile(path).count("<Certificate "), 1);
}

TEST(TrustedCertificates, AnUnreadableFileIsSetAsideAndTrustsNothing)
{
    TempDataDir data;
    QDir().mkpath(data.dataFolder());
    const QString path = data.path(QStringLiteral("TrustedCertificates.xml"));
    ASSERT_TRUE(writeWholeFile(path, "<TrustedCertificates><Certificate Host=\"h\" Port="));
    TTrustedCertificates store(path);
    EXPECT_FALSE(store.loadResult().ok());
    EXPECT_FALSE(store.isTrusted(QStringLiteral("h"), 21, QString::fromLatin1(kFirst)));
    EXPECT_TRUE(QFile::exists(store.loadResult().setAsidePath));
}

} // namespace

namespace {

TEST(TrustedCertificatesFile, ABrokenFileGivesOneNoticeNamingTheCopy)
{
    TempDataDir data;
    QDir().mkpath(data.dataFolder());
    const QString path = data.path(QStringLiteral("TrustedCertificates.xml"));
    ASSERT_TRUE(writeWholeFile(path, "<TrustedCertificates><Certificate"));
    TDataFileNotices::takeAll();
    TTrustedCertificates store(path);
    const QList<TDataFileNotice> notices = TDataFileNotices::takeAll();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices.front().filePath, path);
    ASSERT_FALSE(notices.front().keptAs.isEmpty());
    EXPECT_EQ(readWholeFile(notices.front().keptAs), QByteArray("<TrustedCertificates><Certificate"));
    EXPECT_EQ(notices.front().keptAs, store.loadResult().setAsidePath);
}

} // namespace
