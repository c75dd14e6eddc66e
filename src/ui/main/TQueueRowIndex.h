#pragma once

#include <vector>

// Row numbers of a list that grows at its end and loses entries anywhere, in
// O(log n) per step. Entries keep the slot they were appended in; a removed one
// leaves a dead slot behind, and a Fenwick tree over the live flags turns a slot
// into its row (the live slots in front of it) and a row back into its slot.
// The owner drops the dead slots from time to time (reset()), so a queue of
// 100,000 rows cleared from the top costs O(n log n) in all, not O(n^2).
class TQueueRowIndex final
{
public:
    // `count` live slots and nothing else.
    void reset(int count);
    // A live slot at the end; returns it.
    int append();
    // The slot must be live.
    void erase(int slot);

    bool isLive(int slot) const { return slot >= 0 && slot < slotCount() && m_live[std::size_t(slot)] != 0; }
    // Live slots in front of `slot`.
    int rowOf(int slot) const;
    // The slot of row `row` (0 <= row < rows()).
    int slotAt(int row) const;
    int rows() const { return m_rows; }
    int slotCount() const { return int(m_live.size()); }

private:
    void rebuild(int capacity);

    std::vector<unsigned char> m_live; // per slot
    std::vector<int> m_tree;           // 1-based Fenwick tree over m_live, m_capacity + 1 entries
    int m_capacity = 0;                // a power of two >= slotCount()
    int m_rows = 0;
};
