#pragma once

#include <memory>
#include <vector>

#include <QHash>
#include <QList>
#include <QString>
#include <QWidget>

#include "core/TViewStyle.h"
#include "engine/TListing.h"
#include "engine/TLogKind.h"
#include "ui/dialogs/TFormLanguage.h"

class QAbstractItemView;
class QAction;
class QActionGroup;
class QLabel;
class QListView;
class QMenu;
class QStackedWidget;
class QToolBar;
class QTreeView;
class TBrowsingState;
class TFTPWorker;
class TRemoteFindDialog;
class TRemoteListModel;
class TRemotePaneController;
class TRemotePathBox;

// The remote file pane of the main window (objectName "RemotePanel"): the remote
// toolbar (RemoteToolbar), the path box (RemoteComboBox in RemotePathPanel), the
// list of the current remote directory (RemoteListView, a report view; the icon,
// small-icon and list styles show the same model and selection in a QListView,
// RemoteIconView) and the selection summary (RemoteSelectionPanel). It owns the
// pane's actions (found by objectName, see action()) and its menus.
//
// The window owns the worker and the browsing state. It updates the state for
// each worker event first and then calls the matching entry point here; the
// pane's enabling rules follow the state (TBrowsingState::changed) and the
// selection. Worker events arrive on the main thread while the worker waits.
//
// Actions whose windows live elsewhere only emit a signal: Open, Download, Add to
// queue, Properties, Advanced search, Edit bookmarks, Edit filters.
// RemoteSelectAllAction selects every row of this list (Ctrl+A, "-", keypad
// "-"); a window that extends it to its other lists disconnects it from the
// pane and calls selectAllRows() itself.
//
// User-interface thread only.
class TRemotePane final : public QWidget
{
    Q_OBJECT

public:
    TRemotePane(TFTPWorker& worker, TBrowsingState& state, QWidget* parent = nullptr);
    ~TRemotePane() override;

    // --- The worker's events, after the window updated the state.
    // OnConnected: a new, empty selection memory.
    void workerConnected();
    // OnDisconnected: the path box and the list emptied, the memory dropped.
    void workerDisconnected();
    // OnLoggedIn: the bookmark menu rebuilt (the window then changes to the
    // initial directory and lists).
    void workerLoggedIn();
    // OnListed: the list refilled from the worker's listing of its CurrentDir,
    // while its connection is open.
    void workerListed();
    // OnDeleted: the directory listed again once nothing is left to delete.
    void workerDeleted();
    // OnBusy / OnIdle. Idle gives the list the focus, and runs a Disconnect that
    // was asked for while the worker was busy.
    void workerBusy();
    void workerIdle();

    // A file just uploaded into the shown directory, selected after the next listing.
    void setPendingUploadedName(const QString& name);
    // Fills the pane as OnListed does, from any listing (null: an empty list).
    void showListing(TListingPtr listing, const QString& directory);

    // --- Menus and settings.
    void rebuildBookmarkMenus();
    void rebuildFilterMenu();
    // Captions, hints and column titles in the current Language.
    void applyLanguage();
    // ShowRemoteSelectionPanel.
    void applyViewSettings();
    // Stored as RemoteViewStyle.
    void setViewStyle(TViewStyle style);
    TViewStyle viewStyle() const { return m_viewStyle; }
    void setSort(int column, Qt::SortOrder order);
    int sortColumn() const;
    Qt::SortOrder sortOrder() const;
    // Puts the window's DownloadAction (with AddRemoteFilesToQueueAction in its
    // drop-down) on the remote toolbar as RemoteDownloadButton.
    void setDownloadActions(QAction* download, QAction* addToQueue);

    // --- Parts.
    QAction* action(const QString& objectName) const;
    QMenu* bookmarkMenu() const { return m_bookmarkMenu; }
    QMenu* filterMenu() const { return m_filterMenu; }
    QMenu* viewMenu() const { return m_viewMenu; }
    QMenu* popupMenu() const { return m_popupMenu; }
    QToolBar* toolbar() const { return m_toolbar; }
    TRemotePathBox* pathBox() const { return m_pathBox; }
    QTreeView* listView() const { return m_listView; }
    QListView* iconView() const { return m_iconView; }
    // The view of the current style.
    QAbstractItemView* activeView() const;
    TRemoteListModel& model() const { return *m_model; }
    QLabel* selectionPanel() const { return m_selectionPanel; }
    TRemoteFindDialog* findDialog();
    const TFormLanguage& language() const { return m_language; }
    // The directory whose listing is shown.
    QString directory() const;
    bool hasListFocus() const;

    // --- Selection (view rows, ascending).
    QList<int> selectedRows() const;
    int firstSelectedRow() const;
    // Adds the rows to the selection (or replaces it); the first becomes current
    // and is scrolled into view when `scrollToFirst`.
    void selectRows(const std::vector<int>& rows, bool replace, bool scrollToFirst);
    void clearSelection();
    // Remembers the selected rows, restored by the next listing of this directory.
    void rememberSelection();
    void selectAllRows();
    void invertSelection();
    void scrollToRow(int row);
    void editName(int row);
    // Find next over the names, as the find dialog asks.
    void findNext(const QString& text);

signals:
    void openRequested();
    void downloadRequested();
    void addToQueueRequested();
    void propertiesRequested();
    void advancedSearchRequested();
    void editBookmarksRequested();
    void editFiltersRequested();
    void viewStyleChanged(TViewStyle style);
    // A line for the window's log.
    void logRequested(TLogKind kind, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TSelectionFacts
    {
        int files = 0;
        int directories = 0; // ".." included
        qint64 bytes = 0;
    };

    QAction* newAction(const char* name, const char* iconName, int fallbackIcon);
    void createActions();
    void createMenus();
    void createToolbar();
    void createViews();
    void configureIconView(TViewStyle style);
    void wire();
    void showPopupMenu(QAbstractItemView* view, const QPoint& position);
    bool isEditingName() const;
    void retitleColumns();

    // Enabling rules: logged in and the worker idle, for everything that talks
    // to the server; connected for Disconnect; busy for Stop.
    bool canBrowse() const;
    void updateActions();
    void updateSelectionDependents();
    TSelectionFacts selectionFacts() const;
    void updateSelectionSummary(const TSelectionFacts& facts);

    TFTPWorker& m_worker;
    TBrowsingState& m_state;
    TFormLanguage m_language{QStringLiteral("MainForm")};
    TRemoteListModel* m_model = nullptr;
    std::unique_ptr<TRemotePaneController> m_controller;
    QHash<QString, QAction*> m_actions;

    QToolBar* m_toolbar = nullptr;
    TRemotePathBox* m_pathBox = nullptr;
    QStackedWidget* m_views = nullptr;
    QTreeView* m_listView = nullptr;
    QListView* m_iconView = nullptr;
    QLabel* m_selectionPanel = nullptr;
    TRemoteFindDialog* m_findDialog = nullptr;

    QMenu* m_viewMenu = nullptr;
    QMenu* m_bookmarkMenu = nullptr;
    QMenu* m_filterMenu = nullptr;
    QMenu* m_popupMenu = nullptr;
    QActionGroup* m_viewStyles = nullptr;
    QList<QAction*> m_bookmarkItems;
    QList<QAction*> m_filterItems;
    QAction* m_bookmarkSeparator = nullptr;
    QAction* m_filterSeparator = nullptr;
    TViewStyle m_viewStyle = TViewStyle::vsReport;
};
