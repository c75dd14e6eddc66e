#include <gtest/gtest.h>

#include <random>

#include <QCollator>
#include <QItemSelectionModel>

#include "RemotePaneTestSupport.h"
#include "core/SizeFormat.h"
#include "ui/main/TCollationRanks.h"
#include "ui/main/TFileTypes.h"

using namespace panetest;

namespace {

constexpr std::int64_t kGiB = 1024LL * 1024 * 1024;

class RemoteListModelTest : public ::testing::Test
{
protected:
    TFileTypes types;
    TRemoteListModel model{types};

    QString text(int row, int column) const { return model.index(row, column).data().toString(); }
};

TEST_F(RemoteListModelTest, ADirectoryWithOnlyDotAndDotDotShowsTheSingleParentRow)
{
    model.setListing(listingOf({entry(".", true), entry("..", true)}));
    EXPECT_EQ(rowNames(model), QStringList{".."});
    EXPECT_TRUE(model.isParentRow(0));
    EXPECT_EQ(text(0, TRemoteListModel::kType), types.folderTypeName());
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);

    model.setListing(nullptr); // a failed listing: nothing at all
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(RemoteListModelTest, OnlyFilesAndDirectoriesAreShown)
{
    ftp::ListingEntry link = entry("link");
    link.type = ftp::EntryType::Link;
    ftp::ListingEntry device = entry("tty");
    device.type = ftp::EntryType::Other;
    model.setListing(listingOf({entry("f"), link, device, entry("d", true)}));
    EXPECT_EQ(rowNames(model), (QStringList{"..", "d", "f"}));
}

TEST_F(RemoteListModelTest, SizeDescendingPutsTheLargestFilesFirstThenTheDirectories)
{
    model.setListing(
        listingOf({entry("dir", true, 4096), entry("small", false, 10), entry("five", false, 5 * kGiB),
                   entry("three", false, 3 * kGiB), entry("attic", true, 4096)}));
    model.sort(TRemoteListModel::kSize, Qt::DescendingOrder);
    EXPECT_EQ(rowNames(model), (QStringList{"..", "five", "three", "small", "dir", "attic"}));
    model.sort(TRemoteListModel::kSize, Qt::AscendingOrder);
    EXPECT_EQ(rowNames(model), (QStringList{"..", "dir", "attic", "small", "three", "five"}));
    EXPECT_EQ(text(5, TRemoteListModel::kSize), FormatSizeKB(5 * kGiB));
    EXPECT_EQ(text(1, TRemoteListModel::kSize), QString()); // directories show no size
}

TEST_F(RemoteListModelTest, NamesSortWithoutCaseInTheLocalesCollation)
{
    const TListingPtr listing = listingOf({entry("beta"), entry("Zeta"), entry("Äpple"), entry("alpha"),
                                           entry("Bin", true), entry("attic", true)});
    {
        ScopedLocale swedish(QStringLiteral("sv_SE"));
        model.setListing(listing);
        EXPECT_EQ(rowNames(model), (QStringList{"..", "attic", "Bin", "alpha", "beta", "Zeta", "Äpple"}));
        model.sort(TRemoteListModel::kName, Qt::DescendingOrder);
        EXPECT_EQ(rowNames(model), (QStringList{"..", "Äpple", "Zeta", "beta", "alpha", "Bin", "attic"}));
    }
    ScopedLocale english(QStringLiteral("en_US"));
    model.setListing(listing); // still descending
    EXPECT_EQ(rowNames(model), (QStringList{"..", "Zeta", "beta", "Äpple", "alpha", "Bin", "attic"}));
    model.sort(TRemoteListModel::kName, Qt::AscendingOrder);
    EXPECT_EQ(rowNames(model), (QStringList{"..", "attic", "Bin", "alpha", "Äpple", "beta", "Zeta"}));

    // The C locale's collation knows no case: it is still ignored.
    ScopedLocale c(QStringLiteral("C"));
    model.setListing(listingOf({entry("beta"), entry("Zeta"), entry("alpha"), entry("Beta2")}));
    EXPECT_EQ(rowNames(model), (QStringList{"..", "alpha", "beta", "Beta2", "Zeta"}));
}

// Names are ranked character by character where the locale allows it, else by
// collation keys; both must give the collator's own order.
TEST_F(RemoteListModelTest, NameRanksFollowTheCollatorWhicheverWayTheyAreMade)
{
    std::mt19937 random(7);
    const QString alphabet = QStringLiteral("aAbBcChHzZ_-. 09~");
    std::vector<ftp::ListingEntry> entries;
    for (int i = 0; i < 400; ++i) {
        std::string name;
        for (int n = 1 + static_cast<int>(random() % 6); n > 0; --n)
            name += alphabet.at(static_cast<int>(random() % alphabet.size())).toLatin1();
        entries.push_back(entry(name + std::to_string(i % 7)));
    }
    const TListingPtr ascii = listingOf(entries);
    for (const char* name : {"Ärlig", "résumé", "Zoë",
                             "\xef\xbd\x81"
                             "1" /* fullwidth a */,
                             "a1", "cha"})
        entries.push_back(entry(name));
    const TListingPtr mixed = listingOf(entries);
    struct Case
    {
        const char* locale;
        TListingPtr listing;
        bool byCharacters;
    };
    for (const Case& c :
         {Case{"en_US", ascii, true}, Case{"sv_SE", ascii, true}, Case{"C", ascii, true},
          Case{"cs_CZ", ascii, false}, Case{"da_DK", ascii, false}, Case{"en_US", mixed, false},
          Case{"sv_SE", mixed, false}, Case{"C", mixed, false}}) {
        ScopedLocale locale(QString::fromLatin1(c.locale));
        model.setListing(c.listing);
        EXPECT_EQ(TCollationRanks::lastUsedAsciiRanks(), c.byCharacters) << c.locale;
        QCollator collator{QLocale()};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        const QStringList shown = rowNames(model);
        for (qsizetype row = 2; row < shown.size(); ++row) {
            const QString& before = shown.at(row - 1);
            const QString& after = shown.at(row);
            const int order = QLocale().language() == QLocale::C ? before.compare(after, Qt::CaseInsensitive)
                                                                 : collator.compare(before, after);
            ASSERT_LE(order, 0) << c.locale << ": " << before.toStdString() << " before "
                                << after.toStdString();
        }
    }
}

TEST_F(RemoteListModelTest, DatesSortAsDateTimesAndOtherColumnsAsTextWithoutCase)
{
    ScopedLocale english(QStringLiteral("en_US"));
    auto at = [](std::string name, int day, int hour, std::string owner) {
        ftp::ListingEntry e = entry(name);
        e.modified = {2024, 3, day, hour, 30, -1};
        e.unixStyle = true;
        e.owner = owner;
        e.group = "staff";
        e.permissions = "rw-r-----";
        return e;
    };
    ftp::ListingEntry plain = entry("plain");
    plain.modified = {};
    model.setListing(listingOf(
        {at("late", 5, 20, "bob"), at("early", 5, 8, "Alice"), at("before", 4, 23, "carol"), plain}));
    model.sort(TRemoteListModel::kDate, Qt::AscendingOrder);
    EXPECT_EQ(rowNames(model), (QStringList{"..", "plain", "before", "early", "late"}));
    model.sort(TRemoteListModel::kUser, Qt::AscendingOrder);
    EXPECT_EQ(rowNames(model), (QStringList{"..", "plain", "early", "late", "before"}));

    EXPECT_EQ(text(2, TRemoteListModel::kDate), QStringLiteral("3/5/24")); // files: the date alone
    EXPECT_EQ(text(2, TRemoteListModel::kPermissions), QStringLiteral("rw-r-----"));
    EXPECT_EQ(text(2, TRemoteListModel::kUser), QStringLiteral("Alice"));
    EXPECT_EQ(text(2, TRemoteListModel::kGroup), QStringLiteral("staff"));
    EXPECT_EQ(text(1, TRemoteListModel::kPermissions), QString()); // not a Unix-style entry
    EXPECT_EQ(text(1, TRemoteListModel::kDate), QString());

    ftp::ListingEntry directory = at("dir", 5, 9, "bob");
    directory.type = ftp::EntryType::Directory;
    model.setListing(listingOf({directory}));
    EXPECT_EQ(text(1, TRemoteListModel::kDate), QStringLiteral("3/5/24 9:30 AM")); // with the time
}

TEST_F(RemoteListModelTest, ASortKeepsTheSelectionOnTheSameEntries)
{
    model.setListing(listingOf({entry("a", false, 3), entry("b", false, 1), entry("c", false, 2)}));
    QItemSelectionModel selection(&model);
    selection.select(model.index(model.rowOfName("b"), 0),
                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection.setCurrentIndex(model.index(model.rowOfName("c"), 0), QItemSelectionModel::NoUpdate);
    model.sort(TRemoteListModel::kSize, Qt::DescendingOrder);
    ASSERT_EQ(rowNames(model), (QStringList{"..", "a", "c", "b"}));
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(selection.selectedRows().first().row(), 3);
    EXPECT_EQ(selection.currentIndex().row(), 2);
}

TEST_F(RemoteListModelTest, ARenameTakesEffectOnlyWhenTheHandlerCarriedItOut)
{
    model.setListing(listingOf({entry("old.txt")}));
    bool accept = false;
    QStringList asked;
    model.setRenameHandler([&](int, const QString& from, const QString& to) {
        asked << from + "->" + to;
        return accept;
    });
    const QModelIndex row = model.index(1, 0);
    EXPECT_FALSE(model.setData(row, QStringLiteral("new.txt")));
    EXPECT_EQ(model.nameAt(1), QStringLiteral("old.txt"));
    EXPECT_FALSE(model.setData(row, QString())); // an empty name is no rename
    EXPECT_FALSE(model.setData(row, QStringLiteral("old.txt")));
    accept = true;
    EXPECT_TRUE(model.setData(row, QStringLiteral("new.txt")));
    EXPECT_EQ(model.nameAt(1), QStringLiteral("new.txt"));
    EXPECT_EQ(model.listing()->at(0).name, "old.txt"); // the shared listing is untouched
    EXPECT_EQ(asked, (QStringList{"old.txt->new.txt", "old.txt->new.txt"}));
    EXPECT_FALSE(model.setData(model.index(0, 0), QStringLiteral("x"))); // ".."
}

} // namespace
