// What a screen reader and a Swedish user meet in the whole main window: a name
// for every control that takes the focus, and no English text left in Swedish.
#include <memory>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSet>
#include <QTabBar>
#include <QTest>

#include "core/TFilters.h"
#include "core/TTranslationTable.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/MainFormUnit.h"
#include "unit/queue/QueueTestSupport.h"

namespace {

QString describe(const QWidget* widget)
{
    QStringList chain;
    for (const QObject* o = widget; o; o = o->parent())
        chain.prepend(o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className())
                                                : o->objectName());
    return chain.join(u'/');
}

class MainWindowTextsTest : public ::testing::Test
{
protected:
    MainWindowTextsTest()
    {
        TFilters::createGlobal();
        TMessageDialog::setAnswerer([](TMessageRequest& request) { request.Result = QMessageBox::Yes; });
    }
    ~MainWindowTextsTest() override
    {
        m_window.reset();
        TMessageDialog::setAnswerer(nullptr);
        TFilters::destroyGlobal();
    }
    TMainForm& window()
    {
        if (!m_window) {
            TMainForm::TServices services;
            services.openUrl = [](const QUrl&) { return true; };
            services.fatal = [](const QString&) {};
            m_window = std::make_unique<TMainForm>(services);
            m_window->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        }
        return *m_window;
    }

    // Every text the window shows or tells the accessibility interface.
    QStringList shownTexts()
    {
        QStringList texts;
        const auto add = [&](const QString& text) {
            const QString plain = TFormLanguage::withoutMnemonic(text).trimmed();
            if (!plain.isEmpty())
                texts.append(plain);
        };
        for (QAction* action : window().findChildren<QAction*>()) {
            add(action->text());
            add(action->toolTip());
            add(action->statusTip());
        }
        for (QMenu* menu : window().findChildren<QMenu*>())
            add(menu->title());
        for (QWidget* widget : window().findChildren<QWidget*>()) {
            add(widget->accessibleName());
            add(widget->accessibleDescription());
            add(widget->toolTip());
            if (auto* button = qobject_cast<QAbstractButton*>(widget))
                add(button->text());
            if (auto* label = qobject_cast<QLabel*>(widget))
                add(label->text());
            if (auto* tabs = qobject_cast<QTabBar*>(widget))
                for (int i = 0; i < tabs->count(); ++i)
                    add(tabs->tabText(i));
            if (auto* view = qobject_cast<QAbstractItemView*>(widget); view && view->model())
                for (int c = 0; c < view->model()->columnCount(); ++c)
                    add(view->model()->headerData(c, Qt::Horizontal).toString());
        }
        return texts;
    }

    queuetest::QueueEnvironment m_env;
    std::unique_ptr<TMainForm> m_window;
};

} // namespace

TEST_F(MainWindowTextsTest, EveryControlThatTakesTheFocusHasAnAccessibleName)
{
    QStringList unnamed;
    for (QWidget* widget : window().findChildren<QWidget*>()) {
        if (widget->focusPolicy() == Qt::NoFocus || qobject_cast<QScrollBar*>(widget))
            continue;
        // A view's viewport and header belong to the view, a combo box's edit to the box.
        if (qobject_cast<QHeaderView*>(widget) ||
            (widget->parentWidget() &&
             qobject_cast<QAbstractItemView*>(widget->parentWidget()->parentWidget())))
            continue;
        if (qobject_cast<QLineEdit*>(widget) && qobject_cast<QComboBox*>(widget->parentWidget()))
            continue;
        if (widget->parentWidget() && widget->parentWidget()->inherits("QComboBoxPrivateContainer"))
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            unnamed.append(describe(widget));
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join("\n").toStdString();
}

TEST_F(MainWindowTextsTest, InSwedishNoEnglishTextOfTheTableIsShownAnywhere)
{
    MainConfig()->SetLanguage(QStringLiteral("Svenska"));
    window().ApplyLanguage();
    // The English texts that have a Swedish text of their own.
    const TTranslationTable& table = window().language().table();
    QSet<QString> english;
    QSet<QString> swedish;
    for (int s = 0; s <= int(TTranslationSection::stCharSets); ++s) {
        const auto section = static_cast<TTranslationSection>(s);
        for (const QString& key : table.keys(section)) {
            const QString en = TFormLanguage::withoutMnemonic(table.field(section, key, "English")).trimmed();
            const QString sv = TFormLanguage::withoutMnemonic(table.field(section, key, "Svenska")).trimmed();
            swedish.insert(sv);
            if (!en.isEmpty() && !sv.isEmpty() && en != sv)
                english.insert(en);
        }
    }
    QStringList left;
    for (const QString& text : shownTexts())
        if (english.contains(text) && !swedish.contains(text))
            left.append(text);
    left.removeDuplicates();
    EXPECT_TRUE(left.isEmpty()) << left.join("\n").toStdString();
}
