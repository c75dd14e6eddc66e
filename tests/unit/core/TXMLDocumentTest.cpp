#include "core/TXMLDocument.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "CoreTestSupport.h"

namespace {

class TXMLDocumentTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(m_data.dataFolder())); }

    QString filePath() const { return m_data.path(QStringLiteral("Store.xml")); }
    QStringList asideCopies() const { return m_data.files().filter(QStringLiteral(".unreadable-")); }

    TempDataDir m_data;
};

TEST_F(TXMLDocumentTest, MissingFileIsCreatedWithEmptyRootAndDeclaration)
{
    TXMLDocument doc(filePath(), QStringLiteral("Store"));
    const TXMLLoadResult result = doc.open();
    EXPECT_EQ(result.status, TXMLLoadStatus::Created);
    EXPECT_TRUE(result.message.isEmpty());
    EXPECT_EQ(readWholeFile(filePath()), QByteArray("<?xml version=\"1.0\"?>\n<Store />\n"));
}

TEST_F(TXMLDocumentTest, MissingFileWithMustExistIsAFailureAndCreatesNothing)
{
    TXMLDocument doc(filePath(), QStringLiteral("Store"));
    const TXMLLoadResult result = doc.open(TXMLOpenMode::MustExist);
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(filePath()));
}

TEST_F(TXMLDocumentTest, RoundTripKeepsOrderAndWhiteSpaceInValuesAndIndents)
{
    const QByteArray original = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<Store><Item z=\"1\" a=\"2\" m=\"line one&#10;line two\tend\"/>"
                                "<Other value=\"  padded  \"/><Item z=\"second\"/></Store>";
    ASSERT_TRUE(writeWholeFile(filePath(), original));
    TXMLDocument doc(filePath(), QStringLiteral("Store"));
    ASSERT_EQ(doc.open().status, TXMLLoadStatus::Loaded);
    ASSERT_TRUE(doc.save());

    const QByteArray expected = "<?xml version=\"1.0\"?>\n"
                                "<Store>\n"
                                "  <Item z=\"1\" a=\"2\" m=\"line one&#10;line two&#09;end\" />\n"
                                "  <Other value=\"  padded  \" />\n"
                                "  <Item z=\"second\" />\n"
                                "</Store>\n";
    EXPECT_EQ(readWholeFile(filePath()), expected);

    TXMLDocument again(filePath(), QStringLiteral("Store"));
    ASSERT_TRUE(again.open().ok());
    const pugi::xml_node item = again.root().child("Item");
    EXPECT_EQ(xmlAttribute(item, "m"), QStringLiteral("line one\nline two\tend"));
    EXPECT_EQ(xmlAttribute(again.root().child("Other"), "value"), QStringLiteral("  padded  "));
}

TEST_F(TXMLDocumentTest, NonAsciiTextSurvivesSaveAndLoad)
{
    TXMLDocument doc(filePath(), QStringLiteral("Store"));
    ASSERT_TRUE(doc.open().ok());
    pugi::xml_node node = doc.root().append_child("Host");
    const QString name = QStringLiteral("Värd <ε> & \"Ω\" 日本");
    setXmlAttribute(node, "Name", name);
    ASSERT_TRUE(doc.save());

    TXMLDocument again(filePath(), QStringLiteral("Store"));
    ASSERT_TRUE(again.open().ok());
    EXPECT_EQ(xmlAttribute(again.root().child("Host"), "Name"), name);
    EXPECT_FALSE(hasXmlAttribute(again.root().child("Host"), "Missing"));
}

