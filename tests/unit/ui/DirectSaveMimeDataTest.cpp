// The direct-save protocol of drags into a file manager's folder, over a fake
// source-window property.
#include <memory>

#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

#include "ui/main/TDirectSaveMimeData.h"

namespace {

struct TFakeProperty final : IDirectSaveProperty
{
    struct TState
    {
        bool window = true;
        QByteArray value;
        int writes = 0;
        bool removed = false;
    };
    explicit TFakeProperty(TState& state)
        : s(state)
    {}
    bool write(const QByteArray& value) override
    {
        if (!s.window)
            return false;
        ++s.writes;
        s.value = value;
        return true;
    }
    QByteArray read() override { return s.value; }
    void remove() override { s.removed = true; }
    TState& s;
};

class DirectSaveMimeDataTest : public ::testing::Test
{
protected:
    std::unique_ptr<TDirectSaveMimeData> make(const QString& name)
    {
        return std::make_unique<TDirectSaveMimeData>(name, std::make_unique<TFakeProperty>(state));
    }
    // What the drop target answers after writing `uri` into the property.
    QByteArray dropWith(TDirectSaveMimeData& data, const QByteArray& uri)
    {
        EXPECT_TRUE(data.formats().contains(TDirectSaveMimeData::formatName()));
        state.value = uri;
        return data.data(TDirectSaveMimeData::formatName());
    }
    TFakeProperty::TState state;
    QTemporaryDir dir;
};

} // namespace

TEST_F(DirectSaveMimeDataTest, TheSuggestedNameIsOfferedOnceWhenTheDragStartsAndRemovedAfterwards)
{
    auto data = make(QStringLiteral("sub/report 2026.txt"));
    data->setData(QStringLiteral("FTPFiles"), "report 2026.txt");
    const QStringList formats = data->formats();
    EXPECT_TRUE(formats.contains(QStringLiteral("FTPFiles")));
    EXPECT_TRUE(formats.contains(TDirectSaveMimeData::formatName()));
    EXPECT_EQ(state.value, "report 2026.txt") << "a name, never a path";
    state.value = "file:///somewhere/else";
    data->formats();
    data->hasFormat(TDirectSaveMimeData::formatName());
    EXPECT_EQ(state.writes, 1) << "the target's answer is never overwritten";
    data.reset();
    EXPECT_TRUE(state.removed);
}

TEST_F(DirectSaveMimeDataTest, ALocalFolderOfTheTargetIsTakenAndAnythingElseRefused)
{
    const QString folder = dir.path() + QStringLiteral("/with space");
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        auto data = make(QStringLiteral("a.txt"));
        QSignalSpy chosen(data.get(), &TDirectSaveMimeData::folderChosen);
        const QByteArray uri = QUrl::fromLocalFile(folder + QStringLiteral("/a.txt")).toEncoded();
        EXPECT_EQ(dropWith(*data, uri), "S");
        EXPECT_EQ(data->dropFolder(), folder);
        EXPECT_EQ(data->data(TDirectSaveMimeData::formatName()), "S") << "a target may ask twice";
        ASSERT_EQ(chosen.count(), 1) << "reported once";
        EXPECT_EQ(chosen[0][0].toString(), folder);
    }
    {
        auto data = make(QStringLiteral("a.txt"));
        // With the host named, and with the terminating NUL some targets write.
        EXPECT_EQ(dropWith(*data, "file://localhost" + QUrl::toPercentEncoding(folder, "/") + "/a.txt" +
                                      QByteArray(1, '\0')),
                  "S");
        EXPECT_EQ(data->dropFolder(), folder);
    }
    const QByteArray refused[] = {
        "file://another-host.example" + QUrl::toPercentEncoding(folder, "/") + "/a.txt", // not this machine
        QUrl::fromLocalFile(dir.path() + QStringLiteral("/missing/a.txt")).toEncoded(),  // no such folder
        "sftp://host/tmp/a.txt",
        "a.txt", // the name we wrote: the target did not answer
        "",
        "file:" + QByteArray(5000, 'x'),
    };
    for (const QByteArray& uri : refused) {
        state = {};
        auto data = make(QStringLiteral("a.txt"));
        QSignalSpy chosen(data.get(), &TDirectSaveMimeData::folderChosen);
        EXPECT_EQ(dropWith(*data, uri), "F") << uri.left(80).constData();
        EXPECT_TRUE(data->dropFolder().isEmpty()) << uri.left(80).constData();
        EXPECT_EQ(chosen.count(), 0);
    }
}

TEST_F(DirectSaveMimeDataTest, WithoutASourceWindowOrAPropertyNothingIsOffered)
{
    state.window = false;
    auto noWindow = make(QStringLiteral("a.txt"));
    noWindow->formats();
    EXPECT_EQ(noWindow->data(TDirectSaveMimeData::formatName()), "E");
    EXPECT_TRUE(noWindow->dropFolder().isEmpty());

    TDirectSaveMimeData offscreen(QStringLiteral("a.txt"));
    EXPECT_FALSE(offscreen.formats().contains(TDirectSaveMimeData::formatName()));
    EXPECT_FALSE(offscreen.hasFormat(TDirectSaveMimeData::formatName()));
}
