// The windows of the start-up sequence: the first-run wizard, the tip of the
// day and the splash (also the About box), and the pictures they show.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include "core/TMainConfig.h"
#include "core/TTips.h"
#include "ui/dialogs/FirstRunWizardFormUnit.h"
#include "ui/dialogs/SplashFormUnit.h"
#include "ui/dialogs/TArtwork.h"
#include "ui/dialogs/TRtfText.h"
#include "ui/dialogs/TipOfTheDayFormUnit.h"
#include "unit/ui/QuickConnectFormTestSupport.h"

namespace {

using dialogtest::DialogEnvironment;

template <class T>
T* child(QWidget& form, const char* name)
{
    return dialogtest::child<T>(form, name);
}

QString labelText(QWidget& form, const char* name)
{
    return child<QLabel>(form, name)->text();
}

QPushButton* button(QWidget& form, const char* name)
{
    return child<QPushButton>(form, name);
}

// ---------------------------------------------------------------------------
// First-run wizard

class FirstRunWizardFormTest : public ::testing::Test
{
protected:
    DialogEnvironment env;
};

TEST_F(FirstRunWizardFormTest, StepTextBackAndFinishFollowThePage)
{
    TFirstRunWizardForm wizard;
    wizard.show();
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("First run"));
    EXPECT_EQ(labelText(wizard, "StepLabel"), QStringLiteral("Step 1 of 3"));
    EXPECT_EQ(labelText(wizard, "StatusLabel"), QStringLiteral("Introduction"));
    EXPECT_FALSE(button(wizard, "BackButton")->isEnabled());
    EXPECT_EQ(button(wizard, "NextButton")->text(), QStringLiteral("Next >"));
    EXPECT_TRUE(button(wizard, "NextButton")->isDefault());

    button(wizard, "NextButton")->click();
    EXPECT_EQ(labelText(wizard, "StepLabel"), QStringLiteral("Step 2 of 3"));
    EXPECT_EQ(labelText(wizard, "StatusLabel"), QStringLiteral("Language"));
    EXPECT_TRUE(button(wizard, "BackButton")->isEnabled());
    EXPECT_EQ(wizard.focusWidget(), child<QComboBox>(wizard, "LanguageComboBox"));

    button(wizard, "NextButton")->click();
    EXPECT_EQ(labelText(wizard, "StepLabel"), QStringLiteral("Step 3 of 3"));
    EXPECT_EQ(labelText(wizard, "StatusLabel"), QStringLiteral("Startup"));
    EXPECT_TRUE(button(wizard, "BackButton")->isEnabled());
    EXPECT_EQ(button(wizard, "NextButton")->text(), QStringLiteral("Finish"));
    EXPECT_EQ(wizard.result(), 0) << "only Finish closes";
    EXPECT_TRUE(wizard.isVisible());

    button(wizard, "BackButton")->click();
    EXPECT_EQ(wizard.currentPage(), 1);
    EXPECT_EQ(button(wizard, "NextButton")->text(), QStringLiteral("Next >"));
    button(wizard, "BackButton")->click();
    EXPECT_FALSE(button(wizard, "BackButton")->isEnabled());

    for (int i = 0; i < 3; ++i)
        button(wizard, "NextButton")->click();
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
}

TEST_F(FirstRunWizardFormTest, StartupChoicesAreCheckedAtFirstAndReported)
{
    TFirstRunWizardForm wizard;
    EXPECT_TRUE(wizard.addSampleSites());
    EXPECT_TRUE(wizard.showAddHostWizard());
    EXPECT_EQ(wizard.chosenLanguage(), QStringLiteral("English")) << "the item of the setting";
    child<QCheckBox>(wizard, "AddSampleSitesCheckBox")->click();
    EXPECT_FALSE(wizard.addSampleSites());
    EXPECT_TRUE(wizard.showAddHostWizard());
    child<QCheckBox>(wizard, "ShowAddNewHostWizardCheckBox")->click();
    EXPECT_FALSE(wizard.showAddHostWizard());
}

