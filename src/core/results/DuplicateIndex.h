#pragma once

#include "LargeBlock.h"
#include "PagedArray.h"
#include "TextPool.h"

#include <cstdint>

// Counts how many rows hold each (source, text) pair, so that "is this text
// already a result" is one hash look-up instead of a scan of every row.
// Texts are referred to in the pool, not copied. Source -1 means a row
// without a source column.
//
// Each pair is a key, kept once in a paged array; the hash table holds only
// a 4-byte piece of the hash and the key's number, 8 bytes a slot. The table
// grows without a pause: a larger table is taken, its memory brought in a
// piece at every operation, and then the keys are entered into it a few at
// every operation, while look-ups try both tables.
class DuplicateIndex
{
public:
    explicit DuplicateIndex(const TextPool &pool)
        : m_pool(pool)
    { }

    void add(std::int32_t source, const TextPool::Ref &text);
    void remove(std::int32_t source, const TextPool::Ref &text);
    bool contains(std::int32_t source, QByteArrayView text);
    // As contains, and when the pair is there it counts one more finding
    // of it.
    bool countIfContained(std::int32_t source, QByteArrayView text);
    // How many times the pair was found while it had rows: each add and
    // each countIfContained; 0 when it has no row.
    std::uint32_t found(std::int32_t source, QByteArrayView text) const;
    void clear();
    // Keys with at least one row.
    std::size_t size() const { return m_live; }

private:
    struct Key
    {
        TextPool::Ref text;
        std::int32_t source;
        std::uint32_t count; // rows with this key; 0 once they are all gone
        std::uint32_t found; // findings since the key last had no row
    };
    struct Slot
    {
        std::uint32_t tag; // the hash's upper half
        std::uint32_t key; // key number + 1; 0 is an empty slot
    };
    struct Table
    {
        LargeBlock memory;
        std::size_t capacity = 0;
        std::size_t used = 0;
        bool empty() const { return capacity == 0; }
        Slot *cells() const { return reinterpret_cast<Slot *>(memory.data()); }
        void allocate(std::size_t newCapacity);
        void insert(std::uint64_t hash, std::uint32_t key);
    };

    static std::uint64_t hashOf(std::int32_t source, QByteArrayView text);
    // The key number of the pair in table, or -1.
    std::int64_t find(const Table &table, std::uint64_t hash, std::int32_t source, QByteArrayView text) const;
    // The key of the pair with rows or that can take rows again, or nullptr.
    Key *findKey(std::uint64_t hash, std::int32_t source, QByteArrayView text);
    void growIfNeeded();
    void moveSomeKeys();

    const TextPool &m_pool;
    PagedArray<Key> m_keys;
    Table m_table;
    Table m_old; // keys [m_moved, m_moveEnd) are still only here
    Table m_next; // the larger table, while its memory is brought in
    std::size_t m_nextTouched = 0;
    std::size_t m_moved = 0;
    std::size_t m_moveEnd = 0;
    std::size_t m_live = 0;
};
