#include "ui/dialogs/DestinationDirectoryFormUnit.h"
#include "ui/dialogs/ProgressFormUnit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "core/THost.h"
#include "core/TMainConfig.h"
#include "unit/ui/QuickConnectFormTestSupport.h"

namespace {

class SmallDialogsTest : public ::testing::Test
{
protected:
    dialogtest::DialogEnvironment env;
};

QComboBox* directories(QWidget& form)
{
    return dialogtest::child<QComboBox>(form, "DestinationDirectoryComboBox");
}

TEST_F(SmallDialogsTest, DestinationListIsSortedAndStartsAtTheFirstPath)
{
    THost host;
    host.InitialRemoteDirectory = QStringLiteral("/var/www");
    host.AddBookmark(QStringLiteral("/srv/Upload"));
    host.AddBookmark(QStringLiteral("/home/me"));
    TDestinationDirectoryForm form;
    form.setUp(host);
    QComboBox* combo = directories(form);
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("/home/me"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("/srv/Upload"));
    EXPECT_EQ(combo->itemText(2), QStringLiteral("/var/www"));
    // The alphabetically first path, not the initial directory.
    EXPECT_EQ(form.directory(), QStringLiteral("/home/me"));
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Destination directory"));
    EXPECT_EQ(dialogtest::child<QLabel>(form, "Label1")->text(),
              QStringLiteral("Select destination directory for uploads \n(leave empty for login directory)"));
    EXPECT_FALSE(combo->accessibleName().isEmpty());
    EXPECT_EQ(dialogtest::child<QPushButton>(form, "OKButton")->accessibleName(), QStringLiteral("OK"));
}

TEST_F(SmallDialogsTest, DestinationTypedPathEmptyTextAndTheButtons)
{
    THost bare;
    TDestinationDirectoryForm form;
    form.setUp(bare);
    EXPECT_EQ(directories(form)->count(), 0);
    EXPECT_TRUE(form.directory().isEmpty());
    // Empty and no initial directory: the login directory (empty).
    EXPECT_TRUE(form.uploadDirectory().isEmpty());

    THost host;
    host.InitialRemoteDirectory = QStringLiteral("/pub");
    form.setUp(host);
    directories(form)->setEditText(QString());
    EXPECT_EQ(form.uploadDirectory(), QStringLiteral("/pub"));

    // Typed, not in the list: used as typed; Enter in the box is OK and adds nothing.
    form.show();
    directories(form)->setFocus();
    directories(form)->setEditText(QStringLiteral("/new  dir"));
    QTest::keyClick(directories(form)->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.uploadDirectory(), QStringLiteral("/new  dir"));
    EXPECT_EQ(directories(form)->count(), 1);

    form.show();
    dialogtest::child<QPushButton>(form, "CancelButton")->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(SmallDialogsTest, ProgressCancelStopsBeforeTheNextItem)
{
    const QStringList files{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                            QStringLiteral("d")};
    TProgressForm progress;
    EXPECT_EQ(progress.totalParts(), TProgressForm::kDesignTotalParts);
    progress.setTotalParts(int(files.size()) - 1);
    progress.setDescription(QStringLiteral("Renaming"));
    progress.show();
    QStringList done;
    for (const QString& file : files) {
        progress.step();
        progress.setDetail(file);
        done.append(file);
        // The click arrives while the second file is worked on, as the user's would.
        if (file == QLatin1String("b"))
            QTimer::singleShot(0, dialogtest::child<QPushButton>(progress, "Button1"), &QPushButton::click);
        if (progress.cancelled())
            break;
    }
    EXPECT_EQ(done, (QStringList{"a", "b"}));
    EXPECT_EQ(progress.result(), QDialog::Rejected);
    EXPECT_EQ(progress.partsComplete(), 2);
    EXPECT_EQ(dialogtest::child<QLabel>(progress, "DetailDescriptionLabel")->text(), QStringLiteral("b"));
    // Stepping never passes the total.
    for (int i = 0; i < 5; ++i)
        progress.step();
    EXPECT_EQ(progress.partsComplete(), 3);
    // A long name is shortened in the middle and keeps the window's width.
    const int width = progress.sizeHint().width();
    const QString longName =
        QStringLiteral("/very/long/path/") + QString(300, u'x') + QStringLiteral("/end.txt");
    progress.setDetail(longName);
    const QString shown = dialogtest::child<QLabel>(progress, "DetailDescriptionLabel")->text();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/very/")) && shown.endsWith(QStringLiteral("end.txt")))
        << shown.toStdString();
    EXPECT_LT(shown.size(), longName.size());
    EXPECT_EQ(progress.detail(), longName);
    EXPECT_EQ(progress.sizeHint().width(), width);
    // The caller's close at the end closes it.
    progress.close();
    EXPECT_FALSE(progress.isVisible());
}

TEST_F(SmallDialogsTest, ProgressEscapeCancelsAndTheLoopRunsToTheEndWithout)
{
    TProgressForm progress;
    progress.setTotalParts(2);
    progress.show();
    EXPECT_FALSE(progress.cancelled());
    progress.step();
    EXPECT_FALSE(progress.cancelled());
    QTest::keyClick(&progress, Qt::Key_Escape);
    EXPECT_TRUE(progress.cancelled());
    // Escape does not close the window: the caller does after its loop.
    EXPECT_TRUE(progress.isVisible());
    EXPECT_FALSE(dialogtest::child<QPushButton>(progress, "Button1")->isEnabled());
}

TEST_F(SmallDialogsTest, SwedishLeavesNoEnglishText)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    THost host;
    host.AddBookmark(QStringLiteral("/pub"));
    TDestinationDirectoryForm destination;
    destination.setUp(host);
    EXPECT_EQ(destination.windowTitle(), QStringLiteral("Målkatalog"));
    EXPECT_EQ(dialogtest::englishTextsLeft(&destination, QStringLiteral("DestinationDirectoryForm")),
              QStringList());
    TProgressForm progress;
    EXPECT_EQ(progress.windowTitle(), QStringLiteral("Förlopp"));
    EXPECT_EQ(dialogtest::child<QPushButton>(progress, "Button1")->text(), QStringLiteral("&Avbryt"));
    EXPECT_EQ(dialogtest::englishTextsLeft(&progress, QStringLiteral("ProgressForm")), QStringList());
    EXPECT_EQ(dialogtest::child<QProgressBar>(progress, "ProgressBar")->accessibleName(),
              QStringLiteral("Förlopp"));
}

} // namespace