TEST_F(FirstRunWizardFormTest, ChoosingSvenskaSwitchesEveryTextAtOnce)
{
    TFirstRunWizardForm wizard;
    wizard.show();
    button(wizard, "NextButton")->click();
    auto* languages = child<QComboBox>(wizard, "LanguageComboBox");
    ASSERT_EQ(languages->findText(QStringLiteral("Svenska")), 1);
    EXPECT_EQ(languages->itemText(0), QStringLiteral("English"));

    languages->setCurrentIndex(languages->findText(QStringLiteral("Svenska")));
    EXPECT_EQ(wizard.chosenLanguage(), QStringLiteral("Svenska"));
    EXPECT_EQ(wizard.language(), QStringLiteral("Svenska"));
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("Första start"));
    EXPECT_EQ(labelText(wizard, "StatusLabel"), QStringLiteral("Språk"));
    EXPECT_EQ(labelText(wizard, "StepLabel"), QStringLiteral("Steg 2 av 3"));
    EXPECT_EQ(button(wizard, "NextButton")->text(), QStringLiteral("Nästa >"));
    EXPECT_EQ(dialogtest::englishTextsLeft(&wizard, QStringLiteral("FirstRunWizardForm")), QStringList());
    // The wizard reports the choice; the setting is the caller's to change.
    EXPECT_EQ(MainConfig()->Language(), QStringLiteral("English"));

    button(wizard, "NextButton")->click();
    EXPECT_EQ(button(wizard, "NextButton")->text(), QStringLiteral("Slutför"));
    EXPECT_EQ(dialogtest::englishTextsLeft(&wizard, QStringLiteral("FirstRunWizardForm")), QStringList());

    // And back.
    button(wizard, "BackButton")->click();
    languages->setCurrentIndex(0);
    EXPECT_EQ(labelText(wizard, "StatusLabel"), QStringLiteral("Language"));
    EXPECT_EQ(wizard.chosenLanguage(), QStringLiteral("English"));
}

TEST_F(FirstRunWizardFormTest, LanguageSettingWithoutAnItemSelectsNone)
{
    MainConfig()->SetLanguage(QStringLiteral("Deutsch"));
    TFirstRunWizardForm wizard;
    EXPECT_EQ(child<QComboBox>(wizard, "LanguageComboBox")->currentIndex(), -1);
    EXPECT_TRUE(wizard.chosenLanguage().isEmpty());
    // The table falls back to its first language: still a readable wizard.
    EXPECT_EQ(labelText(wizard, "StepLabel"), QStringLiteral("Step 1 of 3"));
}

TEST_F(FirstRunWizardFormTest, SvenskaSettingOpensInSwedishWithItsItemSelected)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    TFirstRunWizardForm wizard;
    EXPECT_EQ(wizard.chosenLanguage(), QStringLiteral("Svenska"));
    EXPECT_EQ(labelText(wizard, "StepLabel"), QStringLiteral("Steg 1 av 3"));
    EXPECT_EQ(dialogtest::englishTextsLeft(&wizard, QStringLiteral("FirstRunWizardForm")), QStringList());
}

TEST_F(FirstRunWizardFormTest, CannotBeCancelled)
{
    TFirstRunWizardForm wizard;
    wizard.show();
    EXPECT_FALSE(button(wizard, "CancelButton")->isEnabled());
    EXPECT_FALSE(wizard.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(wizard.windowFlags().testFlag(Qt::WindowSystemMenuHint));

    button(wizard, "NextButton")->click();
    QTest::keyClick(&wizard, Qt::Key_Escape);
    QTest::keyClick(child<QComboBox>(wizard, "LanguageComboBox"), Qt::Key_Escape);
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_EQ(wizard.result(), 0);
    EXPECT_EQ(wizard.currentPage(), 1);
    button(wizard, "CancelButton")->click();
    EXPECT_TRUE(wizard.isVisible()) << "a disabled button does nothing";
}

TEST_F(FirstRunWizardFormTest, HeaderShowsTheWizardPicture)
{
    TFirstRunWizardForm wizard;
    const QLabel* image = child<QLabel>(wizard, "HeaderImage");
    EXPECT_FALSE(image->pixmap().isNull()) << "the SVG resource or the SVG image plugin is missing";
}

// ---------------------------------------------------------------------------
// Tip of the day

class TipOfTheDayFormTest : public ::testing::Test
{
protected:
    void SetUp() override { MainConfig()->SetShowTipOnStartup(true); }

    // Writes the English tip file: one tip per entry, with its help number
    // (-1: none).
    void writeTips(const QList<QPair<QString, int>>& tips)
    {
        QByteArray xml = "<?xml version=\"1.0\"?>\n<TipList>";
        for (const auto& [text, helpID] : tips) {
            xml += "<Tip";
            if (helpID >= 0)
                xml += " HelpID=\"" + QByteArray::number(helpID) + "\"";
            xml += "><Content>" + text.toHtmlEscaped().toUtf8() + "</Content></Tip>";
        }
        xml += "</TipList>";
        QFile file(MainConfig()->dataFilePath(TTips::TipFileName(QStringLiteral("English"))));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(xml), xml.size());
    }

    static QString tip(TTipOfTheDayForm& form) { return form.tipText(); }
    static bool readMoreShown(TTipOfTheDayForm& form)
    {
        return child<QLabel>(form, "ReadMoreLabel")->isVisibleTo(&form);
    }

    DialogEnvironment env;
};

