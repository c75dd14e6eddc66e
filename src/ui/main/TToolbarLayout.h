#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

class QAction;
class QToolBar;
class QToolButton;

namespace platform {
class TRegistryStore;
}

// The button layout of a customisable toolbar: which items show, in which order,
// with or without text labels, with large or small icons; and its registry key
// ("Software\Vantor FTP\<toolbar name>" with the subkeys Options and Buttons).
//
// An item is one action of the toolbar (hidden ones included). Every item that is
// not a separator is a QToolButton placed through a QWidgetAction, so that hiding
// or moving it touches the toolbar alone, never the shared action it runs in the
// menus. prepare() turns plain actions of a toolbar into such items. The item's
// component name is the objectName of its button.
//
// User-interface thread only.
class TToolbarLayout final
{
public:
    TToolbarLayout() = delete;

    enum class TItemKind
    {
        Button,
        DropDown, // a button with a submenu, split into button and arrow or not
        Toggle,   // a check button (visibility toggle)
        Separator,
        Other, // an embedded control that is not a button
    };

    // Icon sizes of choice 0 (large) and 1 (small).
    static constexpr int kLargeIconSize = 24;
    static constexpr int kSmallIconSize = 16;
    static int iconExtent(int iconSize);

    static QString layoutKey(const QToolBar* toolbar);

    // Wraps every plain action of `toolbar` in a tool button of its own (keeping the
    // name, pop-up mode and the toolbar's style); idempotent.
    static void prepare(QToolBar* toolbar);

    static TItemKind kind(QAction* item);
    static QString componentName(QAction* item);
    static QString caption(QAction* item);
    static QIcon icon(QAction* item);
    static QToolButton* button(QAction* item);
    // The items of `toolbar` that are not separators.
    static QList<QAction*> buttonItems(const QToolBar* toolbar);
    static bool isShown(const QAction* item);
    // The names of the shown items in order ("Separator" for a separator), as
    // ApplyToolbarLayout takes them.
    static QStringList shownNames(QToolBar* toolbar);

    // Reads Options of `key` (0 where absent): caption mode and icon size.
    static void readOptions(const platform::TRegistryStore& registry, const QString& key, int* captionMode,
                            int* iconSize);

    // Reads the layout under `key` and applies it; a key without Options first
    // gets the toolbar's current layout with text labels and large icons.
    static void LoadToolbarLayout(platform::TRegistryStore& registry, QToolBar* toolbar, const QString& key);
    // Names that match no item (such as "Separator") become separators named
    // "ToolbarSep2K<position>"; items not named are hidden. Caption mode 0 shows
    // text under the icons, 1 icons only; icon size 0 large, 1 small.
    static void ApplyToolbarLayout(QToolBar* toolbar, const QStringList& names, int captionMode,
                                   int iconSize);
    // Writes Options and rewrites Buttons with one value per shown item.
    static void SaveToolbarLayout(platform::TRegistryStore& registry, QToolBar* toolbar, const QString& key,
                                  int captionMode, int iconSize);
};
