#include "platform/TKeyFileEditor.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using platform::TKeyFileEditor;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

TEST(KeyFileEditorTest, ChangesOnlyTheLinesItIsToldAbout)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/mimeapps.list");
    writeAll(path, "# comment\r\n[Default Applications]\r\ntext/plain=a.desktop;\r\ntext/plain[sv]=b;\r\n\r\n"
                   "[Added Associations]\r\nimage/png=c.desktop;\r\n");
    TKeyFileEditor file(path);
    ASSERT_TRUE(file.load());
    // Keys match exactly: a localised key is another key.
    EXPECT_EQ(file.value(QStringLiteral("Default Applications"), QStringLiteral("text/plain")),
              QStringLiteral("a.desktop;"));
    EXPECT_FALSE(file.contains(QStringLiteral("Default Applications"), QStringLiteral("text/plai")));
    file.setValue(QStringLiteral("Default Applications"), QStringLiteral("x-scheme-handler/ftp"),
                  QStringLiteral("v.desktop;"));
    file.setValue(QStringLiteral("Removed Associations"), QStringLiteral("x"), QStringLiteral("y;"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readAll(path),
              "# comment\n[Default Applications]\ntext/plain=a.desktop;\ntext/plain[sv]=b;\n"
              "x-scheme-handler/ftp=v.desktop;\n\n[Added Associations]\nimage/png=c.desktop;\n\n"
              "[Removed Associations]\nx=y;\n");

    ASSERT_TRUE(file.load());
    file.remove(QStringLiteral("Removed Associations"), QStringLiteral("x"));
    file.removeGroupIfEmpty(QStringLiteral("Removed Associations"));
    file.removeGroupIfEmpty(QStringLiteral("Added Associations")); // not empty: stays
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readAll(path),
              "# comment\n[Default Applications]\ntext/plain=a.desktop;\ntext/plain[sv]=b;\n"
              "x-scheme-handler/ftp=v.desktop;\n\n[Added Associations]\nimage/png=c.desktop;\n");
}

TEST(KeyFileEditorTest, AFileLeftEmptyIsRemovedWhenAskedAndAMissingOneReadsEmpty)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/sub/dir/list");
    TKeyFileEditor file(path);
    ASSERT_TRUE(file.load());
    EXPECT_FALSE(file.hasGroup(QStringLiteral("G")));
    file.setValue(QStringLiteral("G"), QStringLiteral("k"), QStringLiteral("v"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readAll(path), "[G]\nk=v\n");
    file.remove(QStringLiteral("G"), QStringLiteral("k"));
    file.removeGroupIfEmpty(QStringLiteral("G"));
    ASSERT_TRUE(file.save(nullptr, true));
    EXPECT_FALSE(QFileInfo::exists(path));

    EXPECT_EQ(TKeyFileEditor::splitList(QStringLiteral(" a.desktop ;;b.desktop;")),
              QStringList({QStringLiteral("a.desktop"), QStringLiteral("b.desktop")}));
    EXPECT_EQ(TKeyFileEditor::joinList({}), QString());
}

} // namespace