TEST_F(TipOfTheDayFormTest, NextAndPreviousStepThroughTheFile)
{
    writeTips({{QStringLiteral("zero"), -1}, {QStringLiteral("one"), -1}, {QStringLiteral("two"), -1}});
    TTipOfTheDayForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tip of the day"));
    EXPECT_EQ(labelText(form, "Label1"), QStringLiteral("Did you know..?"));
    EXPECT_EQ(tip(form), QStringLiteral("one")) << "the first tip ever shown is the second";
    button(form, "NextTipButton")->click();
    EXPECT_EQ(tip(form), QStringLiteral("two"));
    button(form, "NextTipButton")->click();
    EXPECT_EQ(tip(form), QStringLiteral("zero"));
    button(form, "PreviousTipButton")->click();
    EXPECT_EQ(tip(form), QStringLiteral("two"));
    EXPECT_TRUE(child<QTextEdit>(form, "TipRichEdit")->isReadOnly());

    // The next window goes on after the last tip shown.
    TTipOfTheDayForm next;
    EXPECT_EQ(tip(next), QStringLiteral("zero"));
}

TEST_F(TipOfTheDayFormTest, ReadMoreFollowsTheTipsHelpNumber)
{
    writeTips({{QStringLiteral("zero"), -1},
               {QStringLiteral("one"), 12},
               {QStringLiteral("two"), -1},
               {QStringLiteral("three"), 0}});
    TTipOfTheDayForm form;
    EXPECT_TRUE(readMoreShown(form));
    EXPECT_EQ(form.readMoreHelpID(), 12);
    EXPECT_EQ(labelText(form, "ReadMoreLabel"), QStringLiteral("Read more about this topic..."));
    EXPECT_EQ(child<QLabel>(form, "ReadMoreLabel")->toolTip(),
              QStringLiteral("Click here to read more in the help file"));
    button(form, "NextTipButton")->click();
    EXPECT_FALSE(readMoreShown(form));
    button(form, "NextTipButton")->click();
    EXPECT_TRUE(readMoreShown(form)) << "help number 0 is a topic";
    EXPECT_EQ(form.readMoreHelpID(), 0);
}

TEST_F(TipOfTheDayFormTest, EmptyTipFileSaysSoWithoutReadMore)
{
    writeTips({});
    TTipOfTheDayForm form;
    EXPECT_EQ(tip(form), QStringLiteral("Tip file not found."));
    EXPECT_FALSE(readMoreShown(form));
    button(form, "NextTipButton")->click();
    EXPECT_EQ(tip(form), QStringLiteral("Tip file not found."));
    EXPECT_FALSE(readMoreShown(form));
}

TEST_F(TipOfTheDayFormTest, EmptySwedishTipFileSaysSoInSwedish)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    QFile file(MainConfig()->dataFilePath(TTips::TipFileName(QStringLiteral("Svenska"))));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<?xml version=\"1.0\"?>\n<TipList/>");
    file.close();
    TTipOfTheDayForm form;
    EXPECT_EQ(tip(form), QStringLiteral("Tipsfilen hittades inte."));
    EXPECT_EQ(dialogtest::englishTextsLeft(&form, QStringLiteral("TipOfTheDayForm")), QStringList());
}

