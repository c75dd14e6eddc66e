#include "core/TSortedStringList.h"

#include <algorithm>

namespace {

bool lessNoCase(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

} // namespace

TSortedStringList::TSortedStringList(std::initializer_list<QString> items)
{
    for (const QString& item : items)
        add(item);
}

QStringList::const_iterator TSortedStringList::lowerBound(const QString& text) const
{
    return std::lower_bound(m_items.cbegin(), m_items.cend(), text, lessNoCase);
}

qsizetype TSortedStringList::indexOf(const QString& text) const
{
    const auto it = lowerBound(text);
    if (it == m_items.cend() || QString::compare(*it, text, Qt::CaseInsensitive) != 0)
        return -1;
    return it - m_items.cbegin();
}

bool TSortedStringList::add(const QString& text)
{
    const auto it = lowerBound(text);
    if (it != m_items.cend() && QString::compare(*it, text, Qt::CaseInsensitive) == 0)
        return false;
    m_items.insert(it - m_items.cbegin(), text);
    return true;
}

bool TSortedStringList::remove(const QString& text)
{
    const qsizetype index = indexOf(text);
    if (index < 0)
        return false;
    m_items.removeAt(index);
    return true;
}
