#pragma once

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "ui/dialogs/TFormLanguage.h"

class QComboBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolBar;

// "Customize Toolbar": chooses the buttons of one customisable toolbar, their
// order, text labels and icon size.
//
// The left list holds the toolbar's buttons that are not shown and one
// "Separator" entry that never leaves it (any number of separators can be
// placed); the right list the shown items in order. Entries move between and
// within the lists by drag and drop, Insert/Remove and double clicks. The icon
// option previews the chosen size in both lists at once. OK applies the lists to
// the toolbar and stores the layout under `registryKey`; Cancel changes nothing.
//
// Usage: build it for the toolbar, exec() it. User-interface thread only.
class TCustomizeButtonsForm final : public QDialog
{
    Q_OBJECT

public:
    TCustomizeButtonsForm(QToolBar* toolbar, const QString& registryKey, QWidget* parent = nullptr);
    ~TCustomizeButtonsForm() override;

    QListWidget* availableList() const { return m_available; }
    QListWidget* selectedList() const { return m_selected; }

    // Moves the entry at `row` of `from` before row `beforeRow` of `to` (the end
    // when -1 or past the end), as a drop does.
    void moveEntry(QListWidget* from, int row, QListWidget* to, int beforeRow);
    // The component names OK applies, in order.
    QStringList selectedNames() const;

    void accept() override;

private:
    void buildWidgets();
    void fillLists();
    QIcon separatorIcon() const;
    void setIconChoice(int iconSize);
    void updateButtons();
    QListWidgetItem* separatorEntry() const;

    TFormLanguage m_language{QStringLiteral("CustomizeButtonsForm")};
    QPointer<QToolBar> m_toolbar;
    QString m_key;
    int m_captionMode = 0;
    int m_iconSize = 0;

    QListWidget* m_available = nullptr;
    QListWidget* m_selected = nullptr;
    QPushButton* m_insert = nullptr;
    QPushButton* m_remove = nullptr;
    QComboBox* m_textOptions = nullptr;
    QComboBox* m_iconOptions = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
