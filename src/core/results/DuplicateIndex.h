#pragma once

#include "TextPool.h"

#include <cstdint>
#include <vector>

// Counts how many rows hold each (source, text) pair, so that "is this text
// already a result" is one hash look-up instead of a scan of every row.
// Texts are referred to in the pool, not copied. Source -1 means a row
// without a source column.
class DuplicateIndex
{
public:
    explicit DuplicateIndex(const TextPool &pool) : m_pool(pool) {}

    void add(std::int32_t source, const TextPool::Ref &text);
    void remove(std::int32_t source, const TextPool::Ref &text);
    bool contains(std::int32_t source, QByteArrayView text) const;
    void clear();
    std::size_t size() const { return m_used; }

private:
    struct Slot
    {
        std::uint64_t hash = 0;
        TextPool::Ref text;
        std::int32_t source = 0;
        std::uint32_t count = 0; // 0 with used == false: never filled
        bool used = false;
    };

    static std::uint64_t hashOf(std::int32_t source, QByteArrayView text);
    // The slot that holds the key, or the empty slot where it would go.
    std::size_t find(std::uint64_t hash, std::int32_t source, QByteArrayView text) const;
    void grow();

    const TextPool &m_pool;
    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};
