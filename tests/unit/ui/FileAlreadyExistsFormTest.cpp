#include "ui/dialogs/FileAlreadyExistsFormUnit.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/dialogs/TFileExistsDialogPrompter.h"
#include "unit/ui/QuickConnectFormTestSupport.h"

namespace {

using Kind = TFileExistsPrompt::TKind;

TFileExistsPrompt promptOf(Kind kind)
{
    TFileExistsPrompt prompt;
    prompt.Kind = kind;
    prompt.Download = kind == Kind::LocalFileAlreadyExists || kind == Kind::LocalFileSmallerAlreadyExists;
    prompt.ResumeAllowed = TFileExistsPrompt::isSmallerKind(kind);
    prompt.ShortDescription = QStringLiteral("The local file already exists.");
    prompt.LongDescription = QStringLiteral("There is already a local file by same name.");
    prompt.LocalFilename = QStringLiteral("/home/user/downloads/report.pdf");
    prompt.RemoteFilename = QStringLiteral("/pub/report.pdf");
    prompt.Filename = prompt.Download ? prompt.LocalFilename : prompt.RemoteFilename;
    prompt.LocalSize = 1536;
    prompt.RemoteSize = 3 * 1048576;
    prompt.LocalDate = QStringLiteral("12/1/24 10:00:00 AM");
    prompt.RemoteDate = QStringLiteral("12/2/24 11:30:00 AM");
    return prompt;
}

QPushButton* button(QWidget& form, const char* name)
{
    return dialogtest::child<QPushButton>(form, name);
}

QString labelText(QWidget& form, const char* name)
{
    return dialogtest::child<QLabel>(form, name)->text();
}

class FileAlreadyExistsFormTest : public ::testing::Test
{
protected:
    dialogtest::DialogEnvironment env;
    testsupport::ScopedLocale locale{QStringLiteral("en_US")};
};

TEST_F(FileAlreadyExistsFormTest, CountdownShowsThirtyToOneThenSkipsThisFileOnly)
{
    TFileAlreadyExistsForm form;
    form.setPrompt(promptOf(Kind::LocalFileSmallerAlreadyExists));
    auto* timer = form.findChild<QTimer*>(QStringLiteral("DefaultActionTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    timer->stop();
    EXPECT_EQ(button(form, "SkipButton")->text(), QStringLiteral("&Skip [30]"));
    EXPECT_TRUE(button(form, "SkipButton")->isDefault());
    // A scope picked without answering is not taken as the answer's scope.
    dialogtest::child<QComboBox>(form, "RememberChoiceScopeComboBox")->setCurrentIndex(2);
    for (int left = 29; left >= 1; --left) {
        form.DefaultActionTimerTimer();
        ASSERT_EQ(button(form, "SkipButton")->text(), QStringLiteral("&Skip [%1]").arg(left));
        ASSERT_EQ(form.result(), 0);
    }
    form.DefaultActionTimerTimer();
    TFileExistsPrompt prompt;
    form.answer(prompt);
    EXPECT_TRUE(prompt.Accepted);
    EXPECT_EQ(prompt.Choice, TFileAlreadyExistsAction::faeSkip);
    EXPECT_EQ(prompt.Scope, TFileExistsPrompt::kOnlyThisFile);
}

TEST_F(FileAlreadyExistsFormTest, EscapeAndCancelSkip)
{
    for (const bool escape : {true, false}) {
        TFileAlreadyExistsForm form;
        form.setPrompt(promptOf(Kind::RemoteFileSmallerAlreadyExists));
        form.show();
        if (escape)
            QTest::keyClick(&form, Qt::Key_Escape);
        else
            button(form, "CancelButton")->click();
        TFileExistsPrompt prompt;
        form.answer(prompt);
        EXPECT_TRUE(prompt.Accepted) << escape;
        EXPECT_EQ(prompt.Choice, TFileAlreadyExistsAction::faeSkip) << escape;
        EXPECT_FALSE(form.isVisible());
    }
}

TEST_F(FileAlreadyExistsFormTest, ResumeOnlyForASmallerTarget)
{
    for (const Kind kind : {Kind::LocalFileAlreadyExists, Kind::RemoteFileAlreadyExists,
                            Kind::LocalFileSmallerAlreadyExists, Kind::RemoteFileSmallerAlreadyExists}) {
        TFileAlreadyExistsForm form;
        form.setPrompt(promptOf(kind));
        EXPECT_EQ(button(form, "ResumeButton")->isEnabled(), TFileExistsPrompt::isSmallerKind(kind))
            << static_cast<int>(kind);
    }
}

TEST_F(FileAlreadyExistsFormTest, ShowsTheFactsAndTheChosenScopeReachesThePrompt)
{
    TFileExistsPrompt prompt = promptOf(Kind::LocalFileSmallerAlreadyExists);
    prompt.Filename = prompt.LocalFilename =
        QStringLiteral("/home/user/") + QString(200, u'd') + QStringLiteral("/x.iso");
    TFileAlreadyExistsForm form;
    form.setPrompt(prompt);
    EXPECT_EQ(labelText(form, "ShortDescriptionLabel"), prompt.ShortDescription);
    EXPECT_EQ(form.findChild<QPlainTextEdit*>(QStringLiteral("LongDescriptionMemo"))->toPlainText(),
              prompt.LongDescription);
    EXPECT_EQ(labelText(form, "LocalFileSizeLabel"), QStringLiteral("Size: 1.50 KB"));
    EXPECT_EQ(labelText(form, "RemoteFileSizeLabel"), QStringLiteral("Size: 3.00 MB"));
    EXPECT_EQ(labelText(form, "LocalFileModifiedDateTimeLabel"),
              QStringLiteral("Modified: 12/1/24 10:00:00 AM"));
    EXPECT_EQ(labelText(form, "RemoteFileModifiedDateTimeLabel"),
              QStringLiteral("Modified: 12/2/24 11:30:00 AM"));
    auto* filename = dialogtest::child<QLabel>(form, "FilenameLabel");
    EXPECT_EQ(filename->toolTip(), prompt.Filename);
    EXPECT_TRUE(filename->text().contains(QChar(0x2026))) << filename->text().toStdString();
    EXPECT_TRUE(filename->text().endsWith(QStringLiteral("x.iso")));
    EXPECT_FALSE(form.findChild<QLabel*>(QStringLiteral("FileImage"))->pixmap().isNull());

    dialogtest::child<QComboBox>(form, "RememberChoiceScopeComboBox")->setCurrentIndex(1);
    button(form, "ResumeButton")->click();
    form.answer(prompt);
    EXPECT_TRUE(prompt.Accepted);
    EXPECT_EQ(prompt.Choice, TFileAlreadyExistsAction::faeResume);
    EXPECT_EQ(prompt.Scope, TFileExistsPrompt::kAllFilesInQueue);
}

TEST_F(FileAlreadyExistsFormTest, PrompterAnswersThroughTheModalDialog)
{
    QWidget window;
    TFileExistsDialogPrompter prompter(&window);
    TFileExistsPrompt prompt = promptOf(Kind::RemoteFileAlreadyExists);
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<TFileAlreadyExistsForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        form->findChild<QComboBox*>(QStringLiteral("RememberChoiceScopeComboBox"))->setCurrentIndex(2);
        form->findChild<QPushButton*>(QStringLiteral("OverwriteButton"))->click();
    });
    prompter.prompt(prompt);
    EXPECT_TRUE(prompt.Accepted);
    EXPECT_EQ(prompt.Choice, TFileAlreadyExistsAction::faeOverwrite);
    EXPECT_EQ(prompt.Scope, TFileExistsPrompt::kAllFilesAlways);
    EXPECT_TRUE(window.findChildren<TFileAlreadyExistsForm*>().isEmpty());
}

TEST_F(FileAlreadyExistsFormTest, SwedishLeavesNoEnglishText)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    TFileAlreadyExistsForm form;
    TFileExistsPrompt prompt = promptOf(Kind::LocalFileSmallerAlreadyExists);
    prompt.ShortDescription = QStringLiteral("Den lokala filen finns redan.");
    form.setPrompt(prompt);
    EXPECT_EQ(button(form, "SkipButton")->text(), QStringLiteral("&Hoppa över [30]"));
    EXPECT_TRUE(labelText(form, "LocalFileSizeLabel").startsWith(QStringLiteral("Storlek: ")));
    EXPECT_EQ(dialogtest::englishTextsLeft(&form, QStringLiteral("FileAlreadyExistsForm")), QStringList());
}

} // namespace
