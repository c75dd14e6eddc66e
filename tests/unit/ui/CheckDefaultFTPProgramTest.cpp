// The start-up question whether to become the default ftp program.
#include <memory>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/TMainConfig.h"
#include "platform/TSystemRegistrations.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/CheckDefaultFTPProgram.h"

namespace {

class TFakeRegistrations final : public platform::TSystemRegistrations
{
public:
    bool startWithSystem() const override { return false; }
    bool setStartWithSystem(bool) override { return false; }
    bool ftpHandler() const override { return handler; }
    bool setFtpHandler(bool enabled) override
    {
        ++writes;
        handler = enabled;
        return true;
    }
    bool contextMenu() const override { return false; }
    bool setContextMenu(bool) override { return false; }

    bool handler = false;
    int writes = 0;
};

class CheckDefaultFTPProgramTest : public ::testing::Test
{
protected:
    CheckDefaultFTPProgramTest()
        : m_previous(qgetenv("VANTOR_FTP_DATA_DIR"))
    {
        qputenv("VANTOR_FTP_DATA_DIR", m_dir.path().toUtf8());
        TMainConfig::createGlobal(m_registrations);
        m_language.setLanguage(QStringLiteral("English"));
    }
    ~CheckDefaultFTPProgramTest() override
    {
        TMessageDialog::setAnswerer(nullptr);
        TMainConfig::destroyGlobal();
        qputenv("VANTOR_FTP_DATA_DIR", m_previous);
    }
    void answer(QMessageBox::StandardButton button, bool tick)
    {
        TMessageDialog::setAnswerer([this, button, tick](TMessageRequest& request) {
            m_asked.append(request.Text);
            request.Result = button;
            request.Checked = tick;
        });
    }

    QTemporaryDir m_dir;
    QByteArray m_previous;
    std::shared_ptr<TFakeRegistrations> m_registrations = std::make_shared<TFakeRegistrations>();
    TFormLanguage m_language{QStringLiteral("MainForm")};
    QStringList m_asked;
};

} // namespace

TEST_F(CheckDefaultFTPProgramTest, YesRegistersAndARegisteredProgramIsNotAsked)
{
    answer(QMessageBox::Yes, false);
    CheckDefaultFTPProgram(nullptr, m_language);
    ASSERT_EQ(m_asked.size(), 1);
    EXPECT_EQ(m_asked[0], "Vantor FTP is currently not your default FTP program. \n\n"
                          "Would you like to have it as your default FTP program?");
    EXPECT_TRUE(m_registrations->handler);
    CheckDefaultFTPProgram(nullptr, m_language);
    EXPECT_EQ(m_asked.size(), 1) << "already the default: no question";
}

TEST_F(CheckDefaultFTPProgramTest, NoAsksAgainUnlessRememberedAndARememberedYesRegistersSilently)
{
    answer(QMessageBox::No, false);
    CheckDefaultFTPProgram(nullptr, m_language);
    CheckDefaultFTPProgram(nullptr, m_language);
    EXPECT_EQ(m_asked.size(), 2);
    EXPECT_EQ(m_registrations->writes, 0);

    answer(QMessageBox::No, true);
    CheckDefaultFTPProgram(nullptr, m_language);
    m_asked.clear();
    CheckDefaultFTPProgram(nullptr, m_language);
    EXPECT_TRUE(m_asked.isEmpty()) << "a remembered No never asks again";
    EXPECT_EQ(m_registrations->writes, 0);

    MainConfig()->SetDialogDefault(QStringLiteral("IDS_54"), 0);
    answer(QMessageBox::Yes, true);
    CheckDefaultFTPProgram(nullptr, m_language);
    ASSERT_EQ(m_registrations->writes, 1);
    // Someone else took the scheme: the remembered Yes takes it back unasked.
    m_registrations->handler = false;
    m_asked.clear();
    CheckDefaultFTPProgram(nullptr, m_language);
    EXPECT_TRUE(m_asked.isEmpty());
    EXPECT_EQ(m_registrations->writes, 2);
    EXPECT_TRUE(m_registrations->handler);
}
