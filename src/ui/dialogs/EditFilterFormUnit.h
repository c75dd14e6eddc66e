#pragma once

#include <QDialog>
#include <QString>

#include "ui/dialogs/TFormLanguage.h"

class QAction;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// "Edit filters": defines the named file-mask filters of the filter store.
//
// Opening reloads the store from Filters.xml and lists one row per filter (its
// name, edited in place, and its masks joined with ";"), sorted by name. New,
// Delete, renaming and Update change only the list and set the modified flag;
// Apply (and OK) writes the list into the store in list order and saves it.
// Cancel, Escape and the close box ask whether to save while the flag is set.
//
// Usage: build it, exec() it; Accepted means the store was saved. The caller
// rebuilds its filter menus afterwards. User-interface thread only.
class TEditFilterForm final : public QDialog
{
    Q_OBJECT

public:
    explicit TEditFilterForm(QWidget* parent = nullptr);
    ~TEditFilterForm() override;

    bool isModified() const { return m_modified; }

    // OK applies first and stays open when the store could not be saved; any
    // other result asks about unsaved changes (Cancel keeps the dialog open).
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWidgets();
    void loadFilters();
    QTreeWidgetItem* addItem(const QString& name, const QString& masksText);
    QStringList captions() const;

    void FiltersListViewSelectionChange();
    void FiltersListViewEdited();
    void NewFilterActionExecute();
    void DeleteFilterActionExecute();
    void UpdateButtonClick();
    // Update, then the store rewritten from the list and saved. False (after
    // telling the user) when the file could not be written.
    bool ApplyChangesActionExecute();

    void setModified(bool modified);
    void updateActions();

    TFormLanguage m_language;
    bool m_modified = false;
    // Set while the form itself changes the selection or the edit.
    bool m_filling = false;

    QTreeWidget* m_list = nullptr;
    QLineEdit* m_fileMasks = nullptr;
    QPushButton* m_update = nullptr;
    QAction* m_newAction = nullptr;
    QAction* m_deleteAction = nullptr;
    QAction* m_applyAction = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
