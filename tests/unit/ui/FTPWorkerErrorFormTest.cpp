#include "ui/dialogs/FTPWorkerErrorFormUnit.h"

#include <stdexcept>

#include <QLabel>
#include <QPlainTextEdit>

#include "engine/EFTPDirectException.h"
#include "engine/EFTRemoteCantRename.h"
#include "engine/EFTRemoteConnectionFailed.h"
#include "unit/ui/QuickConnectFormTestSupport.h"

namespace {

QString memoText(QWidget& form, const char* name)
{
    return dialogtest::child<QPlainTextEdit>(form, name)->toPlainText();
}

// Tells when it is freed.
class ETrackedError final : public EFTPDirectException
{
public:
    ETrackedError(bool* freed)
        : EFTPDirectException(QStringLiteral("tracked"))
        , m_freed(freed)
    {}
    ~ETrackedError() override { *m_freed = true; }

private:
    bool* m_freed;
};

class FTPWorkerErrorFormTest : public ::testing::Test
{
protected:
    ~FTPWorkerErrorFormTest() override { TFTPWorkerErrorForm::setShowHook(nullptr); }
    dialogtest::DialogEnvironment env;
};

TEST_F(FTPWorkerErrorFormTest, ShowsBothTextsAndTheServerReply)
{
    TFTPWorkerErrorForm form;
    EFTRemoteConnectionFailed hostNotFound(TConnectionFailure::cfHostNotFound);
    form.setError(hostNotFound);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Error"));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("ShortDescriptionLabel"))->text(),
              QStringLiteral("Host not found."));
    EXPECT_TRUE(memoText(form, "LongDescriptionMemo").startsWith(QStringLiteral("Can't find the hostname")));
    EXPECT_TRUE(form.findChild<QPlainTextEdit*>(QStringLiteral("LongDescriptionMemo"))->isReadOnly());
    auto* reply = form.findChild<QPlainTextEdit*>(QStringLiteral("ServerTextMemo"));
    EXPECT_FALSE(reply->isVisibleTo(&form));

    EFTRemoteCantRename refused;
    refused.setCause(550, QStringLiteral("Permission denied."), false);
    form.setError(refused);
    EXPECT_TRUE(reply->isVisibleTo(&form));
    EXPECT_EQ(reply->toPlainText(), QStringLiteral("550 Permission denied."));
    EXPECT_TRUE(reply->isReadOnly());
}

TEST_F(FTPWorkerErrorFormTest, AnErrorWithoutTwoTextsShowsAnEmptyLongBox)
{
    TFTPWorkerErrorForm form;
    form.setLongDescription(QStringLiteral("left over"));
    form.setError(EFTPDirectException(QStringLiteral("Could not hand the connection over.")));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("ShortDescriptionLabel"))->text(),
              QStringLiteral("Could not hand the connection over."));
    EXPECT_TRUE(memoText(form, "LongDescriptionMemo").isEmpty());
}

TEST_F(FTPWorkerErrorFormTest, HandlerLogsShowsAndFreesTheError)
{
    QStringList log;
    const auto debugLog = [&](const QString& line) { log << line; };
    int shown = 0;
    TFTPWorkerErrorForm::setShowHook([&](TFTPWorkerErrorForm& form) {
        ++shown;
        EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("ShortDescriptionLabel"))->text(),
                  QStringLiteral("Connection to remote host refused."));
    });
    EXPECT_FALSE(TFTPWorkerErrorForm::ShowWorkerError(nullptr, nullptr, debugLog));
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(log.isEmpty());

    EXPECT_TRUE(TFTPWorkerErrorForm::ShowWorkerError(nullptr, std::make_unique<EFTRemoteConnectionFailed>(),
                                                     debugLog));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(log, QStringList{QStringLiteral("Got WM_WORKERERROR: EFTRemoteConnectionFailed")});

    bool freed = false;
    TFTPWorkerErrorForm::setShowHook([](TFTPWorkerErrorForm&) { throw std::runtime_error("no display"); });
    EXPECT_FALSE(
        TFTPWorkerErrorForm::ShowWorkerError(nullptr, std::make_unique<ETrackedError>(&freed), debugLog));
    EXPECT_TRUE(freed);
    EXPECT_TRUE(log.last().contains(QStringLiteral("no display")));
}

TEST_F(FTPWorkerErrorFormTest, SwedishLeavesNoEnglishText)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    TFTPWorkerErrorForm form;
    form.setShortDescription(QStringLiteral("Värden hittades inte."));
    form.setServerText(QStringLiteral("550 Permission denied."));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Fel"));
    EXPECT_EQ(dialogtest::englishTextsLeft(&form, QStringLiteral("FTPWorkerErrorForm")), QStringList());
}

} // namespace
