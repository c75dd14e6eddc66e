#include "ui/main/TMainToolbars.h"

#include <QAction>
#include <QBoxLayout>
#include <QChildEvent>
#include <QContextMenuEvent>
#include <QMainWindow>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolBar>

#include "core/AppRegistry.h"
#include "core/TMainConfig.h"
#include "ui/main/CustomizeButtonsFormUnit.h"
#include "ui/main/TToolbarLayout.h"

namespace {

struct TToolbarEntry
{
    const char* name;
    const char* dock;
    const char* showAction; // nullptr: the menu bar, always there
};

constexpr TToolbarEntry kToolbars[] = {
    {"MainMenuToolbar", "MainDock", nullptr},
    {"MainToolbar", "MainDock", "ShowMainToolbarAction"},
    {"LocalToolbar", "LocalDock", "ShowLocalToolbarAction"},
    {"RemoteToolbar", "RemoteDock", "ShowRemoteToolbarAction"},
    {"QueueLogToolbar", "QueueLogDock", "ShowQueueLogToolbarAction"},
};

// The order the button layouts are loaded in at start-up.
constexpr const char* kLayoutOrder[] = {"RemoteToolbar", "LocalToolbar", "MainToolbar", "QueueLogToolbar"};

constexpr const char* kDockRowProperty = "vantorDockRow";
constexpr const char* kDockPosProperty = "vantorDockPos";

bool isDockName(const QString& name)
{
    for (const TToolbarEntry& entry : kToolbars)
        if (name == QLatin1String(entry.dock))
            return true;
    return false;
}

bool isCustomisable(const QString& name)
{
    for (const char* customisable : kLayoutOrder)
        if (name == QLatin1String(customisable))
            return true;
    return false;
}

// Puts `widget` first in its parent's box layout.
void moveToTop(QWidget* widget)
{
    if (!widget || !widget->parentWidget())
        return;
    auto* box = qobject_cast<QBoxLayout*>(widget->parentWidget()->layout());
    if (!box || box->indexOf(widget) <= 0)
        return;
    box->removeWidget(widget);
    box->insertWidget(0, widget);
}

} // namespace

