#include <cstdint>

#include <gtest/gtest.h>

#include "core/TMessageTexts.h"
#include "core/TTranslationTable.h"
#include "engine/EngineErrors.h"
#include "ftp/FtpError.h"

namespace {

QString str(const char* text)
{
    return QString::fromUtf8(text);
}

// Fills the process-wide texts from the main window's table in one language and
// empties them again afterwards.
class MessageTextsIn final
{
public:
    explicit MessageTextsIn(const char* language) { use(language); }
    ~MessageTextsIn() { TMessageTexts::clear(); }
    void use(const char* language)
    {
        TTranslationTable table;
        EXPECT_TRUE(table.loadWindowTable(QStringLiteral("MainForm")));
        table.SetLanguage(str(language));
        TMessageTexts::fill(table);
    }
};

// --- Texts -------------------------------------------------------------------

TEST(EngineErrors, TextsComeFromTheMessageTextsWhenTheErrorIsMade)
{
    MessageTextsIn texts("English");
    const EFTRemoteDirectoryCantChange before;
    texts.use("Svenska");
    const EFTRemoteDirectoryCantChange after;

    EXPECT_EQ(before.Message(), str("Could not change to choosen directory."));
    EXPECT_EQ(before.ShortDescription, before.Message());
    EXPECT_TRUE(before.LongDescription.startsWith(str("The remote host wouldn't let you change")));
    EXPECT_EQ(after.Message(), str("Det gick inte att byta till den valda katalogen."));
    EXPECT_TRUE(after.LongDescription.startsWith(str("Fjärrvärden lät dig inte byta")));
}

TEST(EngineErrors, EveryClassHasBothTextsInBothLanguages)
{
    for (const char* language : {"English", "Svenska"}) {
        MessageTextsIn texts(language);
        std::vector<std::unique_ptr<EFTPTransferException>> all;
        all.push_back(std::make_unique<EFTRemoteDirectoryCantChange>());
        all.push_back(std::make_unique<EFTRemoteCantRename>());
        all.push_back(std::make_unique<EFTRemoteDirectoryCantCreate>());
        all.push_back(std::make_unique<EFTRemoteDirectoryCantRead>());
        all.push_back(std::make_unique<EFTRemoteDirectoryParseFailed>());
        all.push_back(std::make_unique<EFTRemoteSymbolicLinkInRecursiveDelete>());
        all.push_back(std::make_unique<EFTRemoteFileCantDelete>());
        all.push_back(std::make_unique<EFTRemoteConnectionFailed>());
        all.push_back(std::make_unique<EFTRemoteConnectionFailed>(TConnectionFailure::cfHostNotFound));
        all.push_back(std::make_unique<EFTRemoteConnectionFailed>(TConnectionFailure::cfTimedOut));
        all.push_back(std::make_unique<EFTRemoteConnectionClosed>());
        all.push_back(std::make_unique<EFTRemoteAuthenticationFailed>());
        all.push_back(std::make_unique<EFTRemoteTLSNotAvailable>());
        all.push_back(std::make_unique<EFTRemoteCertificateRejected>());
        all.push_back(std::make_unique<EFTRemoteFileAlreadyExists>(str("r"), str("l"), 1, 2));
        all.push_back(std::make_unique<EFTRemoteFileSmallerAlreadyExists>(str("r"), str("l"), 1, 2));
        all.push_back(std::make_unique<EFTLocalFileAlreadyExists>(str("r"), str("l"), 1, 2));
        all.push_back(std::make_unique<EFTLocalFileSmallerAlreadyExists>(str("r"), str("l"), 1, 2));
        for (const auto& e : all) {
            EXPECT_FALSE(e->ShortDescription.isEmpty()) << e->ClassName() << " " << language;
            EXPECT_FALSE(e->LongDescription.isEmpty()) << e->ClassName() << " " << language;
            EXPECT_NE(e->ShortDescription, e->LongDescription) << e->ClassName();
        }
    }
}

TEST(EngineErrors, TheRejectedCertificateHasItsOwnTexts)
{
    MessageTextsIn texts("English");
    const EFTRemoteCertificateRejected rejected;
    const EFTRemoteTLSNotAvailable noTls;
    EXPECT_EQ(rejected.Message(), str("The server's certificate was rejected."));
    EXPECT_NE(rejected.Message(), noTls.Message());
    EXPECT_FALSE(rejected.retryable());
    texts.use("Svenska");
    EXPECT_EQ(EFTRemoteCertificateRejected().Message(), str("Serverns certifikat avvisades."));
}

TEST(EngineErrors, WhatIsTheMessageInUtf8)
{
    EFTRemoteFileCantDelete e(str("Fjärrfilen kunde inte tas bort."), str("long"));
    EXPECT_STREQ(e.what(), "Fjärrfilen kunde inte tas bort.");
    e.setMessage(str("other"));
    EXPECT_STREQ(e.what(), "other");
}

// --- Copies ------------------------------------------------------------------

TEST(EngineErrors, CloneKeepsTheClassAndEverything)
{
    EFTRemoteDirectoryCantRead original(str("short"), str("long"));
    original.setCause(ftp::ReplyError(550, "Permission denied", "LIST"));
    const EEngineError& asBase = original;
    std::unique_ptr<EEngineError> copy = asBase.clone();

    ASSERT_NE(dynamic_cast<EFTRemoteDirectoryCantRead*>(copy.get()), nullptr);
    EXPECT_STREQ(copy->ClassName(), "EFTRemoteDirectoryCantRead");
    EXPECT_EQ(copy->Message(), str("short"));
    EXPECT_EQ(copy->ReplyCode(), 550);
    EXPECT_EQ(copy->ServerText(), str("Permission denied"));
    EXPECT_EQ(static_cast<EFTPTransferException&>(*copy).LongDescription, str("long"));
    EXPECT_THROW(copy->raise(), EFTRemoteDirectoryCantRead);
}

TEST(EngineErrors, FileExistsErrorsKeepSizesAboveTwoGigabytes)
{
    const std::int64_t big = (std::int64_t(1) << 33) + 7;
    EFTLocalFileSmallerAlreadyExists original(str("2024-03-05 14:07"), str("2024-03-04 09:00"), big, big - 1);
    auto copy = cloneError<EFTPFileAlreadyExistsException>(original);
    EXPECT_STREQ(copy->ClassName(), "EFTLocalFileSmallerAlreadyExists");
    EXPECT_EQ(copy->RemoteSize, big);
    EXPECT_EQ(copy->LocalSize, big - 1);
    EXPECT_EQ(copy->RemoteDate, str("2024-03-05 14:07"));
    EXPECT_EQ(copy->LocalDate, str("2024-03-04 09:00"));
    try {
        copy->raise();
        FAIL() << "raise() returned";
    } catch (const EFTLocalFileSmallerAlreadyExists& e) {
        EXPECT_EQ(e.RemoteSize, big);
    }
}

TEST(EngineErrors, AssignTakesTheDescriptionsButNotTheMessage)
{
    EFTRemoteFileCantDelete target(str("target short"), str("target long"));
    const EFTRemoteCantRename source(str("source short"), str("source long"));
    target.Assign(source);
    EXPECT_EQ(target.ShortDescription, str("source short"));
    EXPECT_EQ(target.LongDescription, str("source long"));
    EXPECT_EQ(target.Message(), str("target short"));
}

TEST(EngineErrors, FileExistsAssignTakesAllSixFields)
{
    EFTRemoteFileAlreadyExists target(str("a"), str("b"), 1, 2);
    const EFTLocalFileAlreadyExists source(str("s"), str("x"), str("y"), 5000000000, 6000000000, str("l"));
    target.Assign(source);
    EXPECT_EQ(target.ShortDescription, str("s"));
    EXPECT_EQ(target.LongDescription, str("l"));
    EXPECT_EQ(target.RemoteDate, str("x"));
    EXPECT_EQ(target.LocalDate, str("y"));
    EXPECT_EQ(target.RemoteSize, 5000000000);
    EXPECT_EQ(target.LocalSize, 6000000000);
}

TEST(EngineErrors, DirectErrorsCarryAMessageOnly)
{
    MessageTextsIn texts("English");
    const EFDRemoteConnectionFailed failed;
    EXPECT_EQ(failed.Message(), str("Connection to remote host refused."));
    auto copy = failed.clone();
    EXPECT_STREQ(copy->ClassName(), "EFDRemoteConnectionFailed");
    EXPECT_EQ(dynamic_cast<EFTPTransferException*>(copy.get()), nullptr);
    EXPECT_THROW(copy->raise(), EFDRemoteConnectionFailed);
}

// --- The socket-error rule and the retry verdict -----------------------------

TEST(EngineErrors, SocketErrorRule)
{
    MessageTextsIn texts("English");
    auto reset = MakeSocketError(ftp::SocketError(ftp::SocketError::kConnectionReset, 104, "reset"));
    EXPECT_STREQ(reset->ClassName(), "EFTRemoteConnectionClosed");
    EXPECT_EQ(reset->Message(), str("The remote host closed the connection."));
    EXPECT_TRUE(reset->retryable());

    // The class is the refused one; only the texts say the name was not found.
    auto unknown = MakeSocketError(ftp::SocketError(ftp::SocketError::kHostNotFound, -2, "no such host"));
    EXPECT_STREQ(unknown->ClassName(), "EFTRemoteConnectionFailed");
    EXPECT_EQ(unknown->Message(), str("Host not found."));
    EXPECT_TRUE(unknown->LongDescription.startsWith(str("Can't find the hostname")));
    EXPECT_FALSE(unknown->retryable());
    EXPECT_EQ(unknown->ServerText(), str("no such host"));

    // No answer in time (connect, greeting, reply) is no refusal.
    auto late = MakeSocketError(ftp::SocketError::timedOut("waiting for the server's greeting"));
    EXPECT_STREQ(late->ClassName(), "EFTRemoteConnectionFailed");
    EXPECT_EQ(late->Message(), str("Connection to remote host timed out."));
    EXPECT_TRUE(late->LongDescription.startsWith(str("The remote host did not answer in time")));
    EXPECT_TRUE(late->retryable());

    for (int code : {111, ftp::SocketError::kResolverTryAgain}) {
        auto refused = MakeSocketError(ftp::SocketError(code, code, "refused"));
        EXPECT_STREQ(refused->ClassName(), "EFTRemoteConnectionFailed") << code;
        EXPECT_EQ(refused->Message(), str("Connection to remote host refused.")) << code;
        EXPECT_TRUE(refused->retryable()) << code;
    }
}

TEST(EngineErrors, RetryVerdictFollowsTheReplyClass)
{
    EFTRemoteAuthenticationFailed wrongPassword;
    wrongPassword.setCause(ftp::ReplyError(530, "Login incorrect.", "PASS"));
    EXPECT_FALSE(wrongPassword.retryable());
    EXPECT_EQ(wrongPassword.ReplyCode(), 530);

    EFTRemoteAuthenticationFailed tooManyUsers;
    tooManyUsers.setCause(ftp::ReplyError(421, "Too many users", "USER"));
    EXPECT_TRUE(tooManyUsers.retryable());

    EFTRemoteTLSNotAvailable noTls;
    noTls.setCause(ftp::TlsNotAvailableError("AUTH refused"));
    EXPECT_FALSE(noTls.retryable());
    EXPECT_EQ(noTls.ReplyCode(), 0);
    EXPECT_EQ(noTls.ServerText(), str("AUTH refused"));
}

} // namespace
