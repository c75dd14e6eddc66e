#pragma once

#include <functional>
#include <memory>

#include <QDialog>
#include <QString>

#include "ui/dialogs/TFormLanguage.h"

class QAction;
class QCheckBox;
class QContextMenuEvent;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTreeWidgetItem;
class THost;
class THostTreeItem;
class THostTreeWidget;
class THostPages;

// "Host manager": the saved hosts in their groups, every field of the selected
// host, and Apply, which writes the whole tree back into the host tree store
// (Hosts.xml).
//
// The dialog fills its tree from the store when it is built and shares the
// store's records: the controls are written back into the selected host's
// record when the selection leaves it, and by Apply and Connect. A modified flag
// follows every change the user makes; closing other than by OK with changes
// asks whether to save them (Yes, No, or Cancel to stay).
//
// Usage: build it, setConnectToHost(), exec(). When it closes with Accepted (OK,
// or Connect after calling the connect function) the tree has been saved; the
// store was also written when savedChanges() says so (Apply, or Yes to the
// closing question), so the caller rebuilds its host menus in either case.
//
// Needs the settings store; without a host tree store it edits nothing it could
// save. User-interface thread only.
class THostsForm final : public QDialog
{
    Q_OBJECT

public:
    explicit THostsForm(QWidget* parent = nullptr);
    ~THostsForm() override;

    // Called by Connect with the selected host's record, before the dialog closes.
    void setConnectToHost(std::function<void(const THost&)> connect);

    THostTreeWidget* tree() const { return m_tree; }
    bool isModified() const { return m_modified; }
    // Whether the host store was written while the dialog was open.
    bool savedChanges() const { return m_savedChanges; }
    // Why the store could not be read completely when the dialog opened ("" when it could).
    const QString& loadError() const { return m_loadError; }

    // Writes the controls back into the selected host, then the tree into the
    // store and the store to disk; clears the modified flag. False (with the
    // reason shown) when the store could not be written; the flag then stays.
    bool apply();

    // Evaluates every action's enabling rule (the state they read changed).
    void updateActions();

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildActions();
    void buildWidgets();
    void applyLanguage();
    void fillTree();

    // The selection: write back what was shown, show the new node.
    void HostsTreeViewChange(QTreeWidgetItem* current);
    void setModified(bool modified);

    void NewHostActionExecute();
    void NewGroupActionExecute();
    void RenameActionExecute();
    void DeleteActionExecute();
    void ConnectSelectedActionExecute();
    void EditCutExecute();
    void EditCopyExecute();
    void EditPasteExecute();
    void EditSelectAllExecute();
    void HostsTreeViewDblClick(QTreeWidgetItem* item);
    void HostsTreeViewContextPopup(const QContextMenuEvent& event);

    void connectTo(const THost& host);
    void dropUnsavedEdits();
    void showError(const QString& text);
    bool treeFocused() const;
    QLineEdit* focusedEdit() const;
    THostTreeItem* selectedNode() const;
    THostTreeItem* selectedHostNode() const;
    bool clipboardHasFtpURL() const;

    TFormLanguage m_language;
    std::function<void(const THost&)> m_connectToHost;
    bool m_modified = false;
    bool m_savedChanges = false;
    bool m_loadErrorShown = false;
    QString m_loadError;

    QAction* m_newHostAction = nullptr;
    QAction* m_newGroupAction = nullptr;
    QAction* m_renameAction = nullptr;
    QAction* m_cutAction = nullptr;
    QAction* m_copyAction = nullptr;
    QAction* m_pasteAction = nullptr;
    QAction* m_selectAllAction = nullptr;
    QAction* m_connectAction = nullptr;
    QAction* m_applyAction = nullptr;
    QAction* m_deleteAction = nullptr;
    QMenu* m_popup = nullptr;

    THostTreeWidget* m_tree = nullptr;
    QTabWidget* m_pages = nullptr;
    THostPages* m_fields = nullptr;
    QCheckBox* m_showOnStartup = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_apply = nullptr;
};