TMainToolbars::TMainToolbars(QMainWindow& window, TActionLookup action)
    : QObject(&window)
    , m_window(window)
    , m_action(std::move(action))
{
    m_popup = new QMenu(&m_window);
    m_popup->setObjectName(QStringLiteral("CustomizeToolbarPopupMenu"));
    for (const TToolbarEntry& entry : kToolbars) {
        if (!entry.showAction)
            continue;
        QAction* show = m_action(QString::fromLatin1(entry.showAction));
        if (!show)
            continue;
        show->setCheckable(true);
        m_popup->addAction(show);
        connect(show, &QAction::toggled, this,
                [this, name = entry.name, dock = entry.dock](bool on) { showToolbar(name, dock, on); });
        if (auto* bar = qobject_cast<QToolBar*>(toolbar(QString::fromLatin1(entry.name)))) {
            bar->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(bar, &QWidget::customContextMenuRequested, this, [this, bar](const QPoint& position) {
                m_popupComponent = bar;
                m_popup->popup(bar->mapToGlobal(position));
            });
            // A disabled button takes no context menu event itself; its toolbar's menu opens still.
            bar->installEventFilter(this);
            for (QWidget* child : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                child->installEventFilter(this);
        }
    }
    m_popup->addSeparator();
    if (QAction* customize = m_action(QStringLiteral("CustomizeToolbarAction"))) {
        m_popup->addAction(customize);
        connect(customize, &QAction::triggered, this, &TMainToolbars::customize);
    }
}

TMainToolbars::~TMainToolbars() = default;

bool TMainToolbars::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ChildAdded && qobject_cast<QToolBar*>(watched)) {
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
            child->installEventFilter(this);
    } else if (event->type() == QEvent::ContextMenu) {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* bar = widget ? qobject_cast<QToolBar*>(widget->parentWidget()) : nullptr;
        if (bar && !widget->isEnabled()) {
            const auto* menu = static_cast<QContextMenuEvent*>(event);
            emit bar->customContextMenuRequested(bar->mapFromGlobal(menu->globalPos()));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

QWidget* TMainToolbars::toolbar(const QString& name) const
{
    return m_window.findChild<QWidget*>(name);
}

int TMainToolbars::dockRow(const QWidget* toolbar)
{
    const QVariant row = toolbar->property(kDockRowProperty);
    if (row.isValid())
        return row.toInt();
    return toolbar->objectName() == QLatin1String("MainToolbar") ? 1 : 0;
}

int TMainToolbars::dockPos(const QWidget* toolbar)
{
    return toolbar->property(kDockPosProperty).toInt();
}

void TMainToolbars::setDockPlace(QWidget* toolbar, int row, int pos)
{
    toolbar->setProperty(kDockRowProperty, row);
    toolbar->setProperty(kDockPosProperty, pos);
}

void TMainToolbars::RestoreToolbars()
{
    const auto registry = OpenAppRegistry();
    // 1. The registry's records.
    if (registry) {
        for (const TToolbarEntry& entry : kToolbars) {
            QWidget* bar = toolbar(QString::fromLatin1(entry.name));
            const QString key = kDockRecordsKey + QLatin1Char('\\') + QString::fromLatin1(entry.name);
            if (!bar || registry->readString(key, QStringLiteral("Rev")) != kRev)
                continue;
            const QString dockedTo = registry->readString(key, QStringLiteral("DockedTo"));
            // A record of a dock this window does not have is someone else's.
            if (!dockedTo.isEmpty() && dockedTo != QLatin1String("+") && !isDockName(dockedTo))
                continue;
            // The menu bar cannot be hidden by the user and nothing could show it again.
            if (entry.showAction)
                bar->setHidden(registry->readInteger(key, QStringLiteral("Visible"), 1) == 0);
            if (isDockName(dockedTo))
                setDockPlace(bar, int(registry->readInteger(key, QStringLiteral("DockRow"), dockRow(bar))),
                             int(registry->readInteger(key, QStringLiteral("DockPos"), dockPos(bar))));
        }
        // 2. The button layouts.
        for (const char* name : kLayoutOrder)
            if (auto* bar = qobject_cast<QToolBar*>(toolbar(QString::fromLatin1(name))))
                TToolbarLayout::LoadToolbarLayout(*registry, bar, TToolbarLayout::layoutKey(bar));
        registry->sync();
    } else {
        for (const char* name : kLayoutOrder)
            if (auto* bar = qobject_cast<QToolBar*>(toolbar(QString::fromLatin1(name))))
                TToolbarLayout::ApplyToolbarLayout(bar, TToolbarLayout::shownNames(bar), 0, 0);
    }
    TMainConfig* config = MainConfig();
    if (!config)
        return;
    // 3. The settings' places of the main toolbar and the menu bar.
    if (QWidget* bar = toolbar(QStringLiteral("MainToolbar")))
        setDockPlace(bar, config->MainToolbarDockRow(), config->MainToolbarDockPos());
    if (QWidget* bar = toolbar(QStringLiteral("MainMenuToolbar")))
        setDockPlace(bar, config->MainMenuToolbarDockRow(), config->MainMenuToolbarDockPos());
    // 4. and 5. The settings' visibility, and the check marks from it.
    const bool shown[] = {config->ShowMainToolbar(), config->ShowLocalToolbar(), config->ShowRemoteToolbar(),
                          config->ShowQueueLogToolbar()};
    for (int i = 0; i < 4; ++i) {
        const TToolbarEntry& entry = kToolbars[i + 1];
        if (QWidget* bar = toolbar(QString::fromLatin1(entry.name)))
            bar->setHidden(!shown[i]);
    }
    for (int i = 0; i < 4; ++i) {
        const TToolbarEntry& entry = kToolbars[i + 1];
        QWidget* bar = toolbar(QString::fromLatin1(entry.name));
        if (QAction* show = m_action(QString::fromLatin1(entry.showAction)); show && bar) {
            const QSignalBlocker blocker(show);
            show->setChecked(!bar->isHidden());
        }
    }
}

void TMainToolbars::SaveToolbars(TMainConfig& config)
{
    if (const auto registry = OpenAppRegistry()) {
        for (const TToolbarEntry& entry : kToolbars) {
            QWidget* bar = toolbar(QString::fromLatin1(entry.name));
            if (!bar)
                continue;
            const QString key = kDockRecordsKey + QLatin1Char('\\') + QString::fromLatin1(entry.name);
            const QString dock = QString::fromLatin1(entry.dock);
            const auto write = [&](const char* name, const QString& value) {
                registry->writeString(key, QString::fromLatin1(name), value);
            };
            write("Rev", kRev);
            write("Visible", bar->isHidden() ? QStringLiteral("0") : QStringLiteral("1"));
            write("DockedTo", dock);
            write("LastDock", dock);
            write("DockRow", QString::number(dockRow(bar)));
            write("DockPos", QString::number(dockPos(bar)));
            write("FloatLeft", QStringLiteral("0"));
            write("FloatTop", QStringLiteral("0"));
            write("FloatRightX", QStringLiteral("0"));
        }
        registry->sync();
    }
    if (QWidget* bar = toolbar(QStringLiteral("MainToolbar"))) {
        config.SetMainToolbarDockRow(dockRow(bar));
        config.SetMainToolbarDockPos(dockPos(bar));
    }
    if (QWidget* bar = toolbar(QStringLiteral("MainMenuToolbar"))) {
        config.SetMainMenuToolbarDockRow(dockRow(bar));
        config.SetMainMenuToolbarDockPos(dockPos(bar));
    }
    const auto checked = [this](const char* name) {
        QAction* show = m_action(QString::fromLatin1(name));
        return show && show->isChecked();
    };
    config.SetShowMainToolbar(checked("ShowMainToolbarAction"));
    config.SetShowLocalToolbar(checked("ShowLocalToolbarAction"));
    config.SetShowRemoteToolbar(checked("ShowRemoteToolbarAction"));
    config.SetShowQueueLogToolbar(checked("ShowQueueLogToolbarAction"));
}

void TMainToolbars::showToolbar(const char* name, const char* dock, bool on)
{
    QWidget* bar = toolbar(QString::fromLatin1(name));
    if (!bar)
        return;
    bar->setVisible(on);
    if (qstrcmp(name, "MainToolbar") == 0) {
        if (on)
            setDockPlace(bar, 1, dockPos(bar));
    } else if (QWidget* dockWidget = m_window.findChild<QWidget*>(QString::fromLatin1(dock))) {
        moveToTop(dockWidget);
    } else {
        // The queue's toolbar is its own dock at the top of the bottom panel.
        moveToTop(bar);
    }
}

void TMainToolbars::popUpFor(QToolBar* bar)
{
    m_popupComponent = bar;
    m_popup->popup(bar->mapToGlobal(QPoint(0, 0)));
}

void TMainToolbars::customize()
{
    auto* bar = qobject_cast<QToolBar*>(m_popupComponent.data());
    if (!bar || !isCustomisable(bar->objectName()))
        return;
    const QString key = TToolbarLayout::layoutKey(bar);
    if (const auto registry = OpenAppRegistry()) {
        TToolbarLayout::LoadToolbarLayout(*registry, bar, key);
        registry->sync();
    }
    TCustomizeButtonsForm form(bar, key, &m_window);
    if (m_runDialog)
        m_runDialog(form);
    else
        form.exec();
}
