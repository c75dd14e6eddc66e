// The local pane on its own: the folder list, the selection summary, new
// directory, view styles, find and the folder box.
#include <memory>

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "core/SizeFormat.h"
#include "core/TFilters.h"
#include "core/TMainConfig.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/TDragViews.h"
#include "ui/main/TLocalFileModel.h"
#include "ui/main/TLocalPane.h"
#include "unit/queue/QueueTestSupport.h"

using namespace queuetest;

namespace {

class LocalPaneTest : public ::testing::Test
{
protected:
    LocalPaneTest()
    {
        TFilters::createGlobal();
        QDir().mkpath(folder());
        m_pane = std::make_unique<TLocalPane>(m_language, QHash<QString, QAction*>{});
        m_pane->resize(600, 400);
        m_pane->show();
    }
    ~LocalPaneTest() override
    {
        TMessageDialog::setAnswerer(nullptr);
        m_pane.reset();
        TFilters::destroyGlobal();
    }

    QString folder() const { return m_dir.path() + QStringLiteral("/work"); }
    void write(const QString& name, const QByteArray& bytes = "x")
    {
        QFile file(folder() + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QStringList names()
    {
        QStringList list;
        for (const QModelIndex& index : m_pane->rows())
            list.append(m_pane->model().fileName(index));
        return list;
    }
    // Shows the folder and waits until its `count` entries are listed.
    bool show(int count)
    {
        if (!m_pane->changeDirectory(folder()))
            return false;
        return waitFor([&] { return m_pane->rows().size() == count; });
    }
    QLineEdit* openEditor()
    {
        for (QLineEdit* editor : m_pane->activeView()->viewport()->findChildren<QLineEdit*>())
            if (!editor->isHidden())
                return editor;
        return nullptr;
    }

    QueueEnvironment m_env;
    QTemporaryDir m_dir;
    TFormLanguage m_language{QStringLiteral("MainForm")};
    std::unique_ptr<TLocalPane> m_pane;
};

} // namespace

TEST(LocalSelectionFacts, SumsFileSizesInSixtyFourBitsAndCountsFolders)
{
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("big.img"));
    QFile file(big);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // Sparse: 5 GiB and one byte on the file's size, almost nothing on the disk.
    const qint64 size = (qint64(5) << 30) + 1;
    ASSERT_TRUE(file.resize(size));
    file.close();
    QFile small(dir.filePath(QStringLiteral("small")));
    ASSERT_TRUE(small.open(QIODevice::WriteOnly));
    small.write("1234");
    small.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));

    const TLocalSelectionFacts facts = TLocalSelectionFacts::of(
        {big, small.fileName(), dir.filePath(QStringLiteral("sub")), dir.filePath(QStringLiteral("gone"))});
    EXPECT_EQ(facts.bytes, size + 4) << "a 32-bit sum would wrap at 4 GiB";
    EXPECT_EQ(facts.files, 3) << "a vanished file still counts as a file, without a size";
    EXPECT_EQ(facts.directories, 1);
}

