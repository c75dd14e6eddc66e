#include "ui/dialogs/AddHostWizardFormUnit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/TMainConfig.h"
#include "unit/ui/HostDialogsTestSupport.h"

namespace {

using hostdialogtest::attribute;
using hostdialogtest::HostDialogEnvironment;

template <class T = QLineEdit>
T* child(QWidget& form, const char* name)
{
    return dialogtest::child<T>(form, name);
}

QString text(QWidget& form, const char* name)
{
    return child<QLabel>(form, name)->text();
}

void click(QWidget& form, const char* name)
{
    child<QPushButton>(form, name)->click();
}

class AddHostWizardFormTest : public ::testing::Test
{
protected:
    // Counts the questions and gives `answer` to each.
    void answerWith(QMessageBox::StandardButton answer)
    {
        TMessageDialog::setAnswerer([this, answer](TMessageRequest& request) {
            questions << request.Text;
            EXPECT_EQ(request.Type, TMessageRequest::TType::Confirmation);
            EXPECT_EQ(request.Buttons, QMessageBox::Yes | QMessageBox::No);
            request.Result = answer;
        });
    }

    HostDialogEnvironment env;
    QStringList questions;
};

TEST_F(AddHostWizardFormTest, HeaderBackAndNextFollowThePage)
{
    TAddHostWizardForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("New host"));
    EXPECT_EQ(text(form, "StepLabel"), QStringLiteral("Step 1 of 3"));
    EXPECT_EQ(text(form, "StatusLabel"), QStringLiteral("Common name"));
    EXPECT_FALSE(child<QPushButton>(form, "BackButton")->isEnabled());
    EXPECT_EQ(child<QPushButton>(form, "NextButton")->text(), QStringLiteral("Next >"));
    EXPECT_TRUE(child<QPushButton>(form, "NextButton")->isDefault());

    click(form, "NextButton");
    click(form, "NextButton");
    EXPECT_EQ(form.currentPage(), 2);
    EXPECT_EQ(text(form, "StepLabel"), QStringLiteral("Step 3 of 3"));
    EXPECT_EQ(text(form, "StatusLabel"), QStringLiteral("User authentication"));
    EXPECT_TRUE(child<QPushButton>(form, "BackButton")->isEnabled());
    EXPECT_EQ(child<QPushButton>(form, "NextButton")->text(), QStringLiteral("Finish"));
    EXPECT_EQ(form.result(), 0) << "Next on page 2 must not close";

    click(form, "BackButton");
    EXPECT_EQ(text(form, "StepLabel"), QStringLiteral("Step 2 of 3"));
    EXPECT_EQ(text(form, "StatusLabel"), QStringLiteral("Hostname"));
    EXPECT_EQ(child<QPushButton>(form, "NextButton")->text(), QStringLiteral("Next >"));
}

TEST_F(AddHostWizardFormTest, EachPageFocusesItsFirstControl)
{
    TAddHostWizardForm form;
    form.show();
    EXPECT_EQ(form.focusWidget(), child(form, "CommonNameEdit"));
    click(form, "NextButton");
    EXPECT_EQ(form.focusWidget(), child(form, "HostnameEdit"));
    click(form, "NextButton");
    EXPECT_EQ(form.focusWidget(), child(form, "UsernameEdit"));
    // With the edits disabled the check box is the first control left.
    child<QCheckBox>(form, "IsAnonymousCheckBox")->click();
    click(form, "BackButton");
    click(form, "NextButton");
    EXPECT_EQ(form.focusWidget(), child<QCheckBox>(form, "IsAnonymousCheckBox"));
}

TEST_F(AddHostWizardFormTest, AnonymousLoginFillsAndUncheckingEmptiesTheEdits)
{
    TAddHostWizardForm form;
    QLineEdit* user = child(form, "UsernameEdit");
    QLineEdit* password = child(form, "PasswordEdit");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    user->setText(QStringLiteral("bob"));
    password->setText(QStringLiteral("secret"));

    auto* anonymous = child<QCheckBox>(form, "IsAnonymousCheckBox");
    anonymous->click();
    EXPECT_EQ(user->text(), QStringLiteral("anonymous"));
    EXPECT_EQ(password->text(), MainConfig()->AnonymousEmail());
    EXPECT_FALSE(user->isEnabled());
    EXPECT_FALSE(password->isEnabled());
    EXPECT_EQ(password->echoMode(), QLineEdit::Normal);

    anonymous->click();
    EXPECT_TRUE(user->text().isEmpty());
    EXPECT_TRUE(password->text().isEmpty());
    EXPECT_TRUE(user->isEnabled());
    EXPECT_TRUE(password->isEnabled());
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
}

