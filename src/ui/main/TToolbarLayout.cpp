#include "ui/main/TToolbarLayout.h"

#include <algorithm>
#include <utility>

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include "core/AppRegistry.h"
#include "platform/TRegistryStore.h"

namespace {

const QString kOptions = QStringLiteral("\\Options");
const QString kButtons = QStringLiteral("\\Buttons");
const QString kShowCaptions = QStringLiteral("Show Captions");
const QString kImageStyle = QStringLiteral("Image Style");
const QString kSeparator = QStringLiteral("Separator");
const QString kButtonPrefix = QStringLiteral("Button");

// The number of a "ButtonNN" value name; -1 for any other name.
int buttonNumber(const QString& valueName)
{
    if (!valueName.startsWith(kButtonPrefix) || valueName.size() == kButtonPrefix.size())
        return -1;
    bool ok = false;
    const QStringView digits = QStringView(valueName).mid(kButtonPrefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); }))
        return -1;
    const int number = digits.toInt(&ok);
    return ok ? number : -1;
}

int choice(qint64 stored)
{
    return stored == 1 ? 1 : 0;
}

// The toolbar enables a widget item's button as the item is enabled, whatever
// the button's own action says; the item follows that action instead.
void followEnabledState(QAction* source, QAction* item)
{
    if (!item || source == item)
        return;
    item->setEnabled(source->isEnabled());
    QObject::connect(source, &QAction::enabledChanged, item, &QAction::setEnabled, Qt::UniqueConnection);
}

} // namespace

int TToolbarLayout::iconExtent(int iconSize)
{
    return iconSize == 1 ? kSmallIconSize : kLargeIconSize;
}

QString TToolbarLayout::layoutKey(const QToolBar* toolbar)
{
    return kAppRegistryKey + QLatin1Char('\\') + toolbar->objectName();
}

void TToolbarLayout::prepare(QToolBar* toolbar)
{
    const QList<QAction*> actions = toolbar->actions();
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        QToolButton* tool = nullptr;
        if (auto* widgetAction = qobject_cast<QWidgetAction*>(action)) {
            tool = qobject_cast<QToolButton*>(widgetAction->defaultWidget());
        } else {
            auto* old = qobject_cast<QToolButton*>(toolbar->widgetForAction(action));
            tool = new QToolButton(toolbar);
            tool->setAutoRaise(true);
            tool->setFocusPolicy(Qt::NoFocus);
            tool->setDefaultAction(action);
            tool->setToolButtonStyle(toolbar->toolButtonStyle());
            tool->setIconSize(toolbar->iconSize());
            if (old) {
                tool->setObjectName(old->objectName());
                tool->setPopupMode(old->popupMode());
                // The toolbar deletes its own button later; till then it must not pass for the item.
                old->setObjectName(QString());
            }
            QAction* item = toolbar->insertWidget(action, tool);
            toolbar->removeAction(action);
            followEnabledState(action, item);
        }
        if (tool && tool->defaultAction())
            followEnabledState(tool->defaultAction(), action);
        if (tool) {
            QObject::connect(toolbar, &QToolBar::iconSizeChanged, tool, &QToolButton::setIconSize,
                             Qt::UniqueConnection);
            QObject::connect(toolbar, &QToolBar::toolButtonStyleChanged, tool,
                             &QToolButton::setToolButtonStyle, Qt::UniqueConnection);
        }
    }
}

QToolButton* TToolbarLayout::button(QAction* item)
{
    auto* widgetAction = qobject_cast<QWidgetAction*>(item);
    return widgetAction ? qobject_cast<QToolButton*>(widgetAction->defaultWidget()) : nullptr;
}

TToolbarLayout::TItemKind TToolbarLayout::kind(QAction* item)
{
    if (item->isSeparator())
        return TItemKind::Separator;
    QToolButton* tool = button(item);
    if (!tool)
        return TItemKind::Other;
    if (tool->menu() || (tool->defaultAction() && tool->defaultAction()->menu()))
        return TItemKind::DropDown;
    if (tool->isCheckable())
        return TItemKind::Toggle;
    return TItemKind::Button;
}

QString TToolbarLayout::componentName(QAction* item)
{
    if (item->isSeparator())
        return item->objectName();
    if (auto* widgetAction = qobject_cast<QWidgetAction*>(item))
        if (QWidget* widget = widgetAction->defaultWidget())
            return widget->objectName();
    return item->objectName();
}

QString TToolbarLayout::caption(QAction* item)
{
    if (QToolButton* tool = button(item))
        return tool->text();
    return item->iconText();
}

QIcon TToolbarLayout::icon(QAction* item)
{
    if (QToolButton* tool = button(item))
        return tool->icon();
    return item->icon();
}

QList<QAction*> TToolbarLayout::buttonItems(const QToolBar* toolbar)
{
    QList<QAction*> items;
    for (QAction* action : toolbar->actions())
        if (!action->isSeparator())
            items.append(action);
    return items;
}