// Damaged files of every kind are copied aside byte for byte before the store can
// write over them, and the document continues empty.
TEST_F(TXMLDocumentTest, UnreadableFilesAreCopiedAsideBeforeAnyWrite)
{
    const QByteArray cases[] = {
        "<Store><Item></Store>",            // malformed
        "",                                 // truncated to nothing
        "<Other><Item/></Other>",           // someone else's file
        "<?xml version=\"1.0\"?>\n<Store>", // cut short
    };
    for (const QByteArray& damaged : cases) {
        SCOPED_TRACE(damaged.constData());
        QDir(m_data.dataFolder()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(m_data.dataFolder()));
        ASSERT_TRUE(writeWholeFile(filePath(), damaged));

        TXMLDocument doc(filePath(), QStringLiteral("Store"));
        const TXMLLoadResult result = doc.open();
        EXPECT_EQ(result.status, TXMLLoadStatus::Failed);
        ASSERT_EQ(asideCopies().size(), 1);
        EXPECT_EQ(QFileInfo(result.setAsidePath).fileName(), asideCopies().first());
        EXPECT_TRUE(result.message.contains(asideCopies().first())) << result.message.toStdString();
        EXPECT_EQ(readWholeFile(result.setAsidePath), damaged);
        // Opening alone never touches the original.
        EXPECT_EQ(readWholeFile(filePath()), damaged);
        EXPECT_FALSE(doc.root().first_child());
        EXPECT_EQ(QString::fromUtf8(doc.root().name()), QStringLiteral("Store"));

        pugi::xml_node node = doc.root().append_child("Item");
        setXmlAttribute(node, "value", QStringLiteral("new"));
        ASSERT_TRUE(doc.save());
        EXPECT_EQ(readWholeFile(result.setAsidePath), damaged);
        TXMLDocument reread(filePath(), QStringLiteral("Store"));
        EXPECT_EQ(reread.open().status, TXMLLoadStatus::Loaded);
    }
}

TEST_F(TXMLDocumentTest, SecondFailureInTheSameSecondGetsItsOwnCopy)
{
    ASSERT_TRUE(writeWholeFile(filePath(), "first <"));
    TXMLDocument doc(filePath(), QStringLiteral("Store"));
    const TXMLLoadResult first = doc.open();
    ASSERT_TRUE(writeWholeFile(filePath(), "second <"));
    const TXMLLoadResult second = doc.open();
    ASSERT_FALSE(first.ok());
    ASSERT_FALSE(second.ok());
    EXPECT_NE(first.setAsidePath, second.setAsidePath);
    EXPECT_EQ(readWholeFile(first.setAsidePath), QByteArray("first <"));
    EXPECT_EQ(readWholeFile(second.setAsidePath), QByteArray("second <"));
}

TEST_F(TXMLDocumentTest, SaveLeavesNoTemporaryFilesAndReportsUnwritableTargets)
{
    TXMLDocument doc(filePath(), QStringLiteral("Store"));
    ASSERT_TRUE(doc.open().ok());
    doc.root().append_child("A");
    doc.markModified();
    ASSERT_TRUE(doc.saveIfModified());
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(m_data.files(), QStringList{QStringLiteral("Store.xml")});

    QString error;
    EXPECT_FALSE(doc.saveTo(m_data.path(QStringLiteral("no/such/dir/Store.xml")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(TXMLDocumentTest, SaveIfModifiedWritesOnlyMarkedChanges)
{
    TXMLDocument doc(filePath(), QStringLiteral("Store"));
    ASSERT_TRUE(doc.open().ok());
    doc.root().append_child("Unmarked");
    ASSERT_TRUE(doc.saveIfModified());
    EXPECT_FALSE(readWholeFile(filePath()).contains("Unmarked"));
    doc.markModified();
    ASSERT_TRUE(doc.saveIfModified());
    EXPECT_TRUE(readWholeFile(filePath()).contains("Unmarked"));
}

TEST(XmlNames, OnlyNamesThatKeepTheFileReadableAreValid)
{
    EXPECT_TRUE(isValidXmlName(QStringLiteral("IDS_54DialogDefault")));
    EXPECT_TRUE(isValidXmlName(QStringLiteral("_a-b.c")));
    EXPECT_FALSE(isValidXmlName(QString()));
    EXPECT_FALSE(isValidXmlName(QStringLiteral("54Key")));
    EXPECT_FALSE(isValidXmlName(QStringLiteral("two words")));
    EXPECT_FALSE(isValidXmlName(QStringLiteral("a<b")));
    EXPECT_FALSE(isValidXmlName(QStringLiteral("XmlThing")));
}

} // namespace
