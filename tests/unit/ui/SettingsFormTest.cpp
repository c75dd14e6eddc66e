#include "ui/dialogs/SettingsFormUnit.h"

#include <memory>
#include <utility>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "core/TMainConfig.h"
#include "platform/TSystemRegistrations.h"
#include "queue/TFileTransferTypes.h"
#include "unit/ui/QuickConnectFormTestSupport.h"

namespace {

using dialogtest::DialogEnvironment;

template <class T>
T* child(QWidget& form, const char* name)
{
    return dialogtest::child<T>(form, name);
}

// Registrations that remember their state and every switch made.
class FakeRegistrations final : public platform::TSystemRegistrations
{
public:
    bool startWithSystem() const override { return start; }
    bool setStartWithSystem(bool enabled) override
    {
        calls << QStringLiteral("start=%1").arg(enabled);
        start = enabled;
        return true;
    }
    bool ftpHandler() const override { return ftp; }
    bool setFtpHandler(bool enabled) override
    {
        calls << QStringLiteral("ftp=%1").arg(enabled);
        ftp = enabled;
        return true;
    }
    bool contextMenu() const override { return menu; }
    bool setContextMenu(bool enabled) override
    {
        calls << QStringLiteral("menu=%1").arg(enabled);
        menu = enabled;
        return true;
    }

    bool start = false, ftp = false, menu = false;
    QStringList calls;
};

// Every setting of Config.xml as its text.
QStringList allSettings()
{
    QStringList values;
    for (const TMainConfig::TKeyInfo& key : TMainConfig::Keys())
        values << QString::fromLatin1(key.name) + u'=' +
                      MainConfig()->GetValue(QString::fromLatin1(key.name), key.defaultText).toString();
    return values;
}

QList<TFileTransferTypes::TPair> storedFileTypes()
{
    TFileTransferTypes reread(FileTransferTypes()->filePath());
    return reread.TypeList();
}

class SettingsFormTest : public ::testing::Test
{
protected:
    SettingsFormTest()
    {
        // The store answers the integration boxes through the fake.
        TMainConfig::createGlobal(registrations);
        TMessageDialog::setAnswerer([this](TMessageRequest& request) {
            questions << request.Text;
            request.Result = answer;
        });
    }

    void setFileTypes(QList<TFileTransferTypes::TPair> types)
    {
        FileTransferTypes()->setTypeList(std::move(types));
        ASSERT_TRUE(FileTransferTypes()->Save());
    }

    // The list's rows as "extension:type text".
    static QStringList rows(TSettingsForm& form)
    {
        QTreeWidget* list = child<QTreeWidget>(form, "FileTransferTypesListView");
        QStringList texts;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            texts << list->topLevelItem(i)->text(0) + u':' + list->topLevelItem(i)->text(1);
        return texts;
    }

    static void add(TSettingsForm& form, const QString& extension, int typeIndex)
    {
        child<QLineEdit>(form, "ExtensionEdit")->setText(extension);
        child<QComboBox>(form, "TransferTypeComboBox")->setCurrentIndex(typeIndex);
        child<QPushButton>(form, "AddFileTransferTypeButton")->click();
    }

    static QTreeWidgetItem* treeEntry(TSettingsForm& form, const QString& text)
    {
        const QList<QTreeWidgetItem*> found = child<QTreeWidget>(form, "SettingsTreeView")
                                                  ->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        EXPECT_EQ(found.size(), 1) << text.toStdString();
        return found.value(0);
    }

