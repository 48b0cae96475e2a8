#include "DuplicateIndex.h"

#include <QHashFunctions>

std::uint64_t DuplicateIndex::hashOf(std::int32_t source, QByteArrayView text)
{
    return std::uint64_t(qHashBits(text.data(), size_t(text.size()), size_t(source) * 0x9E3779B97F4A7C15ull));
}

std::size_t DuplicateIndex::find(std::uint64_t hash, std::int32_t source, QByteArrayView text) const
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = std::size_t(hash) & mask;; i = (i + 1) & mask) {
        const Slot &slot = m_slots[i];
        if (!slot.used)
            return i;
        if (slot.hash == hash && slot.source == source && m_pool.view(slot.text) == text)
            return i;
    }
}

void DuplicateIndex::grow()
{
    std::vector<Slot> old = std::move(m_slots);
    m_slots.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
    const std::size_t mask = m_slots.size() - 1;
    for (const Slot &slot : old) {
        if (!slot.used || slot.count == 0)
            continue; // keys whose rows are all gone are dropped here
        std::size_t i = std::size_t(slot.hash) & mask;
        while (m_slots[i].used)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
    m_used = 0;
    for (const Slot &slot : m_slots)
        m_used += slot.used ? 1 : 0;
}

void DuplicateIndex::add(std::int32_t source, const TextPool::Ref &text)
{
    if ((m_used + 1) * 10 > m_slots.size() * 7)
        grow();
    const QByteArrayView bytes = m_pool.view(text);
    const std::uint64_t hash = hashOf(source, bytes);
    Slot &slot = m_slots[find(hash, source, bytes)];
    if (!slot.used) {
        slot = Slot{hash, text, source, 0, true};
        ++m_used;
    }
    ++slot.count;
}

void DuplicateIndex::remove(std::int32_t source, const TextPool::Ref &text)
{
    if (m_slots.empty())
        return;
    const QByteArrayView bytes = m_pool.view(text);
    Slot &slot = m_slots[find(hashOf(source, bytes), source, bytes)];
    if (slot.used && slot.count > 0)
        --slot.count;
}

bool DuplicateIndex::contains(std::int32_t source, QByteArrayView text) const
{
    if (m_slots.empty())
        return false;
    const Slot &slot = m_slots[find(hashOf(source, text), source, text)];
    return slot.used && slot.count > 0;
}

void DuplicateIndex::clear()
{
    m_slots.clear();
    m_used = 0;
}