TEST_F(TipOfTheDayFormTest, RichTextIsFormattedAndPlainTextShownAsItIs)
{
    const QString rich = QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Press \\b F5\\b0  to "
                                        "refresh.\\par Caf\\'e9}");
    const QString plain = QStringLiteral("Plain <b>not bold</b> {\\b kept}");
    writeTips({{QStringLiteral("first"), -1}, {rich, -1}, {plain, -1}});
    TTipOfTheDayForm form;
    EXPECT_EQ(tip(form), QStringLiteral("Press F5 to refresh.\nCafé"));
    QTextDocument* document = child<QTextEdit>(form, "TipRichEdit")->document();
    QTextCursor cursor(document);
    cursor.setPosition(QStringLiteral("Press F").size());
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
    cursor.setPosition(QStringLiteral("Press F5 t").size());
    EXPECT_NE(cursor.charFormat().fontWeight(), QFont::Bold);

    button(form, "NextTipButton")->click();
    EXPECT_EQ(tip(form), plain) << "neither HTML nor RTF without the header";
}

TEST_F(TipOfTheDayFormTest, EscapeStoresAClearedShowOnStartup)
{
    writeTips({{QStringLiteral("zero"), -1}, {QStringLiteral("one"), -1}});
    TTipOfTheDayForm form;
    form.show();
    auto* box = child<QCheckBox>(form, "ShowOnStartupCheckBox");
    EXPECT_TRUE(box->isChecked());
    box->click();
    // Escape in the tip text is the window's, not the text box's.
    QTest::keyClick(child<QTextEdit>(form, "TipRichEdit"), Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(MainConfig()->ShowTipOnStartup());
}

TEST_F(TipOfTheDayFormTest, OKAndTheCloseBoxStoreTheCheckBox)
{
    writeTips({{QStringLiteral("zero"), -1}, {QStringLiteral("one"), -1}});
    {
        TTipOfTheDayForm form;
        form.show();
        child<QCheckBox>(form, "ShowOnStartupCheckBox")->click();
        form.close();
        EXPECT_FALSE(MainConfig()->ShowTipOnStartup());
    }
    TTipOfTheDayForm form;
    form.show();
    auto* box = child<QCheckBox>(form, "ShowOnStartupCheckBox");
    EXPECT_FALSE(box->isChecked()) << "the box shows the setting";
    box->click();
    button(form, "OKButton")->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(MainConfig()->ShowTipOnStartup());
}

// ---------------------------------------------------------------------------
// Rich text of tips

struct RtfCase
{
    const char* name;
    const char* rtf;
    const char* text;
};

class RtfTextTest : public ::testing::TestWithParam<RtfCase>
{};

TEST_P(RtfTextTest, ReadsTheText)
{
    const RtfCase& row = GetParam();
    const QString rtf = QString::fromUtf8(row.rtf);
    EXPECT_TRUE(rtftext::isRichText(rtf));
    EXPECT_EQ(rtftext::toPlainText(rtf), QString::fromUtf8(row.text)) << row.rtf;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RtfTextTest,
    ::testing::Values(RtfCase{"Paragraphs", "{\\rtf1 one\\par two\\line three\\par\\par}", "one\ntwo\nthree"},
                      RtfCase{"TablesAndInfoDropped",
                              "{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red0\\green0\\blue0;}"
                              "{\\info{\\title T}}{\\*\\generator W;}text}",
                              "text"},
                      RtfCase{"UnknownStarDestinationDropped", "{\\rtf1 a{\\*\\unknownthing hidden}b}", "ab"},
                      RtfCase{"Windows1252Bytes", "{\\rtf1 \\'e5\\'e4\\'f6 \\'80}", "åäö €"},
                      RtfCase{"UnicodeWithFallback", "{\\rtf1 \\u8364?5 \\uc2\\u8220\\'93\\'93x}", "€5 “x"},
                      RtfCase{"NegativeUnicode", "{\\rtf1 \\u-3913?}", "\xEF\x82\xB7"},
                      RtfCase{"EscapedSymbols", "{\\rtf1 \\{a\\}\\\\b\\~c\\tab d}",
                              "{a}\\b\xC2\xA0"
                              "c\td"},
                      RtfCase{"ControlWordSpaceBelongsToIt", "{\\rtf1\\b bold\\b0  plain}", "bold plain"},
                      RtfCase{"UnclosedGroupsAndTrailingBackslash", "{\\rtf1 {{text\\", "text"},
                      RtfCase{"HugeParameterIsHarmless", "{\\rtf1 \\fs99999999999999999999 x}", "x"}),
    [](const ::testing::TestParamInfo<RtfCase>& info) { return std::string(info.param.name); });

TEST(RtfTextHeaderTest, OnlyTheHeaderMakesRichText)
{
    EXPECT_TRUE(rtftext::isRichText(QStringLiteral("{\\rtf1 x}")));
    EXPECT_FALSE(rtftext::isRichText(QStringLiteral(" {\\rtf1 x}")));
    EXPECT_FALSE(rtftext::isRichText(QStringLiteral("{\\b x}")));
    EXPECT_FALSE(rtftext::isRichText(QString()));
}

// ---------------------------------------------------------------------------
// Splash and About

class SplashFormTest : public ::testing::Test
{
protected:
    void SetUp() override { m_version = QCoreApplication::applicationVersion(); }
    void TearDown() override { QCoreApplication::setApplicationVersion(m_version); }

    DialogEnvironment env;
    QString m_version;
};

TEST_F(SplashFormTest, VersionLabelShowsTheVersionOrNA)
{
    QCoreApplication::setApplicationVersion(QString());
    {
        QPointer<TSplashForm> splash = new TSplashForm;
        EXPECT_EQ(labelText(*splash, "VersionLabel"), QStringLiteral("Version: N/A"));
        delete splash;
    }
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2.3"));
    QPointer<TSplashForm> splash = new TSplashForm;
    EXPECT_EQ(labelText(*splash, "VersionLabel"), QStringLiteral("Version: 1.2.3"));
    delete splash;
}

TEST_F(SplashFormTest, StartupSplashIsFramelessOnTopWithoutButtonAndFreesItself)
{
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2.3"));
    QPointer<TSplashForm> splash = TSplashForm::showAtStartup();
    ASSERT_FALSE(splash.isNull());
    EXPECT_TRUE(splash->isVisible());
    EXPECT_FALSE(splash->aboutMode());
    EXPECT_EQ(splash->size(), QSize(480, 200));
    EXPECT_TRUE(splash->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(child<QPushButton>(*splash, "CloseButton")->isVisibleTo(splash));
    const QLabel* image = child<QLabel>(*splash, "SplashImage");
    EXPECT_FALSE(image->pixmap().isNull()) << "the SVG resource or the SVG image plugin is missing";
    EXPECT_EQ(image->geometry(), QRect(0, 0, 480, 200));
    const QLabel* version = child<QLabel>(*splash, "VersionLabel");
    EXPECT_TRUE(QRect(0, 0, 480, 200).contains(version->geometry()));
    EXPECT_GT(version->geometry().center().x(), 240) << "near the bottom right";
    EXPECT_GT(version->geometry().center().y(), 100);

    splash->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
}

TEST_F(SplashFormTest, AboutIsModalWithACloseButtonInTheLanguageNow)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    QCoreApplication::setApplicationVersion(QString());
    QWidget owner;
    owner.show();
    bool seen = false;
    QTimer::singleShot(0, [&seen] {
        TSplashForm* about = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* splash = qobject_cast<TSplashForm*>(widget); splash && splash->isVisible())
                about = splash;
        ASSERT_NE(about, nullptr);
        seen = true;
        EXPECT_TRUE(about->aboutMode());
        EXPECT_TRUE(about->isModal());
        QPushButton* close = child<QPushButton>(*about, "CloseButton");
        EXPECT_TRUE(close->isVisible());
        EXPECT_EQ(close->text(), QStringLiteral("&Stäng"));
        EXPECT_EQ(labelText(*about, "VersionLabel"), QStringLiteral("Version: saknas"));
        // The version and the button do not cover each other.
        EXPECT_FALSE(child<QLabel>(*about, "VersionLabel")->geometry().intersects(close->geometry()));
        close->click();
    });
    TSplashForm::showAbout(&owner);
    EXPECT_TRUE(seen);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(owner.findChildren<TSplashForm*>().isEmpty()) << "the About box frees itself";
}

TEST(ArtworkTest, PicturesLoadAtTheRequestedSize)
{
    const QPixmap splash = artwork::pixmap(artwork::kSplash, QSize(480, 200), 1.0);
    ASSERT_FALSE(splash.isNull());
    EXPECT_EQ(splash.size(), QSize(480, 200));
    const QPixmap header = artwork::pixmap(artwork::kWizardHeader, QSize(64, 64), 2.0);
    ASSERT_FALSE(header.isNull());
    EXPECT_EQ(header.size(), QSize(128, 128)) << "drawn for the screen's scale";
    EXPECT_EQ(header.deviceIndependentSize(), QSizeF(64, 64));
    EXPECT_TRUE(artwork::pixmap(":/ui/artwork/none.svg", QSize(8, 8), 1.0).isNull());
}

} // namespace