    DialogEnvironment env;
    std::shared_ptr<FakeRegistrations> registrations = std::make_shared<FakeRegistrations>();
    QStringList questions;
    int answer = QMessageBox::Yes;
};

TEST_F(SettingsFormTest, OkWithoutChangesKeepsEverySettingAndRewritesTheRegistrations)
{
    TMainConfig* config = MainConfig();
    config->SetShowTipOnStartup(true);
    config->SetShowQuickConnectOnStartup(true);
    config->SetTrayIcon(true);
    config->SetLanguage(QStringLiteral("Svenska"));
    config->SetMaxFTPTransferCount(7);
    config->SetRemoteFileAlreadyExistsAction(TFileAlreadyExistsAction::faeSkip);
    config->SetRemoteFileSmallerAlreadyExistsAction(TFileAlreadyExistsAction::faeResume);
    config->SetLocalFileAlreadyExistsAction(TFileAlreadyExistsAction::faeOverwrite);
    config->SetDefaultFileTransferType(TFileTransferType::fttASCII);
    config->SetShowRemoteSelectionPanel(false);
    config->SetAnonymousEmail(QStringLiteral("me@example.org"));
    // Not in the (empty) phone book of this machine: still kept.
    config->SetDefaultDialupConnection(QStringLiteral("Office ISP"));
    config->SetDefaultProxyType(TIdFtpProxyType::fpcmOpen);
    config->SetDefaultProxyHost(QStringLiteral("proxy.example.org"));
    config->SetDefaultProxyPort(3128);
    config->SetDefaultProxyUsername(QStringLiteral("pu"));
    config->SetDefaultProxyPassword(QStringLiteral("pp"));
    registrations->ftp = true;
    registrations->start = true;
    setFileTypes({{QStringLiteral(".txt"), QStringLiteral("ASCII")},
                  {QStringLiteral(".bin"), QStringLiteral("Binary")}});
    const QStringList before = allSettings();

    TSettingsForm form(nullptr);
    EXPECT_TRUE(child<QRadioButton>(form, "HostManagerQuickConnectOnStartupRadioButton2")->isChecked());
    EXPECT_EQ(child<QComboBox>(form, "DefaultDialupConnectionComboBox")->count(), 1);
    EXPECT_TRUE(child<QCheckBox>(form, "IntegrateWithIECheckBox")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(form, "IntegrateWithExplorerCheckBox")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(form, "StartVantorFTPOnComputerStartupCheckBox")->isChecked());
    EXPECT_EQ(child<QLineEdit>(form, "DefaultProxyPortEdit")->text(), QStringLiteral("3128"));
    child<QPushButton>(form, "OKButton")->click();

    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(allSettings(), before);
    EXPECT_EQ(registrations->calls,
              QStringList({QStringLiteral("ftp=1"), QStringLiteral("menu=0"), QStringLiteral("start=1")}));
    // Sorted for display, then written in the list's order.
    EXPECT_EQ(storedFileTypes(),
              (QList<TFileTransferTypes::TPair>{{QStringLiteral(".bin"), QStringLiteral("Binary")},
                                                {QStringLiteral(".txt"), QStringLiteral("ASCII")}}));
}

TEST_F(SettingsFormTest, CancelWritesNothing)
{
    setFileTypes({{QStringLiteral(".txt"), QStringLiteral("ASCII")}});
    const QByteArray typesFile = queuetest::readAll(FileTransferTypes()->filePath());
    const QStringList before = allSettings();

    TSettingsForm form(nullptr);
    child<QCheckBox>(form, "TrayIconCheckBox")->toggle();
    child<QCheckBox>(form, "IntegrateWithExplorerCheckBox")->setChecked(true);
    child<QRadioButton>(form, "HostManagerQuickConnectOnStartupRadioButton1")->setChecked(true);
    child<QSpinBox>(form, "MaxFTPTransferCountEdit")->setValue(9);
    child<QLineEdit>(form, "DefaultProxyHostEdit")->setText(QStringLiteral("elsewhere"));
    child<QComboBox>(form, "LanguageComboBox")->setCurrentIndex(0);
    add(form, QStringLiteral(".doc"), 0);
    child<QPushButton>(form, "CancelButton")->click();

    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(allSettings(), before);
    EXPECT_TRUE(registrations->calls.isEmpty());
    EXPECT_EQ(queuetest::readAll(FileTransferTypes()->filePath()), typesFile);
    EXPECT_EQ(FileTransferTypes()->TypeList().size(), 1);
}

TEST_F(SettingsFormTest, ChangedValuesAreStoredOnOk)
{
    MainConfig()->SetShowHostManagerOnStartup(true);
    TSettingsForm form(nullptr);
    EXPECT_TRUE(child<QRadioButton>(form, "HostManagerQuickConnectOnStartupRadioButton1")->isChecked());
    child<QRadioButton>(form, "HostManagerQuickConnectOnStartupRadioButton2")->setChecked(true);
    child<QComboBox>(form, "LanguageComboBox")->setCurrentIndex(0);
    child<QComboBox>(form, "DefaultTransferTypeComboBox")->setCurrentIndex(1);
    child<QComboBox>(form, "RemoteFileAlreadyExistsComboBox")->setCurrentIndex(2);
    child<QComboBox>(form, "LocalFileSmallerAlreadyExistsComboBox")->setCurrentIndex(2);
    child<QCheckBox>(form, "IntegrateWithExplorerCheckBox")->setChecked(true);
    child<QComboBox>(form, "DefaultProxyTypeComboBox")->setCurrentIndex(5);
    child<QLineEdit>(form, "AnonymousPasswordEdit")->setText(QStringLiteral("x@y.z"));
    form.accept();

    const TMainConfig* config = MainConfig();
    EXPECT_FALSE(config->ShowHostManagerOnStartup());
    EXPECT_TRUE(config->ShowQuickConnectOnStartup());
    EXPECT_EQ(config->Language(), QStringLiteral("Svenska"));
    EXPECT_EQ(config->DefaultFileTransferType(), TFileTransferType::fttASCII);
    EXPECT_EQ(config->RemoteFileAlreadyExistsAction(), TFileAlreadyExistsAction::faeSkip);
    EXPECT_EQ(config->LocalFileSmallerAlreadyExistsAction(), TFileAlreadyExistsAction::faeResume);
    EXPECT_TRUE(registrations->menu);
    EXPECT_EQ(config->DefaultProxyType(), TIdFtpProxyType::fpcmTransparent);
    EXPECT_EQ(config->AnonymousEmail(), QStringLiteral("x@y.z"));

    // "None" for the connection dialogs clears both.
    TSettingsForm again(nullptr);
    child<QRadioButton>(again, "HostManagerQuickConnectOnStartupRadioButton0")->setChecked(true);
    again.accept();
    EXPECT_FALSE(config->ShowHostManagerOnStartup());
    EXPECT_FALSE(config->ShowQuickConnectOnStartup());
}

TEST_F(SettingsFormTest, ResumeInAThreeItemBoxShowsAskAndIsStoredAsAsk)
{
    MainConfig()->SetRemoteFileAlreadyExistsAction(TFileAlreadyExistsAction::faeResume);
    MainConfig()->SetLocalFileAlreadyExistsAction(TFileAlreadyExistsAction::faeResume);
    MainConfig()->SetLocalFileSmallerAlreadyExistsAction(TFileAlreadyExistsAction::faeResume);
    MainConfig()->SetRemoteFileSmallerAlreadyExistsAction(TFileAlreadyExistsAction::faeSkip);

    TSettingsForm form(nullptr);
    EXPECT_EQ(child<QComboBox>(form, "RemoteFileAlreadyExistsComboBox")->currentText(),
              QStringLiteral("Ask"));
    EXPECT_EQ(child<QComboBox>(form, "LocalFileAlreadyExistsComboBox")->currentText(), QStringLiteral("Ask"));
    EXPECT_EQ(child<QComboBox>(form, "LocalFileSmallerAlreadyExistsComboBox")->currentText(),
              QStringLiteral("Resume"));
    EXPECT_EQ(child<QComboBox>(form, "RemoteFileSmallerAlreadyExistsComboBox")->currentText(),
              QStringLiteral("Skip"));
    form.accept();

    EXPECT_EQ(MainConfig()->RemoteFileAlreadyExistsAction(), TFileAlreadyExistsAction::faeAsk);
    EXPECT_EQ(MainConfig()->LocalFileAlreadyExistsAction(), TFileAlreadyExistsAction::faeAsk);
    EXPECT_EQ(MainConfig()->LocalFileSmallerAlreadyExistsAction(), TFileAlreadyExistsAction::faeResume);
    EXPECT_EQ(MainConfig()->RemoteFileSmallerAlreadyExistsAction(), TFileAlreadyExistsAction::faeSkip);
}

TEST_F(SettingsFormTest, AddingAListedExtensionInAnotherCaseChangesItsRow)
{
    setFileTypes({{QStringLiteral(".txt"), QStringLiteral("ASCII")},
                  {QStringLiteral(".ZIP"), QStringLiteral("Binary")},
                  {QStringLiteral(".html"), QStringLiteral("ascii")}}); // not exactly "ASCII": binary
    TSettingsForm form(nullptr);
    EXPECT_EQ(rows(form), QStringList({QStringLiteral(".html:Binary"), QStringLiteral(".txt:ASCII"),
                                       QStringLiteral(".ZIP:Binary")}));

    add(form, QStringLiteral(".TXT"), 0);
    add(form, QStringLiteral(".zip"), 1);
    add(form, QString(), 1); // nothing to add
    add(form, QStringLiteral(".c"), 1);
    // Not re-sorted: the new row stays last, and is the one selected.
    EXPECT_EQ(rows(form), QStringList({QStringLiteral(".html:Binary"), QStringLiteral(".txt:Binary"),
                                       QStringLiteral(".ZIP:ASCII"), QStringLiteral(".c:ASCII")}));
    QTreeWidget* list = child<QTreeWidget>(form, "FileTransferTypesListView");
    ASSERT_EQ(list->selectedItems().size(), 1);
    EXPECT_EQ(list->selectedItems().first()->text(0), QStringLiteral(".c"));

    // Selecting one row shows it in the edit controls.
    list->clearSelection();
    list->topLevelItem(2)->setSelected(true);
    EXPECT_EQ(child<QLineEdit>(form, "ExtensionEdit")->text(), QStringLiteral(".ZIP"));
    EXPECT_EQ(child<QComboBox>(form, "TransferTypeComboBox")->currentIndex(), 1);

    form.accept();
    EXPECT_EQ(storedFileTypes(),
              (QList<TFileTransferTypes::TPair>{{QStringLiteral(".html"), QStringLiteral("Binary")},
                                                {QStringLiteral(".txt"), QStringLiteral("Binary")},
                                                {QStringLiteral(".ZIP"), QStringLiteral("ASCII")},
                                                {QStringLiteral(".c"), QStringLiteral("ASCII")}}));
    EXPECT_EQ(FileTransferTypes()->GetTransferType(QStringLiteral(".zip")), TFileTransferType::fttASCII);
}

TEST_F(SettingsFormTest, DeleteAsksOnlyWithASelectionAndDeletesOnYes)
{
    setFileTypes({{QStringLiteral(".a"), QStringLiteral("ASCII")},
                  {QStringLiteral(".b"), QStringLiteral("Binary")},
                  {QStringLiteral(".c"), QStringLiteral("ASCII")}});
    TSettingsForm form(nullptr);
    QTreeWidget* list = child<QTreeWidget>(form, "FileTransferTypesListView");
    QPushButton* remove = child<QPushButton>(form, "DeleteFileTransferTypeButton");
    list->clearSelection();
    remove->click();
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(list->topLevelItemCount(), 3);

    list->topLevelItem(0)->setSelected(true);
    list->topLevelItem(2)->setSelected(true);
    answer = QMessageBox::No;
    remove->click();
    EXPECT_EQ(questions, QStringList(QStringLiteral(
                             "Are you sure you want to delete the 2 selected file transfer types?")));
    EXPECT_EQ(list->topLevelItemCount(), 3);

    answer = QMessageBox::Yes;
    remove->click();
    EXPECT_EQ(rows(form), QStringList(QStringLiteral(".b:Binary")));
    // Only OK writes the file.
    EXPECT_EQ(storedFileTypes().size(), 3);
    form.accept();
    EXPECT_EQ(storedFileTypes(),
              (QList<TFileTransferTypes::TPair>{{QStringLiteral(".b"), QStringLiteral("Binary")}}));
}

TEST_F(SettingsFormTest, HeaderClicksSortByTypeAndReverseTheSortColumn)
{
    setFileTypes({{QStringLiteral(".b"), QStringLiteral("ASCII")},
                  {QStringLiteral(".C"), QStringLiteral("Binary")},
                  {QStringLiteral(".a"), QStringLiteral("Binary")}});
    TSettingsForm form(nullptr);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTreeWidget* list = child<QTreeWidget>(form, "FileTransferTypesListView");
    child<QTreeWidget>(form, "SettingsTreeView")
        ->setCurrentItem(treeEntry(form, QStringLiteral("File types")));
    QHeaderView* header = list->header();
    const auto clickColumn = [&](int column) {
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    EXPECT_EQ(rows(form), QStringList({QStringLiteral(".a:Binary"), QStringLiteral(".b:ASCII"),
                                       QStringLiteral(".C:Binary")}));
    clickColumn(0); // the sort column: reversed
    EXPECT_EQ(rows(form), QStringList({QStringLiteral(".C:Binary"), QStringLiteral(".b:ASCII"),
                                       QStringLiteral(".a:Binary")}));
    clickColumn(1); // the other column, direction kept (descending); ties keep their order
    EXPECT_EQ(rows(form), QStringList({QStringLiteral(".C:Binary"), QStringLiteral(".a:Binary"),
                                       QStringLiteral(".b:ASCII")}));
    clickColumn(1);
    EXPECT_EQ(rows(form).first(), QStringLiteral(".b:ASCII"));
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(SettingsFormTest, TransferCountStaysWithinOneToSixteen)
{
    MainConfig()->SetMaxFTPTransferCount(40);
    {
        TSettingsForm form(nullptr);
        QSpinBox* count = child<QSpinBox>(form, "MaxFTPTransferCountEdit");
        EXPECT_EQ(count->value(), 16);
        QTest::keyClick(count, Qt::Key_Up);
        EXPECT_EQ(count->value(), 16);
        count->setValue(0);
        EXPECT_EQ(count->value(), 1);
        QTest::keyClick(count, Qt::Key_Down);
        EXPECT_EQ(count->value(), 1);
        form.accept();
    }
    EXPECT_EQ(MainConfig()->MaxFTPTransferCount(), 1);
    MainConfig()->SetMaxFTPTransferCount(-3);
    TSettingsForm form(nullptr);
    form.accept();
    EXPECT_EQ(MainConfig()->MaxFTPTransferCount(), 1);
}

TEST_F(SettingsFormTest, UnknownLanguageKeepsEnglish)
{
    MainConfig()->SetLanguage(QStringLiteral("Deutsch"));
    TSettingsForm form(nullptr);
    EXPECT_EQ(child<QComboBox>(form, "LanguageComboBox")->currentText(), QStringLiteral("English"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Settings"));
    form.accept();
    EXPECT_EQ(MainConfig()->Language(), QStringLiteral("English"));
}

TEST_F(SettingsFormTest, ProxyPortThatIsNotANumberIsStoredAs8080)
{
    // A type the list does not show is left as stored.
    MainConfig()->SetDefaultProxyType(TIdFtpProxyType::fpcmCustomProxy);
    TSettingsForm form(nullptr);
    EXPECT_EQ(child<QComboBox>(form, "DefaultProxyTypeComboBox")->currentIndex(), -1);
    EXPECT_EQ(child<QLineEdit>(form, "DefaultProxyPasswordEdit")->echoMode(), QLineEdit::Normal);
    child<QLineEdit>(form, "DefaultProxyPortEdit")->setText(QStringLiteral("abc"));
    form.accept();
    EXPECT_EQ(MainConfig()->DefaultProxyPort(), 8080);
    EXPECT_EQ(MainConfig()->DefaultProxyType(), TIdFtpProxyType::fpcmCustomProxy);

    for (const auto& [typed, stored] :
         {std::pair{"", 8080}, std::pair{" 2121 ", 2121}, std::pair{"70000", 8080}}) {
        TSettingsForm again(nullptr);
        child<QLineEdit>(again, "DefaultProxyPortEdit")->setText(QString::fromLatin1(typed));
        again.accept();
        EXPECT_EQ(MainConfig()->DefaultProxyPort(), stored) << typed;
    }
}

TEST_F(SettingsFormTest, TreeShowsPagesTitleAndHelpNumber)
{
    std::vector<int> helpOpened;
    TSettingsForm form(nullptr);
    form.setOpenHelp([&](int number) { helpOpened.push_back(number); });
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    auto* pages = child<QStackedWidget>(form, "SettingsPageControl");
    auto* tree = child<QTreeWidget>(form, "SettingsTreeView");
    auto* title = child<QLabel>(form, "SettingTitleLabel");
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("SettingsDescriptionTabSheet"));
    EXPECT_EQ(title->text(), QStringLiteral("Settings"));
    EXPECT_EQ(form.helpNumber(), 1);
    EXPECT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 8);

    tree->setCurrentItem(treeEntry(form, QStringLiteral("Proxy")));
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("ConnectionTabSheet"));
    auto* connection = child<QTabWidget>(form, "ConnectionPageControl");
    EXPECT_EQ(connection->currentWidget()->objectName(), QStringLiteral("ProxyTabSheet"));
    EXPECT_EQ(title->text(), QStringLiteral("Connection"));
    EXPECT_EQ(form.helpNumber(), 4);
    EXPECT_EQ(QApplication::focusWidget(), child<QComboBox>(form, "DefaultProxyTypeComboBox"));
    QTest::keyClick(&form, Qt::Key_F1);
    child<QPushButton>(form, "HelpButton")->click();
    EXPECT_EQ(helpOpened, (std::vector<int>{4, 4}));

    // A tab chosen inside the page selects its tree entry.
    connection->setCurrentIndex(0);
    EXPECT_EQ(tree->currentItem(), treeEntry(form, QStringLiteral("Dialup")));
    EXPECT_EQ(form.helpNumber(), 3);
    EXPECT_EQ(QApplication::focusWidget(), child<QComboBox>(form, "DefaultDialupConnectionComboBox"));

    tree->setCurrentItem(treeEntry(form, QStringLiteral("Actions")));
    EXPECT_EQ(child<QTabWidget>(form, "TransferPageControl")->currentWidget()->objectName(),
              QStringLiteral("TransferActionsTabSheet"));
    EXPECT_EQ(title->text(), QStringLiteral("Transfers"));
    EXPECT_EQ(form.helpNumber(), 9);
    EXPECT_EQ(QApplication::focusWidget(), child<QComboBox>(form, "RemoteFileAlreadyExistsComboBox"));

    tree->setCurrentItem(treeEntry(form, QStringLiteral("Startup")));
    EXPECT_EQ(form.helpNumber(), 1);
    EXPECT_EQ(QApplication::focusWidget(), child<QCheckBox>(form, "ShowTipOnStartupCheckBox"));
    tree->setCurrentItem(treeEntry(form, QStringLiteral("Anonymous")));
    EXPECT_EQ(form.helpNumber(), 10);
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>(form, "AnonymousPasswordEdit"));
    form.reject();
}

TEST_F(SettingsFormTest, ArrowKeysWalkTheTreeWithoutLeavingIt)
{
    TSettingsForm form(nullptr);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    auto* tree = child<QTreeWidget>(form, "SettingsTreeView");
    auto* pages = child<QStackedWidget>(form, "SettingsPageControl");
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Down);
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(tree->currentItem(), treeEntry(form, QStringLiteral("Language")));
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("LanguageTabSheet"));
    EXPECT_EQ(QApplication::focusWidget(), tree) << "each page is shown, the focus stays in the tree";
    // Chosen from outside, the page takes the focus again.
    QTest::qWait(0);
    tree->setCurrentItem(treeEntry(form, QStringLiteral("Anonymous")));
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>(form, "AnonymousPasswordEdit"));
    form.reject();
}

