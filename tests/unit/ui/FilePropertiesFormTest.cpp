#include <algorithm>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "RemotePaneTestSupport.h"
#include "core/SizeFormat.h"
#include "ui/dialogs/ProgressFormUnit.h"
#include "ui/main/FilePropertiesFormUnit.h"

using namespace panetest;
using testsupport::FsNode;
using testsupport::ScriptedFtpServer;

namespace {

// The dialog on a real worker logged in to the scripted server (a Unix listing
// through LIST, so owners, groups and permission texts come with the entries).
class FilePropertiesFormTest : public ::testing::Test
{
protected:
    FilePropertiesFormTest()
    {
        server.setFeatures({"UTF8", "EPSV", "PASV", "SIZE", "MDTM", "REST STREAM"});
        fs().addDirectory("/pub");
    }
    testsupport::MemoryFileSystem& fs() { return server.fs(); }
    void addFile(const std::string& path, std::size_t size, const std::string& permissions,
                 const std::string& owner = "alice", const std::string& group = "staff")
    {
        fs().addFile(path, std::string(size, 'x'));
        fs().update(path, [&](FsNode& node) {
            node.permissions = permissions;
            node.owner = owner;
            node.group = group;
        });
    }
    void open()
    {
        window = std::make_unique<PaneWindow>();
        ASSERT_TRUE(window->connectTo(hostFor(server, QStringLiteral("/pub")))) << server.conversation();
    }
    // A dialog for the named rows, shown (which fills it).
    std::unique_ptr<TFilePropertiesForm> formFor(const QStringList& names)
    {
        auto form = std::make_unique<TFilePropertiesForm>(window->worker);
        const TRemoteListModel& model = window->pane.model();
        for (const QString& name : names) {
            const int row = model.rowOfName(name);
            EXPECT_GE(row, 0) << name.toStdString();
            form->addEntry(*model.entryAt(row), name);
        }
        form->show();
        mark = server.commands().size();
        return form;
    }
    template <typename T>
    static T* child(QWidget& form, const char* name)
    {
        T* widget = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static QCheckBox* box(QWidget& form, const char* name) { return child<QCheckBox>(form, name); }
    std::vector<std::string> sent() const
    {
        const auto all = server.commands();
        return {all.begin() + static_cast<long>(std::min(mark, all.size())), all.end()};
    }
    std::vector<std::string> sentStarting(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const std::string& line : sent())
            if (line.rfind(prefix, 0) == 0)
                out.push_back(line);
        return out;
    }
    void answerWith(QMessageBox::StandardButton answer)
    {
        TMessageDialog::setAnswerer([this, answer](TMessageRequest& request) {
            questions << request.Text;
            request.Result = answer;
        });
    }
    // Waits until the worker is idle after the listing Apply asked for.
    bool listedAgain(int before) { return window->waitForListing(before); }

