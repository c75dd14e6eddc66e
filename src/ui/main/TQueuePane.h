#pragma once

#include <memory>

#include <QHash>
#include <QPointer>
#include <QWidget>

#include "engine/TLogKind.h"
#include "ui/main/TCompletedQueueItem.h"
#include "ui/main/TQueueFileDialog.h"

class IShutdown;
class QAction;
class QMenu;
class QToolBar;
class QTreeView;
class TFormLanguage;
class TLogView;
class TQueueItem;
class TQueueListModel;
class TQueueManager;
class TQueueProgressDelegate;
struct TQueueLoadResult;

// The queue page of the main window's bottom panel: the queue view
// (`QueueListView`, one row per queue item), its pop-up menu, the queue commands
// with their enabling rules, and the queue and log toolbar (`QueueLogToolbar`,
// built by createToolbar() for the window to place).
//
// Actions (objectName, all children of the pane; the window may put them in its
// menus too): SaveQueueAction, SaveQueueToFileAction, LoadQueueAction,
// LoadQueueFromFileAction, PlayQueueAction, PauseQueueAction, StopQueueAction,
// ClearQueueAction, BeginQueueItemTransferAction, StopQueueItemAction,
// PauseQueueItemAction, DeleteQueueItemAction, ClearLogAction and
// TurnOffComputerAction (checkable). Play, Pause, Stop and Clear queue are enabled
// while the queue has rows; the four row actions (property "Tag" 1) while rows
// are selected, decided again whenever the pop-up menu opens.
//
// When a completed item leaves the queue the pane tells the window
// (uploadCompleted, openWhenDoneCompleted) and, when the queue became empty and
// "Turn off computer after queue finished" is checked, powers the computer off.
// Deleting rows by hand never does.
//
// Main thread only.
class TQueuePane final : public QWidget
{
    Q_OBJECT

public:
    // `language` is the main window's table and `log` its log view; both must
    // outlive the pane, and so must `manager` or its rows go when it is destroyed.
    TQueuePane(TQueueManager& manager, const TFormLanguage& language, TLogView& log,
               QWidget* parent = nullptr);
    ~TQueuePane() override;

    QTreeView* view() const { return m_view; }
    TQueueListModel* model() const { return m_model; }
    // QueueListViewPopupMenu.
    QMenu* popupMenu() const { return m_popup; }
    QAction* action(const QString& objectName) const { return m_actions.value(objectName); }
    // Every action above, in that order.
    QList<QAction*> queueActions() const { return m_actionOrder; }

    // A new QueueLogToolbar owned by `parent`, with the pane's actions.
    QToolBar* createToolbar(QWidget* parent);

    bool turnOffComputerAfterQueue() const;
    void setTurnOffComputerAfterQueue(bool on);
    // Not owned; nullptr turns off through logind.
    void setShutdown(IShutdown* shutdown);
    // Replaces the file dialogs (tests); an empty chooser restores them.
    void setFileChooser(TQueueFileChooser chooser);

    // Texts of the current language: actions, menus, toolbar and column titles.
    void retranslate();

signals:
    // A completed upload left the queue: the window refreshes the remote pane
    // when it shows that directory of that host (and selects the file).
    void uploadCompleted(const TCompletedQueueItem& item);
    // A completed item marked OpenWhenDone left the queue: the window opens it.
    void openWhenDoneCompleted(const TCompletedQueueItem& item);
    // Lines for the window's log (failures of the queue commands).
    void Log(TLogKind kind, const QString& text);

private:
    QAction* newAction(const QString& name, const char* iconName, int fallbackIcon);
    void createActions();
    void createView();
    void createPopupMenu();
    void updateQueueActions();
    // The Tag-1 actions of the pop-up menu: enabled exactly when rows are selected.
    void updateRowActions();
    void selectionChanged();
    QList<TQueueItem*> selectedItems() const;
    template <typename Call>
    void forEachSelected(Call call);
    TQueueFileRequest fileRequest(bool save) const;
    bool chooseFile(TQueueFileRequest& request);
    void logLoadResult(const TQueueLoadResult& result, const QString& path);
    void itemCompleted(TQueueItem* item);
    void itemRemoved(TQueueItem* item);
    void turnOffComputer();
    void keepMinimumWidth(int section, int oldSize, int newSize);

    void SaveQueueActionExecute();
    void SaveQueueToFileActionExecute();
    void LoadQueueActionExecute();
    void LoadQueueFromFileActionExecute();
    void ClearQueueActionExecute();

    TQueueManager& m_manager;
    const TFormLanguage& m_language;
    TLogView& m_log;
    TQueueListModel* m_model = nullptr;
    TQueueProgressDelegate* m_delegate = nullptr;
    QTreeView* m_view = nullptr;
    QMenu* m_popup = nullptr;
    QList<QPointer<QToolBar>> m_toolbars;
    QHash<QString, QAction*> m_actions;
    QList<QAction*> m_actionOrder;
    QList<QAction*> m_queueCommands; // enabled while the queue has rows
    int m_populated = -1;            // what they were last set to (-1: never)
    int m_selected = -1;             // whether rows were selected at the last update
    IShutdown* m_shutdown = nullptr;
    std::unique_ptr<IShutdown> m_logindShutdown;
    TQueueFileChooser m_chooser;
    TQueueItem* m_lastCompleted = nullptr; // between OnItemComplete and its deletion
};
