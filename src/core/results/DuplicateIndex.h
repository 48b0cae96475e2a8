#pragma once

#include "TextPool.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

// Counts how many rows hold each (source, text) pair, so that "is this text
// already a result" is one hash look-up instead of a scan of every row.
// Texts are referred to in the pool, not copied. Source -1 means a row
// without a source column.
//
// The table grows without a pause: a larger table is taken (its pages are
// only touched as they are used) and the old one is moved across a few
// cells at every operation, so no single append waits for a full rehash.
class DuplicateIndex
{
public:
    explicit DuplicateIndex(const TextPool &pool)
        : m_pool(pool)
    { }

    void add(std::int32_t source, const TextPool::Ref &text);
    void remove(std::int32_t source, const TextPool::Ref &text);
    bool contains(std::int32_t source, QByteArrayView text);
    void clear();
    // Keys with at least one row.
    std::size_t size() const { return m_live; }

private:
    struct Slot
    {
        std::uint64_t hash;
        TextPool::Ref text;
        std::int32_t source;
        std::uint32_t count; // rows with this key; 0 once they are all gone
        std::uint32_t used; // all-zero memory is an empty slot
    };
    struct Free
    {
        void operator()(Slot *cells) const { std::free(cells); }
    };
    struct Table
    {
        std::unique_ptr<Slot[], Free> cells;
        std::size_t capacity = 0;
        std::size_t used = 0;
        bool empty() const { return capacity == 0; }
        void allocate(std::size_t newCapacity);
        // The slot holding the key, or the empty slot where it would go.
        Slot &find(const TextPool &pool, std::uint64_t hash, std::int32_t source, QByteArrayView text) const;
        Slot &emptySlotFor(std::uint64_t hash) const;
    };

    static std::uint64_t hashOf(std::int32_t source, QByteArrayView text);
    Slot *findLive(std::uint64_t hash, std::int32_t source, QByteArrayView text);
    void growIfNeeded();
    void moveSomeOldSlots();

    const TextPool &m_pool;
    Table m_table;
    Table m_old; // being moved into m_table
    std::size_t m_moved = 0; // old cells looked at so far
    std::size_t m_live = 0;
};