TEST_F(LocalPaneTest, TheSummaryShowsTheSelectedFilesAndFoldersWithTheirWholeSize)
{
    QFile big(folder() + QStringLiteral("/big.img"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(qint64(6) << 30));
    big.close();
    ASSERT_TRUE(QDir(folder()).mkdir(QStringLiteral("sub")));
    write(QStringLiteral(".hidden"));
    ASSERT_TRUE(show(3)) << names().join(u',').toStdString();
    EXPECT_TRUE(names().contains(QStringLiteral(".hidden"))) << "hidden files are shown";

    m_pane->selectAllRows();
    EXPECT_EQ(m_pane->selectionPanel()->text(),
              QStringLiteral("2 files and 1 directories selected. Total size: %1")
                  .arg(FormatSizeKB((qint64(6) << 30) + 1)));
    EXPECT_EQ(FormatSizeKB((qint64(6) << 30) + 1), QStringLiteral("6,291,457 KB"));
}

TEST_F(LocalPaneTest, RowsShowTheirTypeNameIconAndSizeInKilobytes)
{
    write(QStringLiteral("note.txt"), QByteArray(1025, 'n'));
    ASSERT_TRUE(QDir(folder()).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(show(2));
    const QModelIndex file = m_pane->model().index(folder() + QStringLiteral("/note.txt"));
    const QModelIndex sub = m_pane->model().index(folder() + QStringLiteral("/sub"));
    // The type column used to ask the model for the name of the type cell itself, without end.
    EXPECT_FALSE(file.siblingAtColumn(TLocalFileModel::kType).data().toString().isEmpty());
    EXPECT_FALSE(sub.siblingAtColumn(TLocalFileModel::kType).data().toString().isEmpty());
    EXPECT_FALSE(file.data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_EQ(file.siblingAtColumn(TLocalFileModel::kSize).data().toString(), QStringLiteral("2 KB"));
    EXPECT_EQ(sub.siblingAtColumn(TLocalFileModel::kSize).data().toString(), QString());
    EXPECT_EQ(m_pane->model().headerData(TLocalFileModel::kDate, Qt::Horizontal).toString(),
              QStringLiteral("Date modified"));
}

TEST_F(LocalPaneTest, NewDirectoryTakesTheFirstFreeNameAndIsRenamedInPlace)
{
    ASSERT_TRUE(QDir(folder()).mkdir(QStringLiteral("New folder")));
    ASSERT_TRUE(QDir(folder()).mkdir(QStringLiteral("New folder (2)")));
    ASSERT_TRUE(show(2));
    m_pane->action(QStringLiteral("LocalMakeDirAction"))->trigger();
    EXPECT_TRUE(QFileInfo(folder() + QStringLiteral("/New folder (3)")).isDir());
    EXPECT_EQ(m_pane->selectedPaths(), QStringList{folder() + QStringLiteral("/New folder (3)")});
    QLineEdit* editor = openEditor();
    ASSERT_NE(editor, nullptr) << "the new folder's name is not being edited";
    EXPECT_EQ(editor->text(), QStringLiteral("New folder (3)"));
    editor->setText(QStringLiteral("Docs"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(waitFor([&] { return QFileInfo(folder() + QStringLiteral("/Docs")).isDir(); }));
    EXPECT_FALSE(QFileInfo::exists(folder() + QStringLiteral("/New folder (3)")));
}

TEST_F(LocalPaneTest, ANewDirectoryThatCannotBeMadeShowsTheSystemsReason)
{
    ASSERT_TRUE(show(0));
    // The folder goes away under the pane: making a folder in it must fail.
    ASSERT_TRUE(QDir(folder()).removeRecursively());
    QStringList warnings;
    TMessageDialog::setAnswerer([&](TMessageRequest& request) {
        warnings.append(request.Text);
        request.Result = QMessageBox::Ok;
    });
    m_pane->makeDirectory();
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith(QStringLiteral("Unable to create the folder 'New folder'\n\n")))
        << warnings[0].toStdString();
    EXPECT_GT(warnings[0].size(), QStringLiteral("Unable to create the folder 'New folder'\n\n").size())
        << "the system's message is missing";
    EXPECT_FALSE(QFileInfo::exists(folder()));
}

TEST_F(LocalPaneTest, ViewStylesShareTheSelectionAndAreStored)
{
    write(QStringLiteral("a.txt"));
    write(QStringLiteral("b.txt"));
    ASSERT_TRUE(show(2));
    m_pane->selectPaths({folder() + QStringLiteral("/b.txt")});
    m_pane->action(QStringLiteral("LocalViewIconsMenuItem"))->trigger();
    EXPECT_EQ(m_pane->activeView(), static_cast<QAbstractItemView*>(m_pane->iconView()));
    EXPECT_EQ(MainConfig()->LocalViewStyle(), TViewStyle::vsIcon);
    EXPECT_EQ(m_pane->iconView()->selectionModel()->selectedRows().size(), 1);
    m_pane->action(QStringLiteral("LocalViewDetailsMenuItem"))->trigger();
    EXPECT_EQ(m_pane->activeView(), static_cast<QAbstractItemView*>(m_pane->listView()));
    EXPECT_EQ(MainConfig()->LocalViewStyle(), TViewStyle::vsReport);
    EXPECT_TRUE(m_pane->action(QStringLiteral("LocalViewDetailsMenuItem"))->isChecked());

    m_pane->setSortColumn(1);
    EXPECT_EQ(m_pane->sortColumn(), 1);
    m_pane->setSortColumn(42);
    EXPECT_EQ(m_pane->sortColumn(), TLocalFileModel::kColumnCount - 1) << "a stored column out of range";
}

TEST_F(LocalPaneTest, FindWrapsAroundAfterTheSelectedRow)
{
    for (const char* name : {"alpha.txt", "beta.TXT", "gamma.dat"})
        write(QString::fromLatin1(name));
    ASSERT_TRUE(show(3));
    m_pane->selectPaths({folder() + QStringLiteral("/beta.TXT")});
    m_pane->findNext(QStringLiteral("txt"));
    EXPECT_EQ(m_pane->selectedPaths(), QStringList{folder() + QStringLiteral("/alpha.txt")})
        << "nothing after beta matches: the search starts again at the top";
    m_pane->findNext(QStringLiteral("Txt"));
    EXPECT_EQ(m_pane->selectedPaths(), QStringList{folder() + QStringLiteral("/beta.TXT")});
}

TEST_F(LocalPaneTest, TheFolderBoxNavigatesAndUpAndHomeFollow)
{
    ASSERT_TRUE(QDir(folder()).mkdir(QStringLiteral("inner")));
    ASSERT_TRUE(m_pane->changeDirectory(folder() + QStringLiteral("/inner")));
    QComboBox* box = m_pane->folderBox();
    EXPECT_EQ(box->currentText(), QDir::toNativeSeparators(folder() + QStringLiteral("/inner")));
    m_pane->action(QStringLiteral("LocalCDUPAction"))->trigger();
    EXPECT_EQ(m_pane->directory(), folder());

    box->lineEdit()->setText(folder() + QStringLiteral("/nothing-here"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(m_pane->directory(), folder()) << "a path that is no folder changes nothing";
    EXPECT_EQ(box->currentText(), QDir::toNativeSeparators(folder()));

    m_pane->setHomeDirectory([this] { return folder() + QStringLiteral("/inner"); });
    m_pane->action(QStringLiteral("LocalCDHomeAction"))->trigger();
    EXPECT_EQ(m_pane->directory(), folder() + QStringLiteral("/inner"));
    m_pane->setHomeDirectory([] { return QString(); });
    m_pane->action(QStringLiteral("LocalCDHomeAction"))->trigger();
    EXPECT_EQ(m_pane->directory(), QDir::cleanPath(QDir::homePath())) << "no initial folder: the home folder";
}

TEST_F(LocalPaneTest, AFilterSelectsMatchesAndKeepsTheOtherSelection)
{
    Filters()->Add(std::make_unique<TFilter>(QStringLiteral("Text"), QStringLiteral("*.txt")));
    Filters()->Add(std::make_unique<TFilter>(QStringLiteral("Images"), QStringLiteral("*.png;*.JPG")));
    m_pane->rebuildFilterMenu();
    QStringList items;
    for (QAction* item : m_pane->filterMenu()->actions())
        items << (item->isSeparator() ? QStringLiteral("-") : item->text());
    EXPECT_EQ(items, (QStringList{"Images", "Text", "-", "Edit filters..."})) << "reverse store order";

    for (const char* name : {"a.txt", "B.TXT", "c.png", "d.jpg", "e.dat"})
        write(QString::fromLatin1(name));
    ASSERT_TRUE(show(5));
    m_pane->selectPaths({folder() + QStringLiteral("/e.dat")});
    m_pane->filterMenu()->actions().at(1)->trigger();
    QStringList selected = m_pane->selectedPaths();
    for (QString& path : selected)
        path = QFileInfo(path).fileName();
    selected.sort();
    EXPECT_EQ(selected, (QStringList{"B.TXT", "a.txt", "e.dat"})) << "matching ignores case; e.dat stays";
    m_pane->filterMenu()->actions().at(0)->trigger();
    EXPECT_EQ(m_pane->selectedPaths().size(), 5);
}
