#pragma once

#include <QString>

#include "core/TTranslationTable.h"

class QAction;
class QObject;
class QWidget;

// A window's translation table and how it is applied to the window.
//
// Each window has one table (resources/lang/<WindowName>.lang). apply() walks the
// window and everything below it that has an objectName:
// - stCaptions: the form's title (key = the form's objectName), the text of
//   actions, buttons, check boxes, labels, group boxes and menus, the title of
//   toolbars and the tab text of a tab page;
// - stHints: tool tip and status tip;
// and gives every control the accessible name a screen reader announces: its
// caption without the mnemonic "&", or, for an edit or combo box named by a
// label (QLabel::setBuddy), the label's text. A control whose accessible name
// was set on purpose keeps it (mark it with keepAccessibleName()).
//
// User-interface thread only.
class TFormLanguage final
{
public:
    // Loads the table compiled into the program for `windowName` ("MainForm")
    // and selects the setting Language (English when there is no settings store
    // or the language is unknown).
    explicit TFormLanguage(const QString& windowName);

    bool isLoaded() const { return m_loaded; }
    const QString& loadError() const { return m_loadError; }
    // Selects a column; an unknown name selects English and returns false.
    bool setLanguage(const QString& name);
    QString language() const { return m_table.language(); }
    const TTranslationTable& table() const { return m_table; }

    // A free message string (stStrings); unknown keys give "".
    QString text(const QString& key) const;
    // A caption, hint or collection text; `fallback` when the table has none.
    QString caption(const QString& component, const QString& fallback = {}) const;
    QString hint(const QString& component, const QString& fallback = {}) const;
    QString collection(const QString& key, const QString& fallback = {}) const;
    // A standard message-box text by its name ("Yes", "Cancel", "Warning").
    QString dialogCaption(const QString& name, const QString& fallback = {}) const;

    void apply(QWidget* root) const;
    // Captions and hints of actions that are not children of a widget.
    void apply(QAction* action) const;

    // "&Open file..." -> "Open file..." ("&&" stays one "&").
    static QString withoutMnemonic(const QString& caption);
    // Leaves the accessible name of `widget` alone in apply().
    static void keepAccessibleName(QWidget* widget);

private:
    void applyTo(QObject* object, QWidget* root) const;

    TTranslationTable m_table;
    bool m_loaded = false;
    QString m_loadError;
};