TEST_F(AddHostWizardFormTest, FinishStoresAnAnonymousHostAtTopLevelBesideGroups)
{
    const QString innerID = hostdialogtest::saveTreeWithAGroup();
    MainConfig()->SetAnonymousEmail(QStringLiteral("me@example.org"));
    answerWith(QMessageBox::No);

    TAddHostWizardForm form;
    child(form, "CommonNameEdit")->setText(QStringLiteral("Debian"));
    click(form, "NextButton");
    child(form, "HostnameEdit")->setText(QStringLiteral("ftp.debian.org"));
    click(form, "NextButton");
    child<QCheckBox>(form, "IsAnonymousCheckBox")->click();
    click(form, "NextButton");
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(form.hostStored());
    EXPECT_TRUE(questions.isEmpty()) << "Finish asks nothing";

    const QString id = form.createdHost().HostIDText();
    EXPECT_NE(id, innerID);
    const auto stored = hostdialogtest::rereadHosts();
    ASSERT_EQ(stored->count(), 3);
    const THost* host = stored->FindByID(id);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->CommonName, QStringLiteral("Debian"));
    EXPECT_EQ(host->Hostname, QStringLiteral("ftp.debian.org"));
    EXPECT_EQ(host->Port, 21);
    EXPECT_TRUE(host->IsAnonymous);
    EXPECT_EQ(host->Username, QStringLiteral("anonymous"));
    EXPECT_EQ(host->Password, QStringLiteral("me@example.org"));

    // The last child of the root, not inside the group that was last before it.
    const pugi::xml_node root = stored->document().root();
    EXPECT_EQ(std::string(root.last_child().name()), "Host");
    EXPECT_EQ(attribute(root.last_child(), "HostID"), id);
    EXPECT_EQ(attribute(root.child("Group").child("Host"), "HostID"), innerID);
    EXPECT_FALSE(root.child("Group").child("Host").next_sibling("Host"));
}

TEST_F(AddHostWizardFormTest, EmptyFieldsAreStoredAsTheyAre)
{
    TAddHostWizardForm form;
    click(form, "NextButton");
    click(form, "NextButton");
    click(form, "NextButton");
    ASSERT_EQ(form.result(), QDialog::Accepted);
    const auto stored = hostdialogtest::rereadHosts();
    ASSERT_EQ(stored->count(), 1);
    EXPECT_TRUE(stored->hosts().front()->CommonName.isEmpty());
    EXPECT_FALSE(stored->hosts().front()->IsAnonymous);
}

TEST_F(AddHostWizardFormTest, LeavingAsksOnlyAfterANextClick)
{
    answerWith(QMessageBox::No);
    {
        TAddHostWizardForm form;
        form.show();
        click(form, "CancelButton");
        EXPECT_TRUE(questions.isEmpty());
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }

    TAddHostWizardForm form;
    form.show();
    click(form, "NextButton");
    click(form, "CancelButton");
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions.first(),
              QStringLiteral("Are you sure you want to exit the wizard without completing it?"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.currentPage(), 1);

    // Back to page 1 does not make the wizard new again; Escape and the close box ask too.
    click(form, "BackButton");
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(questions.size(), 2);
    EXPECT_TRUE(form.isVisible());
    form.close();
    EXPECT_EQ(questions.size(), 3);
    EXPECT_TRUE(form.isVisible());

    answerWith(QMessageBox::Yes);
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(hostdialogtest::rereadHosts()->count(), 0);
}

TEST_F(AddHostWizardFormTest, SwedishShowsNoEnglishText)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    TAddHostWizardForm form;
    EXPECT_EQ(text(form, "StepLabel"), QStringLiteral("Steg 1 av 3"));
    EXPECT_EQ(dialogtest::englishTextsLeft(&form, QStringLiteral("AddHostWizardForm")), QStringList());
    click(form, "NextButton");
    click(form, "NextButton");
    EXPECT_EQ(dialogtest::englishTextsLeft(&form, QStringLiteral("AddHostWizardForm")), QStringList());
}

} // namespace