    PaneEnvironment env;
    ScriptedFtpServer server;
    std::unique_ptr<PaneWindow> window;
    std::size_t mark = 0;
    QStringList questions;
};

TEST_F(FilePropertiesFormTest, TwoFilesCombineTheirPermissionsAndAnOwnerChangeSendsNoChmod)
{
    addFile("/pub/run.sh", 10, "rwxr-xr-x");
    addFile("/pub/notes.txt", 20, "rw-r--r--");
    open();
    auto form = formFor({QStringLiteral("run.sh"), QStringLiteral("notes.txt")});

    EXPECT_EQ(box(*form, "UserReadCheckBox")->checkState(), Qt::Checked);
    EXPECT_EQ(box(*form, "UserWriteCheckBox")->checkState(), Qt::Checked);
    EXPECT_EQ(box(*form, "UserExecuteCheckBox")->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(box(*form, "GroupReadCheckBox")->checkState(), Qt::Checked);
    EXPECT_EQ(box(*form, "GroupWriteCheckBox")->checkState(), Qt::Unchecked);
    EXPECT_EQ(box(*form, "GroupExecuteCheckBox")->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(box(*form, "OtherReadCheckBox")->checkState(), Qt::Checked);
    EXPECT_EQ(box(*form, "OtherExecuteCheckBox")->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(child<QLineEdit>(*form, "PermissionsEdit")->text(), QStringLiteral("N/A"));
    EXPECT_EQ(child<QLineEdit>(*form, "UserEdit")->text(), QStringLiteral("alice"));
    EXPECT_EQ(child<QLineEdit>(*form, "GroupEdit")->text(), QStringLiteral("staff"));
    EXPECT_TRUE(child<QLabel>(*form, "FileTypeLabel")->text().contains(QStringLiteral("Multiple Types")));
    EXPECT_EQ(child<QLabel>(*form, "SizeLabel")->text(), FormatSizeKB(30));
    EXPECT_TRUE(child<QLabel>(*form, "CountLabel")->isVisible());
    EXPECT_FALSE(child<QLineEdit>(*form, "FilenameEdit")->isVisible());
    // Only files: nothing to walk.
    EXPECT_FALSE(child<QPushButton>(*form, "CalculateSizeButton")->isVisible());
    // Filling the edits is no change.
    EXPECT_FALSE(form->anyChange());
    EXPECT_FALSE(child<QPushButton>(*form, "ApplyButton")->isEnabled());

    QLineEdit* user = child<QLineEdit>(*form, "UserEdit");
    user->selectAll();
    QTest::keyClicks(user, QStringLiteral("carol"));
    EXPECT_TRUE(form->userChanged());
    EXPECT_TRUE(child<QPushButton>(*form, "ApplyButton")->isEnabled());
    answerWith(QMessageBox::Ok);
    const int before = window->listings;
    form->accept();
    EXPECT_TRUE(questions.isEmpty()) << questions.join(u'|').toStdString();
    EXPECT_EQ(sentStarting("SITE"),
              (std::vector<std::string>{"SITE CHOWN carol run.sh", "SITE CHOWN carol notes.txt"}));
    EXPECT_EQ(fs().node("/pub/run.sh")->owner, "carol");
    EXPECT_EQ(fs().node("/pub/run.sh")->permissions, "rwxr-xr-x");
    EXPECT_TRUE(listedAgain(before));
}

TEST_F(FilePropertiesFormTest, ChangedBoxesSendTheOctalModeToEveryEntryAndDifferentOwnersShowTheText)
{
    addFile("/pub/a", 1, "rw-------", "alice", "staff");
    addFile("/pub/b", 2, "rw-------", "bob", "wheel");
    open();
    auto form = formFor({QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(child<QLineEdit>(*form, "UserEdit")->text(), QStringLiteral("<<different users>>"));
    EXPECT_EQ(child<QLineEdit>(*form, "GroupEdit")->text(), QStringLiteral("<<different groups>>"));
    EXPECT_EQ(child<QLineEdit>(*form, "PermissionsEdit")->text(), QStringLiteral("600"));
    EXPECT_TRUE(child<QLabel>(*form, "FileTypeLabel")->text().contains(QStringLiteral("All of type")));

    box(*form, "GroupReadCheckBox")->click();
    box(*form, "OtherReadCheckBox")->click();
    EXPECT_EQ(child<QLineEdit>(*form, "PermissionsEdit")->text(), QStringLiteral("644"));
    const int before = window->listings;
    child<QPushButton>(*form, "ApplyButton")->click();
    EXPECT_EQ(sentStarting("SITE"), (std::vector<std::string>{"SITE CHMOD 644 a", "SITE CHMOD 644 b"}));
    EXPECT_FALSE(form->anyChange());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(listedAgain(before));
    EXPECT_EQ(fs().node("/pub/b")->permissions, "rw-r--r--");
    EXPECT_EQ(fs().node("/pub/b")->owner, "bob");
}

TEST_F(FilePropertiesFormTest, AWindowsStyleEntryCanOnlyBeRenamed)
{
    fs().addFile("/pub/REPORT.DOC", "abc");
    fs().setListing("/pub", "03-05-24  02:07PM                 1234 REPORT.DOC\r\n"
                            "03-05-24  02:07PM       <DIR>          Old Stuff\r\n");
    open();
    auto form = formFor({QStringLiteral("REPORT.DOC")});
    for (const char* name : {"UserReadCheckBox", "GroupWriteCheckBox", "OtherExecuteCheckBox"})
        EXPECT_FALSE(box(*form, name)->isEnabled()) << name;
    EXPECT_FALSE(child<QLineEdit>(*form, "UserEdit")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(*form, "GroupEdit")->isEnabled());
    EXPECT_TRUE(child<QLineEdit>(*form, "UserEdit")->text().isEmpty());
    QLineEdit* name = child<QLineEdit>(*form, "FilenameEdit");
    ASSERT_TRUE(name->isVisible());
    EXPECT_EQ(name->text(), QStringLiteral("REPORT.DOC"));
    EXPECT_TRUE(child<QLabel>(*form, "DateModifiedLabel")->isVisible());
    EXPECT_EQ(child<QLabel>(*form, "SizeLabel")->text(), FormatSizeKB(1234));

    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Report 2024.doc"));
    EXPECT_TRUE(form->nameChanged());
    form->accept();
    const std::vector<std::string> commands = sent();
    ASSERT_GE(commands.size(), 2U);
    EXPECT_EQ(std::vector<std::string>(commands.begin(), commands.begin() + 2),
              (std::vector<std::string>{"RNFR REPORT.DOC", "RNTO Report 2024.doc"}));
    EXPECT_TRUE(sentStarting("SITE").empty());
    EXPECT_TRUE(fs().exists("/pub/Report 2024.doc"));
}

TEST_F(FilePropertiesFormTest, CancelAsksOnlyAfterAChangeAndItsAnswersDecide)
{
    addFile("/pub/a.txt", 5, "rw-r--r--");
    open();
    {
        // Nothing changed: no question, nothing sent.
        auto form = formFor({QStringLiteral("a.txt")});
        answerWith(QMessageBox::Cancel);
        form->reject();
        EXPECT_TRUE(questions.isEmpty());
        EXPECT_FALSE(form->isVisible());
    }
    auto form = formFor({QStringLiteral("a.txt")});
    box(*form, "OtherWriteCheckBox")->click();
    // Cancel in the question keeps the dialog open.
    answerWith(QMessageBox::Cancel);
    form->reject();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].startsWith(QStringLiteral("You've made changes")));
    EXPECT_TRUE(form->isVisible());
    // No closes without a command.
    answerWith(QMessageBox::No);
    form->reject();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(sentStarting("SITE").empty());
    EXPECT_EQ(fs().node("/pub/a.txt")->permissions, "rw-r--r--");

    // Yes applies, then closes.
    auto again = formFor({QStringLiteral("a.txt")});
    box(*again, "OtherWriteCheckBox")->click();
    answerWith(QMessageBox::Yes);
    again->reject();
    EXPECT_FALSE(again->isVisible());
    EXPECT_EQ(sentStarting("SITE"), (std::vector<std::string>{"SITE CHMOD 646 a.txt"}));
}

TEST_F(FilePropertiesFormTest, ClosingWithAGrayedBoxAfterAPermissionChangeWarnsFirst)
{
    addFile("/pub/run.sh", 10, "rwxr-xr-x");
    addFile("/pub/notes.txt", 20, "rw-r--r--");
    open();
    auto form = formFor({QStringLiteral("run.sh"), QStringLiteral("notes.txt")});
    box(*form, "GroupWriteCheckBox")->click(); // the execute boxes stay grayed
    EXPECT_EQ(form->octalText(), QStringLiteral("N/A"));
    answerWith(QMessageBox::Cancel);
    form->accept();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].startsWith(QStringLiteral("Because of inconsistent permissions")));
    EXPECT_TRUE(form->isVisible());
    // OK goes ahead: the mode cannot be sent, so nothing is.
    answerWith(QMessageBox::Ok);
    form->accept();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(sentStarting("SITE").empty());
}

TEST_F(FilePropertiesFormTest, CancelInTheProgressWindowStopsBeforeTheNextEntry)
{
    addFile("/pub/a", 1, "rw-r--r--");
    addFile("/pub/b", 1, "rw-r--r--");
    addFile("/pub/c", 1, "rw-r--r--");
    open();
    auto form = formFor({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    int progressTotal = -1;
    form->setApplyObserver([&](QDialog& progress, int entry) {
        auto& window = static_cast<TProgressForm&>(progress);
        if (entry < 0)
            progressTotal = window.totalParts();
        if (entry == 0)
            window.cancel();
    });
    box(*form, "OtherWriteCheckBox")->click();
    const int before = window->listings;
    child<QPushButton>(*form, "ApplyButton")->click();
    EXPECT_EQ(progressTotal, 2);
    EXPECT_EQ(sentStarting("SITE"), (std::vector<std::string>{"SITE CHMOD 646 a"}));
    EXPECT_TRUE(listedAgain(before));
    EXPECT_FALSE(form->anyChange());
}

TEST_F(FilePropertiesFormTest, ARefusedRenameLeavesTheOldNameForTheSiteCommands)
{
    addFile("/pub/a.txt", 1, "rw-r--r--");
    server.addOverride({.command = "RNTO", .code = 553, .text = "Not allowed.", .times = 1});
    open();
    auto form = formFor({QStringLiteral("a.txt")});
    QLineEdit* name = child<QLineEdit>(*form, "FilenameEdit");
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("b.txt"));
    QLineEdit* group = child<QLineEdit>(*form, "GroupEdit");
    group->selectAll();
    QTest::keyClicks(group, QStringLiteral("web"));
    form->accept();
    EXPECT_EQ(sentStarting("SITE"), (std::vector<std::string>{"SITE CHGRP web a.txt"}));
    EXPECT_TRUE(waitFor([&] { return !window->errors.empty(); }));
    EXPECT_EQ(fs().node("/pub/a.txt")->group, "web");
}

TEST_F(FilePropertiesFormTest, CalculateSizeWalksEachOfThreeDirectoriesOnce)
{
    fs().addFile("/pub/top.bin", std::string(5, 'x'));
    fs().addFile("/pub/d1/a", std::string(100, 'x'));
    fs().addFile("/pub/d1/deep/er/b", std::string(20, 'x'));
    fs().addFile("/pub/d2/c", std::string(3000, 'x'));
    fs().addFile("/pub/d3/d", std::string(40000, 'x'));
    fs().addFile("/pub/d3/e", std::string(7, 'x'));
    // Slow directory changes keep the walks running while the next are asked for.
    server.addOverride({.command = "CWD", .delay = std::chrono::milliseconds(20)});
    open();
    auto form = formFor(
        {QStringLiteral("d1"), QStringLiteral("d2"), QStringLiteral("d3"), QStringLiteral("top.bin")});
    QPushButton* calculate = child<QPushButton>(*form, "CalculateSizeButton");
    ASSERT_TRUE(calculate->isVisible());
    EXPECT_EQ(child<QLabel>(*form, "CountLabel")->text(), QStringLiteral("1 Files, 3 Folders"));
    QStringList log;
    QObject::connect(form.get(), &TFilePropertiesForm::logRequested,
                     [&](TLogKind, const QString& text) { log << text; });
    calculate->click();
    EXPECT_FALSE(calculate->isEnabled());
    EXPECT_TRUE(form->calculating());
    ASSERT_TRUE(waitFor([&] { return !form->calculating(); }, 20000));
    EXPECT_TRUE(calculate->isEnabled());
    EXPECT_EQ(form->accumulatedSize(), 100 + 20 + 3000 + 40000 + 7);
    EXPECT_EQ(child<QLabel>(*form, "SizeLabel")->text(), FormatSizeKB(5 + 100 + 20 + 3000 + 40000 + 7));
    EXPECT_TRUE(log.contains(QStringLiteral("Found file b")));
    EXPECT_EQ(log.count(QStringLiteral("Found file a")), 1);
    // Each of the five directories listed once, and the worker back where it started.
    int lists = 0;
    for (const std::string& line : sent())
        lists += line.rfind("LIST", 0) == 0 || line.rfind("MLSD", 0) == 0 ? 1 : 0;
    EXPECT_EQ(lists, 5) << server.conversation();
    EXPECT_EQ(window->worker.CurrentDir(), QStringLiteral("/pub"));

    // A second run counts afresh.
    calculate->click();
    ASSERT_TRUE(waitFor([&] { return !form->calculating(); }, 20000));
    EXPECT_EQ(form->accumulatedSize(), 100 + 20 + 3000 + 40000 + 7);
}

TEST_F(FilePropertiesFormTest, ClosingDuringAWalkEndsItAndNothingArrivesAfterwards)
{
    for (int i = 0; i < 8; ++i)
        fs().addFile("/pub/tree/l" + std::to_string(i) + "/f", "12345");
    server.addOverride({.command = "CWD", .delay = std::chrono::milliseconds(40)});
    open();
    int lines = 0;
    {
        auto form = formFor({QStringLiteral("tree")});
        QObject::connect(form.get(), &TFilePropertiesForm::logRequested, [&] { ++lines; });
        child<QPushButton>(*form, "CalculateSizeButton")->click();
        ASSERT_TRUE(waitFor([&] { return lines > 0; }));
        form->reject();
        EXPECT_FALSE(form->calculating());
        EXPECT_FALSE(form->isVisible());
    }
    const int seen = lines;
    EXPECT_TRUE(waitFor([&] { return window->worker.Command() == WorkerCommand::Idle; }));
    QTest::qWait(200);
    EXPECT_EQ(lines, seen);
    EXPECT_EQ(window->worker.CurrentDir(), QStringLiteral("/pub"));
}

} // namespace
