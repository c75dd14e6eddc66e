#pragma once

#include <functional>

#include <QHash>
#include <QList>
#include <QModelIndex>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "core/TViewStyle.h"
#include "engine/TLogKind.h"

class QAbstractItemView;
class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QStackedWidget;
class QToolBar;
class TDragListView;
class TDragTreeView;
class TFormLanguage;
class THoverRowDelegate;
class TLocalFileModel;
class TRemoteFindDialog;

// What a local selection holds: folders count as directories, everything else
// as files; the sizes of the files that exist, added up in 64 bits.
struct TLocalSelectionFacts
{
    int files = 0;
    int directories = 0;
    qint64 bytes = 0;

    static TLocalSelectionFacts of(const QStringList& paths);
};

// The local pane of the main window (objectName "LocalPanel"): LocalDock with the
// local toolbar (LocalToolbar), LocalPathPanel with the folder box
// (LocalShellComboBox), the list of the current folder (LocalShellListView, a
// report view over a QFileSystemModel; the icon, small-icon and list styles show
// the same model and selection in LocalShellIconView) and the selection summary
// (LocalSelectionPanel).
//
// The window's actions LocalCDUPAction, LocalRefreshAction, LocalCDHomeAction,
// LocalMakeDirAction, UploadAction and AddLocalFilesToQueueAction are handed in
// (the pane makes its own where none is given) and wired here, except Upload and
// Add to queue, which the window runs. The pane owns the view styles
// (LocalViewIconsMenuItem ...) in the menu LocalViewMenuItem, the filter menu
// (LocalFiltersSubmenuItem) and SimpleLocalFileFindAction.
//
// User-interface thread only.
class TLocalPane final : public QWidget
{
    Q_OBJECT

public:
    // `language` is the window's table and must outlive the pane.
    TLocalPane(const TFormLanguage& language, const QHash<QString, QAction*>& windowActions,
               QWidget* parent = nullptr);
    ~TLocalPane() override;

    // The folder shown, without a trailing separator ("/" for the root).
    QString directory() const { return m_directory; }
    // Shows `path` when it is a folder; false (nothing changes) otherwise.
    bool changeDirectory(const QString& path);
    // Where Home goes: the current host's InitialLocalDirectory; the user's home
    // folder when there is none or it is no folder.
    void setHomeDirectory(std::function<QString()> home) { m_homeDirectory = std::move(home); }

    // Commands.
    void goUp();
    void goHome();
    void refresh();
    void makeDirectory();
    void selectAllRows();
    void findNext(const QString& text);
    TRemoteFindDialog* findDialog();
    void selectFilter(int filterIndex);

    // Menus and settings.
    void applyLanguage();
    // ShowLocalSelectionPanel.
    void applyViewSettings();
    // Stored as LocalViewStyle.
    void setViewStyle(TViewStyle style);
    TViewStyle viewStyle() const { return m_viewStyle; }
    void setSortColumn(int column);
    int sortColumn() const;
    void rebuildFilterMenu();

    // Parts.
    QAction* action(const QString& objectName) const { return m_actions.value(objectName); }
    QToolBar* toolbar() const { return m_toolbar; }
    QMenu* viewMenu() const { return m_viewMenu; }
    QMenu* filterMenu() const { return m_filterMenu; }
    QComboBox* folderBox() const { return m_folderBox; }
    TDragTreeView* listView() const { return m_listView; }
    TDragListView* iconView() const { return m_iconView; }
    QAbstractItemView* activeView() const;
    TLocalFileModel& model() const { return *m_model; }
    THoverRowDelegate* hoverDelegate() const { return m_hover; }
    QLabel* selectionPanel() const { return m_selectionPanel; }
    bool hasListFocus() const;

    // The rows of the current folder (column 0), in view order.
    QList<QModelIndex> rows() const;
    QList<QModelIndex> selectedRows() const;
    // Full paths of the selected rows, in view order.
    QStringList selectedPaths() const;
    QString pathOf(const QModelIndex& index) const;
    void selectPaths(const QStringList& paths);

signals:
    void directoryChanged(const QString& directory);
    void editFiltersRequested();
    void logRequested(TLogKind kind, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* windowAction(const QHash<QString, QAction*>& given, const char* name, const char* icon,
                          int fallback);
    void createActions(const QHash<QString, QAction*>& windowActions);
    void createToolbar();
    void createViews();
    void configureIconView(TViewStyle style);
    void wire();
    void openRow(const QModelIndex& index);
    void fillFolderBox();
    void updateActions();
    void updateSelectionSummary();
    void selectIndexes(const QList<QModelIndex>& indexes, bool replace);
    void retitleColumns();

    const TFormLanguage& m_language;
    TLocalFileModel* m_model = nullptr;
    QHash<QString, QAction*> m_actions;
    QString m_directory;
    std::function<QString()> m_homeDirectory;

    QToolBar* m_toolbar = nullptr;
    QComboBox* m_folderBox = nullptr;
    QStackedWidget* m_views = nullptr;
    TDragTreeView* m_listView = nullptr;
    TDragListView* m_iconView = nullptr;
    THoverRowDelegate* m_hover = nullptr;
    QLabel* m_selectionPanel = nullptr;
    TRemoteFindDialog* m_findDialog = nullptr;

    QMenu* m_viewMenu = nullptr;
    QMenu* m_filterMenu = nullptr;
    QMenu* m_uploadMenu = nullptr;
    QActionGroup* m_viewStyles = nullptr;
    QList<QAction*> m_filterItems;
    QAction* m_filterSeparator = nullptr;
    TViewStyle m_viewStyle = TViewStyle::vsReport;
};
