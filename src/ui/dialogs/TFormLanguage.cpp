#include "ui/dialogs/TFormLanguage.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QWidget>

#include "core/TMainConfig.h"

namespace {

const char* const kKeepAccessibleName = "vantorKeepAccessibleName";

// The tab widget that shows `page` as one of its pages, if any.
QTabWidget* tabWidgetOf(QWidget* page, int* index)
{
    QWidget* stack = page->parentWidget();
    if (!stack || !qobject_cast<QStackedWidget*>(stack))
        return nullptr;
    auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
    if (!tabs)
        return nullptr;
    *index = tabs->indexOf(page);
    return *index >= 0 ? tabs : nullptr;
}

void nameForScreenReaders(QWidget* widget, const QString& caption)
{
    if (!widget || widget->property(kKeepAccessibleName).toBool() || caption.isEmpty())
        return;
    widget->setAccessibleName(TFormLanguage::withoutMnemonic(caption));
}

} // namespace

TFormLanguage::TFormLanguage(const QString& windowName)
{
    const TTranslationTable::LoadResult loaded = m_table.loadWindowTable(windowName);
    m_loaded = loaded.ok;
    m_loadError = loaded.error;
    setLanguage(MainConfig() ? MainConfig()->Language() : QStringLiteral("English"));
}

bool TFormLanguage::setLanguage(const QString& name)
{
    return m_table.SetLanguage(name);
}

QString TFormLanguage::text(const QString& key) const
{
    return m_table.GetText(key);
}

QString TFormLanguage::caption(const QString& component, const QString& fallback) const
{
    return m_table.property(TTranslationSection::stCaptions, component).value_or(fallback);
}

QString TFormLanguage::hint(const QString& component, const QString& fallback) const
{
    return m_table.property(TTranslationSection::stHints, component).value_or(fallback);
}

QString TFormLanguage::collection(const QString& key, const QString& fallback) const
{
    return m_table.property(TTranslationSection::stCollections, key).value_or(fallback);
}

QString TFormLanguage::dialogCaption(const QString& name, const QString& fallback) const
{
    return m_table.property(TTranslationSection::stDlgsCaptions, name).value_or(fallback);
}

QString TFormLanguage::withoutMnemonic(const QString& caption)
{
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) != u'&') {
            plain += caption.at(i);
            continue;
        }
        if (i + 1 < caption.size() && caption.at(i + 1) == u'&') {
            plain += u'&';
            ++i;
        }
    }
    return plain;
}

void TFormLanguage::keepAccessibleName(QWidget* widget)
{
    widget->setProperty(kKeepAccessibleName, true);
}

void TFormLanguage::apply(QAction* action) const
{
    applyTo(action, nullptr);
}

void TFormLanguage::apply(QWidget* root) const
{
    if (!root)
        return;
    applyTo(root, root);
    const QList<QObject*> all = root->findChildren<QObject*>();
    for (QObject* object : all)
        applyTo(object, root);
    // Edits and combo boxes are announced by the label that names them.
    for (QLabel* label : root->findChildren<QLabel*>()) {
        QWidget* buddy = label->buddy();
        if (!buddy)
            continue;
        QString name = withoutMnemonic(label->text()).trimmed();
        if (name.endsWith(u':'))
            name.chop(1);
        nameForScreenReaders(buddy, name);
    }
}

void TFormLanguage::applyTo(QObject* object, QWidget* root) const
{
    const QString name = object->objectName();
    if (name.isEmpty())
        return;
    const std::optional<QString> caption = m_table.property(TTranslationSection::stCaptions, name);
    const std::optional<QString> hint = m_table.property(TTranslationSection::stHints, name);

    if (auto* action = qobject_cast<QAction*>(object)) {
        if (caption)
            action->setText(*caption);
        if (hint) {
            action->setToolTip(*hint);
            action->setStatusTip(*hint);
        }
        return;
    }
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return;
    if (caption) {
        int tab = -1;
        if (widget == root && widget->isWindow())
            widget->setWindowTitle(*caption);
        else if (auto* menu = qobject_cast<QMenu*>(widget))
            menu->setTitle(*caption);
        else if (auto* toolbar = qobject_cast<QToolBar*>(widget))
            toolbar->setWindowTitle(*caption);
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setText(*caption);
        else if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText(*caption);
        else if (auto* group = qobject_cast<QGroupBox*>(widget))
            group->setTitle(*caption);
        else if (QTabWidget* tabs = tabWidgetOf(widget, &tab))
            tabs->setTabText(tab, *caption);
        else if (widget->isWindow())
            widget->setWindowTitle(*caption);
        if (!qobject_cast<QLabel*>(widget))
            nameForScreenReaders(widget, *caption);
    }
    if (hint)
        widget->setToolTip(*hint);
}