bool TToolbarLayout::isShown(const QAction* item)
{
    return item->isVisible();
}

QStringList TToolbarLayout::shownNames(QToolBar* toolbar)
{
    prepare(toolbar);
    QStringList names;
    for (QAction* item : toolbar->actions())
        if (isShown(item))
            names.append(item->isSeparator() ? kSeparator : componentName(item));
    return names;
}

void TToolbarLayout::readOptions(const platform::TRegistryStore& registry, const QString& key,
                                 int* captionMode, int* iconSize)
{
    *captionMode = choice(registry.readInteger(key + kOptions, kShowCaptions, 0));
    *iconSize = choice(registry.readInteger(key + kOptions, kImageStyle, 0));
}

void TToolbarLayout::LoadToolbarLayout(platform::TRegistryStore& registry, QToolBar* toolbar,
                                       const QString& key)
{
    prepare(toolbar);
    int captionMode = 0;
    int iconSize = 0;
    QStringList names;
    const bool first = !registry.keyExists(key + kOptions);
    if (first) {
        SaveToolbarLayout(registry, toolbar, key, 0, 0);
        // What was just written, even where the store refused it: a store that
        // cannot be written must not leave the toolbar empty.
        names = shownNames(toolbar);
    }
    readOptions(registry, key, &captionMode, &iconSize);
    if (!first && registry.keyExists(key + kButtons)) {
        QList<std::pair<int, QString>> values;
        for (const QString& name : registry.valueNames(key + kButtons))
            if (const int number = buttonNumber(name); number >= 0)
                values.append({number, registry.readString(key + kButtons, name)});
        std::stable_sort(values.begin(), values.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& value : std::as_const(values))
            names.append(value.second);
    }
    ApplyToolbarLayout(toolbar, names, captionMode, iconSize);
}

void TToolbarLayout::ApplyToolbarLayout(QToolBar* toolbar, const QStringList& names, int captionMode,
                                        int iconSize)
{
    prepare(toolbar);
    const int extent = iconExtent(iconSize);
    toolbar->setIconSize(QSize(extent, extent));
    toolbar->setUpdatesEnabled(false);

    for (QAction* action : toolbar->actions()) {
        if (action->isSeparator()) {
            toolbar->removeAction(action);
            if (action->parent() == toolbar)
                delete action;
        } else {
            action->setVisible(false);
        }
    }

    const Qt::ToolButtonStyle style = captionMode == 0 ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly;
    toolbar->setToolButtonStyle(style);
    const int width = captionMode == 0 ? extent + 20 : 0;
    for (QAction* action : toolbar->actions()) {
        QToolButton* tool = button(action);
        if (!tool)
            continue;
        int minimum = width;
        if (kind(action) == TItemKind::DropDown)
            minimum += tool->popupMode() == QToolButton::MenuButtonPopup ? 20 : 5;
        // Never narrower than the caption needs: a toolbar short of room moves
        // whole buttons behind its extension arrow instead of cutting captions.
        if (captionMode == 0)
            minimum = std::max(minimum, tool->sizeHint().width());
        tool->setMinimumWidth(minimum);
    }

    for (int p = 0; p < names.size(); ++p) {
        const QList<QAction*> actions = toolbar->actions();
        QAction* found = nullptr;
        for (int i = int(actions.size()) - 1; i >= 0 && !found; --i)
            if (!actions[i]->isSeparator() && !names[p].isEmpty() && componentName(actions[i]) == names[p])
                found = actions[i];
        if (!found) {
            auto* separator = new QAction(toolbar);
            separator->setSeparator(true);
            separator->setObjectName(QStringLiteral("ToolbarSep2K") + QString::number(p));
            toolbar->insertAction(p < actions.size() ? actions[p] : nullptr, separator);
            continue;
        }
        QList<QAction*> others = actions;
        others.removeOne(found);
        if (actions.indexOf(found) != p)
            toolbar->insertAction(p < others.size() ? others[p] : nullptr, found);
        found->setVisible(true);
        if (QToolButton* tool = button(found))
            tool->setToolButtonStyle(style);
    }
    toolbar->setUpdatesEnabled(true);
}

void TToolbarLayout::SaveToolbarLayout(platform::TRegistryStore& registry, QToolBar* toolbar,
                                       const QString& key, int captionMode, int iconSize)
{
    registry.writeInteger(key + kOptions, kShowCaptions, captionMode);
    registry.writeInteger(key + kOptions, kImageStyle, iconSize);
    registry.deleteKey(key + kButtons);
    const QList<QAction*> actions = toolbar->actions();
    for (int i = 0; i < actions.size(); ++i) {
        QAction* item = actions[i];
        if (!isShown(item))
            continue;
        QString value;
        if (item->isSeparator())
            value = kSeparator;
        else
            value = componentName(item);
        if (value.isEmpty())
            continue;
        registry.writeString(key + kButtons, kButtonPrefix + QString::asprintf("%.2d", i), value);
    }
}
