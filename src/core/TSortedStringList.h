#pragma once

#include <QString>
#include <QStringList>

// A list of texts kept in ascending order under a case-insensitive comparison,
// without duplicates: adding a text already present in any case is ignored.
class TSortedStringList final
{
public:
    TSortedStringList() = default;
    TSortedStringList(std::initializer_list<QString> items);

    // Returns false when the text was already present.
    bool add(const QString& text);
    bool remove(const QString& text);
    void clear() { m_items.clear(); }

    // The position of `text` compared without case, or -1.
    qsizetype indexOf(const QString& text) const;
    bool contains(const QString& text) const { return indexOf(text) >= 0; }

    qsizetype size() const { return m_items.size(); }
    bool isEmpty() const { return m_items.isEmpty(); }
    const QString& at(qsizetype index) const { return m_items.at(index); }
    const QStringList& items() const { return m_items; }
    QStringList::const_iterator begin() const { return m_items.cbegin(); }
    QStringList::const_iterator end() const { return m_items.cend(); }

    friend bool operator==(const TSortedStringList&, const TSortedStringList&) = default;

private:
    QStringList::const_iterator lowerBound(const QString& text) const;

    QStringList m_items;
};