TEST_F(SettingsFormTest, SwedishShowsNoEnglishTextAndEveryControlHasAName)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    TSettingsForm form(nullptr);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Inställningar"));
    EXPECT_EQ(dialogtest::englishTextsLeft(&form, QStringLiteral("SettingsForm")), QStringList());
    for (QWidget* control : form.findChildren<QWidget*>()) {
        if (control->objectName().isEmpty() || control->objectName().startsWith(QStringLiteral("qt_")) ||
            !(control->focusPolicy() & Qt::TabFocus))
            continue;
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
    }
    EXPECT_EQ(rows(form), QStringList());
    add(form, QStringLiteral(".bin"), 0);
    EXPECT_EQ(rows(form), QStringList(QStringLiteral(".bin:Binär")));
    form.accept();
    EXPECT_EQ(storedFileTypes(),
              (QList<TFileTransferTypes::TPair>{{QStringLiteral(".bin"), QStringLiteral("Binary")}}));
}

} // namespace

namespace {

TEST_F(SettingsFormTest, FileTypesThatCannotBeSavedAreReported)
{
    // A folder that does not exist: the table cannot be written there.
    TFileTransferTypes::createGlobal(env.root() + QStringLiteral("/missing/FileTransferTypes.xml"));
    TSettingsForm form(nullptr);
    add(form, QStringLiteral(".txt"), 1);
    form.accept();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions.first().startsWith(QStringLiteral("The file transfer types could not be saved:\n")))
        << questions.first().toStdString();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(FileTransferTypes()->GetTransferType(QStringLiteral(".TXT")), TFileTransferType::fttASCII);
}

} // namespace
