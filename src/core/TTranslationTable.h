#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// Sections of a window's translation table, in their stored order.
enum class TTranslationSection
{
    stCaptions,      // captions, by component name
    stHints,         // hints, by component name
    stDisplayLabels, // display labels of data fields
    stFonts,         // font names, by component name
    stMultiLines,    // memo lines and list items, by component.property
    stDlgsCaptions,  // captions of the standard message box and its buttons
    stStrings,       // free message strings, by key
    stOtherStrings,  // other string properties, by component.property
    stLocales,       // regional formats
    stCollections,   // collection items, by component.collection[index].property
    stCharSets,      // character sets, by component name
};

// One window's translation table: every user-visible text of the window, one
// column per language.
//
// Stored form (UTF-8 text, one file per window under resources/lang/):
//   # comment
//   languages<TAB>English<TAB>Svenska
//   [stCaptions]
//   EditHostsAction<TAB>Edit<TAB>Redigera
// A row is the key followed by exactly one field per language. Inside a field
// "\n" is a line break, "\t" a tab and "\\" a backslash. An empty field means
// "not translated": a free string then falls back to the first column, and a
// property (caption, hint, ...) keeps the text it has.
//
// Used on the user-interface thread only; threads read the process-wide copies
// in TMessageTexts.
class TTranslationTable final
{
public:
    struct LoadResult
    {
        bool ok = true;
        QString error; // names the source and the line when ok is false
        explicit operator bool() const { return ok; }
    };

    // One row of a section in the current language, for applying a table to
    // a window. An empty text means: leave the property as designed.
    struct Entry
    {
        QString key;
        QString text;
    };

    // Parses a whole table. On failure the table keeps its previous content.
    LoadResult loadFromData(const QByteArray& data, const QString& sourceName);
    LoadResult loadFromFile(const QString& path);
    // The table compiled into the program for a window, e.g. "MainForm".
    LoadResult loadWindowTable(const QString& windowName);
    static QString windowTablePath(const QString& windowName);

    // Column names in stored order; the first is the fallback column.
    const QStringList& languages() const { return m_languages; }
    QString language() const;

    // Selects the column of that name (case-insensitive). An unknown name
    // selects the first column and returns false, so a stray setting value
    // still gives a readable window.
    bool SetLanguage(const QString& name);

    // The free string of a key (stStrings) in the current language; an empty
    // field falls back to the first column, an unknown key gives "".
    QString GetText(const QString& key) const;

    // The current-language text of a property row; nullopt when the key is
    // unknown or its field is empty, which means: keep the design text.
    std::optional<QString> property(TTranslationSection section, const QString& key) const;

    // Every row of a section in table order, texts in the current language.
    std::vector<Entry> entries(TTranslationSection section) const;

    // Keys of a section in table order, as stored.
    QStringList keys(TTranslationSection section) const;

    // The raw field of one column; "" for an unknown key or language.
    QString field(TTranslationSection section, const QString& key, const QString& language) const;

    bool contains(TTranslationSection section, const QString& key) const;

    static QString sectionName(TTranslationSection section);
    static std::optional<TTranslationSection> sectionFromName(const QString& name);

private:
    struct Row
    {
        QString key;
        QStringList fields;
    };
    struct Section
    {
        std::vector<Row> rows;
        QHash<QString, int> index; // case-folded key -> row
    };
    static constexpr int kSectionCount = static_cast<int>(TTranslationSection::stCharSets) + 1;

    const Row* findRow(TTranslationSection section, const QString& key) const;
    QString currentField(const Row& row) const;

    QStringList m_languages;
    int m_column = 0;
    Section m_sections[kSectionCount];
};
