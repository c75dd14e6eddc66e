#pragma once

// What the dialog tests share: a fresh data folder with settings, message texts
// and the quick-connect list, and the check that a window in Swedish shows no
// English text of its table.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QStringList>
#include <QTabWidget>
#include <QWidget>

#include "core/TQuickHosts.h"
#include "core/TTranslationTable.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"
#include "unit/queue/QueueTestSupport.h"

namespace dialogtest {

class DialogEnvironment : public queuetest::QueueEnvironment
{
public:
    DialogEnvironment() { TQuickHosts::createGlobal(); }
    ~DialogEnvironment()
    {
        TQuickHosts::destroyGlobal();
        TMessageDialog::setAnswerer(nullptr);
        SetFolderChooser(nullptr);
    }
    DialogEnvironment(const DialogEnvironment&) = delete;
    DialogEnvironment& operator=(const DialogEnvironment&) = delete;
};

// The child of that objectName (a failure when there is none).
template <class T>
T* child(QWidget& root, const char* name)
{
    T* widget = root.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// Every text a user sees or hears on `root` and below it.
inline QStringList visibleTexts(QWidget* root)
{
    QStringList texts;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets << root;
    for (QWidget* widget : widgets) {
        texts << widget->windowTitle() << widget->toolTip() << widget->accessibleName();
        if (auto* label = qobject_cast<QLabel*>(widget))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            texts << button->text();
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        if (auto* tabs = qobject_cast<QTabWidget*>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
    }
    for (QAction* action : root->findChildren<QAction*>())
        texts << action->text() << action->toolTip();
    texts.removeAll(QString());
    return texts;
}

// The English texts of `windowName`'s table that `root` still shows although
// the Swedish column differs. A format ("Size: %s") counts by its text before
// the first "%".
inline QStringList englishTextsLeft(QWidget* root, const QString& windowName)
{
    TTranslationTable table;
    EXPECT_TRUE(table.loadWindowTable(windowName));
    QStringList english;
    for (const TTranslationSection section :
         {TTranslationSection::stCaptions, TTranslationSection::stHints, TTranslationSection::stStrings,
          TTranslationSection::stMultiLines, TTranslationSection::stDlgsCaptions}) {
        for (const QString& key : table.keys(section)) {
            const QString en = table.field(section, key, QStringLiteral("English"));
            const QString sv = table.field(section, key, QStringLiteral("Svenska"));
            EXPECT_FALSE(sv.isEmpty()) << windowName.toStdString() << ": " << key.toStdString();
            const QStringList svLines = sv.split(u'\n');
            for (const QString& line : en.split(u'\n'))
                if (!svLines.contains(line) && line != sv)
                    english << TFormLanguage::withoutMnemonic(line);
        }
    }
    QStringList left;
    for (const QString& shown : visibleTexts(root)) {
        const QString text = TFormLanguage::withoutMnemonic(shown);
        for (const QString& en : english) {
            const qsizetype format = en.indexOf(u'%');
            const QString prefix = format < 0 ? en : en.left(format).trimmed();
            if (format < 0 ? text == en : (prefix.size() >= 3 && text.startsWith(prefix)))
                left << text;
        }
    }
    left.removeDuplicates();
    return left;
}

} // namespace dialogtest
