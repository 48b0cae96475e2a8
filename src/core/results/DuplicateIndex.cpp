#include "DuplicateIndex.h"

#include <QHashFunctions>

#include <algorithm>
#include <stdexcept>

namespace {
constexpr std::size_t FirstCapacity = 1024;
constexpr std::size_t KeysMovedPerOperation = 64;
} // namespace

std::uint64_t DuplicateIndex::hashOf(std::int32_t source, QByteArrayView text)
{
    return std::uint64_t(qHashBits(text.data(), size_t(text.size()), size_t(source) * 0x9E3779B97F4A7C15ull));
}

void DuplicateIndex::Table::allocate(std::size_t newCapacity)
{
    // Zeroed memory is a table of empty slots; its pages cost nothing until
    // they are used.
    memory = LargeBlock(newCapacity * sizeof(Slot));
    capacity = newCapacity;
    used = 0;
}

void DuplicateIndex::Table::insert(std::uint64_t hash, std::uint32_t key)
{
    const std::size_t mask = capacity - 1;
    Slot *slotArray = cells();
    std::size_t i = std::size_t(hash) & mask;
    while (slotArray[i].key != 0)
        i = (i + 1) & mask;
    slotArray[i] = Slot { std::uint32_t(hash >> 32), key + 1 };
    ++used;
}

std::int64_t DuplicateIndex::find(
    const Table &table, std::uint64_t hash, std::int32_t source, QByteArrayView text) const
{
    const std::size_t mask = table.capacity - 1;
    const std::uint32_t tag = std::uint32_t(hash >> 32);
    const Slot *slotArray = table.cells();
    for (std::size_t i = std::size_t(hash) & mask; slotArray[i].key != 0; i = (i + 1) & mask) {
        if (slotArray[i].tag != tag)
            continue;
        const Key &key = m_keys[slotArray[i].key - 1];
        if (key.source == source && m_pool.view(key.text) == text)
            return std::int64_t(slotArray[i].key - 1);
    }
    return -1;
}

DuplicateIndex::Key *DuplicateIndex::findKey(std::uint64_t hash, std::int32_t source, QByteArrayView text)
{
    if (!m_table.empty()) {
        const std::int64_t key = find(m_table, hash, source, text);
        if (key >= 0)
            return &m_keys[std::size_t(key)];
    }
    if (!m_old.empty()) {
        // A key found only in the old table is one not moved yet, or one
        // that had no rows left when its turn came and was not moved: that
        // one is as good as absent.
        const std::int64_t key = find(m_old, hash, source, text);
        if (key >= 0 && m_keys[std::size_t(key)].count > 0)
            return &m_keys[std::size_t(key)];
    }
    return nullptr;
}

void DuplicateIndex::moveSomeKeys()
{
    if (m_old.empty())
        return;
    const std::size_t end = std::min(m_moveEnd, m_moved + KeysMovedPerOperation);
    for (; m_moved < end; ++m_moved) {
        const Key &key = m_keys[m_moved];
        if (key.count > 0)
            m_table.insert(hashOf(key.source, m_pool.view(key.text)), std::uint32_t(m_moved));
    }
    if (m_moved == m_moveEnd) {
        m_old = Table();
        m_moved = m_moveEnd = 0;
    }
}

void DuplicateIndex::growIfNeeded()
{
    if (m_table.empty()) {
        m_table.allocate(FirstCapacity);
        return;
    }
    if (m_next.empty()) {
        if ((m_table.used + 1) * 10 <= m_table.capacity * 7)
            return;
        m_next.allocate(m_table.capacity * 2);
        m_nextTouched = 0;
    }
    // The larger table's memory is brought in a huge page at each operation
    // before it is used: its slots are filled at random, and the first touch
    // of every page at once would zero them all in one go. Meanwhile the
    // current table goes on taking keys, a little fuller than usual.
    if (m_nextTouched < m_next.memory.size()) {
        reinterpret_cast<volatile char *>(m_next.memory.data())[m_nextTouched] = 0;
        m_nextTouched += LargeBlock::HugePage;
        return;
    }
    // Finish any earlier move first (rare: a move ends long before the next
    // growth), then start moving every key into the larger table.
    while (!m_old.empty())
        moveSomeKeys();
    m_old = std::move(m_table);
    m_table = std::move(m_next);
    m_next = Table();
    m_moved = 0;
    m_moveEnd = m_keys.size();
}

void DuplicateIndex::add(std::int32_t source, const TextPool::Ref &text)
{
    growIfNeeded();
    moveSomeKeys();
    const QByteArrayView bytes = m_pool.view(text);
    const std::uint64_t hash = hashOf(source, bytes);
    Key *key = findKey(hash, source, bytes);
    if (!key) {
        if (m_keys.size() >= UINT32_MAX)
            throw std::length_error("Too many distinct results");
        m_keys.push_back(Key { text, source, 0, 0 });
        m_table.insert(hash, std::uint32_t(m_keys.size() - 1));
        key = &m_keys[m_keys.size() - 1];
    }
    if (key->count++ == 0) {
        ++m_live;
        key->found = 0;
    }
    ++key->found;
}

void DuplicateIndex::remove(std::int32_t source, const TextPool::Ref &text)
{
    moveSomeKeys();
    const QByteArrayView bytes = m_pool.view(text);
    Key *key = findKey(hashOf(source, bytes), source, bytes);
    if (key && key->count > 0 && --key->count == 0)
        --m_live;
}

bool DuplicateIndex::contains(std::int32_t source, QByteArrayView text)
{
    moveSomeKeys();
    const Key *key = findKey(hashOf(source, text), source, text);
    return key && key->count > 0;
}

bool DuplicateIndex::countIfContained(std::int32_t source, QByteArrayView text)
{
    moveSomeKeys();
    Key *key = findKey(hashOf(source, text), source, text);
    if (!key || key->count == 0)
        return false;
    if (key->found < UINT32_MAX)
        ++key->found;
    return true;
}

std::uint32_t DuplicateIndex::found(std::int32_t source, QByteArrayView text) const
{
    const Key *key = const_cast<DuplicateIndex *>(this)->findKey(hashOf(source, text), source, text);
    return key && key->count > 0 ? key->found : 0;
}

void DuplicateIndex::clear()
{
    m_keys.clear();
    m_table = Table();
    m_old = Table();
    m_next = Table();
    m_moved = m_moveEnd = 0;
    m_live = 0;
}
