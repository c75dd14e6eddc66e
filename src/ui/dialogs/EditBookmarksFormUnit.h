#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "ui/dialogs/TFormLanguage.h"

class QAction;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class THost;

// "Edit bookmarks": adds, renames and deletes the bookmarked remote directories
// of one host, and stores the host in whichever store holds it (the host tree
// when it knows the ID, else the quick-connect list).
//
// Usage: build it on the caller's record and exec() it; the record itself is
// edited (its Bookmarks hold what was applied). The caller rebuilds its bookmark
// menus afterwards. OK applies; leaving otherwise with unapplied changes asks.
//
// Needs the settings store; the host stores when there is something to store
// into. User-interface thread only.
class TEditBookmarksForm final : public QDialog
{
    Q_OBJECT

public:
    // `host` must outlive the dialog.
    explicit TEditBookmarksForm(THost& host, QWidget* parent = nullptr);
    ~TEditBookmarksForm() override;

    bool isModified() const { return m_modified; }
    // The captions of the list, in its (sorted) order.
    QStringList captions() const;

    // The Apply command: the list becomes the host's bookmarks and the host is
    // stored. False (after telling the user why) when a store could not be
    // written; the changes then stay unapplied.
    bool ApplyChangesActionExecute();
    void NewBookmarkActionExecute();
    void DeleteBookmarkActionExecute();

    void done(int result) override;

private:
    void buildWidgets();
    void applyLanguage();
    void fillList();
    QTreeWidgetItem* addItem(const QString& caption);
    // "New bookmark", or "New bookmark (n)" with the first n no item carries.
    QString newCaption() const;
    void setModified(bool modified);
    void updateActions();
    // Ends an edit in progress, keeping what was typed.
    void commitEdit();

    TFormLanguage m_language;
    THost& m_host;
    bool m_modified = false;

    QTreeWidget* m_list = nullptr;
    QAction* m_newAction = nullptr;
    QAction* m_deleteAction = nullptr;
    QAction* m_applyAction = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
