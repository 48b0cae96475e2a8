#include "DuplicateIndex.h"

#include <QHashFunctions>

#include <new>

namespace {
constexpr std::size_t FirstCapacity = 1024;
constexpr std::size_t SlotsMovedPerOperation = 64;
} // namespace

std::uint64_t DuplicateIndex::hashOf(std::int32_t source, QByteArrayView text)
{
    return std::uint64_t(qHashBits(text.data(), size_t(text.size()), size_t(source) * 0x9E3779B97F4A7C15ull));
}

void DuplicateIndex::Table::allocate(std::size_t newCapacity)
{
    // calloc: large blocks come straight from the system as untouched zero
    // pages, so a big table costs nothing until its cells are used.
    auto *memory = static_cast<Slot *>(std::calloc(newCapacity, sizeof(Slot)));
    if (!memory)
        throw std::bad_alloc();
    cells.reset(memory);
    capacity = newCapacity;
    used = 0;
}

DuplicateIndex::Slot &DuplicateIndex::Table::find(
    const TextPool &pool, std::uint64_t hash, std::int32_t source, QByteArrayView text) const
{
    const std::size_t mask = capacity - 1;
    for (std::size_t i = std::size_t(hash) & mask;; i = (i + 1) & mask) {
        Slot &slot = cells[i];
        if (!slot.used)
            return slot;
        if (slot.hash == hash && slot.source == source && pool.view(slot.text) == text)
            return slot;
    }
}

DuplicateIndex::Slot &DuplicateIndex::Table::emptySlotFor(std::uint64_t hash) const
{
    const std::size_t mask = capacity - 1;
    std::size_t i = std::size_t(hash) & mask;
    while (cells[i].used)
        i = (i + 1) & mask;
    return cells[i];
}

void DuplicateIndex::moveSomeOldSlots()
{
    if (m_old.empty())
        return;
    const std::size_t end = std::min(m_old.capacity, m_moved + SlotsMovedPerOperation);
    for (; m_moved < end; ++m_moved) {
        Slot &slot = m_old.cells[m_moved];
        if (!slot.used || slot.count == 0)
            continue;
        Slot &target = m_table.emptySlotFor(slot.hash);
        target = slot;
        ++m_table.used;
        slot.count = 0; // stays used, so the old table's probe chains hold
    }
    if (m_moved == m_old.capacity) {
        m_old = Table();
        m_moved = 0;
    }
}

void DuplicateIndex::growIfNeeded()
{
    if (m_table.empty()) {
        m_table.allocate(FirstCapacity);
        return;
    }
    if ((m_table.used + 1) * 10 <= m_table.capacity * 7)
        return;
    // Finish any earlier move first (rare: a move ends long before the next
    // growth), then start moving into a table twice the size.
    while (!m_old.empty())
        moveSomeOldSlots();
    m_old = std::move(m_table);
    m_table = Table();
    m_table.allocate(m_old.capacity * 2);
    m_moved = 0;
}

DuplicateIndex::Slot *DuplicateIndex::findLive(std::uint64_t hash, std::int32_t source, QByteArrayView text)
{
    if (!m_table.empty()) {
        Slot &slot = m_table.find(m_pool, hash, source, text);
        if (slot.used)
            return &slot;
    }
    if (!m_old.empty()) {
        Slot &slot = m_old.find(m_pool, hash, source, text);
        if (slot.used && slot.count > 0)
            return &slot;
    }
    return nullptr;
}

void DuplicateIndex::add(std::int32_t source, const TextPool::Ref &text)
{
    growIfNeeded();
    moveSomeOldSlots();
    const QByteArrayView bytes = m_pool.view(text);
    const std::uint64_t hash = hashOf(source, bytes);
    Slot &slot = m_table.find(m_pool, hash, source, bytes);
    if (!slot.used) {
        // Not in the new table: take its count from the old one, if there.
        std::uint32_t count = 0;
        if (!m_old.empty()) {
            Slot &old = m_old.find(m_pool, hash, source, bytes);
            if (old.used) {
                count = old.count;
                old.count = 0;
            }
        }
        slot = Slot { hash, text, source, count, 1 };
        ++m_table.used;
    }
    if (slot.count++ == 0)
        ++m_live;
}

void DuplicateIndex::remove(std::int32_t source, const TextPool::Ref &text)
{
    moveSomeOldSlots();
    const QByteArrayView bytes = m_pool.view(text);
    Slot *slot = findLive(hashOf(source, bytes), source, bytes);
    if (slot && slot->count > 0 && --slot->count == 0)
        --m_live;
}

bool DuplicateIndex::contains(std::int32_t source, QByteArrayView text)
{
    moveSomeOldSlots();
    const Slot *slot = findLive(hashOf(source, text), source, text);
    return slot && slot->count > 0;
}

void DuplicateIndex::clear()
{
    m_table = Table();
    m_old = Table();
    m_moved = 0;
    m_live = 0;
}
