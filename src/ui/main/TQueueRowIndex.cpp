#include "ui/main/TQueueRowIndex.h"

#include <algorithm>

void TQueueRowIndex::reset(int count)
{
    m_live.assign(std::size_t(std::max(count, 0)), 1);
    m_rows = int(m_live.size());
    int capacity = 1;
    while (capacity < m_rows)
        capacity *= 2;
    rebuild(capacity);
}

void TQueueRowIndex::rebuild(int capacity)
{
    m_capacity = capacity;
    m_tree.assign(std::size_t(capacity) + 1, 0);
    // Linear construction: every node passes its sum on to its parent.
    for (int i = 1; i <= capacity; ++i) {
        if (i <= slotCount())
            m_tree[std::size_t(i)] += m_live[std::size_t(i - 1)];
        const int parent = i + (i & -i);
        if (parent <= capacity)
            m_tree[std::size_t(parent)] += m_tree[std::size_t(i)];
    }
}

int TQueueRowIndex::append()
{
    const int slot = slotCount();
    m_live.push_back(1);
    ++m_rows;
    if (slot + 1 > m_capacity) {
        rebuild(std::max(1, m_capacity * 2));
        return slot;
    }
    for (int i = slot + 1; i <= m_capacity; i += i & -i)
        ++m_tree[std::size_t(i)];
    return slot;
}

void TQueueRowIndex::erase(int slot)
{
    if (!isLive(slot))
        return;
    m_live[std::size_t(slot)] = 0;
    --m_rows;
    for (int i = slot + 1; i <= m_capacity; i += i & -i)
        --m_tree[std::size_t(i)];
}

int TQueueRowIndex::rowOf(int slot) const
{
    int sum = 0;
    for (int i = std::min(slot, m_capacity); i > 0; i -= i & -i)
        sum += m_tree[std::size_t(i)];
    return sum;
}

int TQueueRowIndex::slotAt(int row) const
{
    if (row < 0 || row >= m_rows)
        return -1;
    // Binary lifting: the largest prefix holding no more than `row` live slots
    // ends just before the slot wanted.
    int position = 0;
    int remaining = row + 1;
    for (int step = m_capacity; step > 0; step /= 2) {
        const int next = position + step;
        if (next <= m_capacity && m_tree[std::size_t(next)] < remaining) {
            position = next;
            remaining -= m_tree[std::size_t(next)];
        }
    }
    return position;
}
