#pragma once

#include "LargeBlock.h"

#include <cstddef>
#include <type_traits>
#include <vector>

// An array of plain values kept in huge-page blocks (see LargeBlock): it
// grows a block at a time, so appending never copies what is already there,
// and millions of elements cost a few hundred page faults.
template <typename T> class PagedArray
{
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(sizeof(T) <= LargeBlock::HugePage);

public:
    static constexpr std::size_t PerBlock = LargeBlock::HugePage / sizeof(T);

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    T &operator[](std::size_t i) { return at(i); }
    const T &operator[](std::size_t i) const { return const_cast<PagedArray *>(this)->at(i); }

    void push_back(const T &value)
    {
        // Each block is a whole huge page, also when the elements leave a
        // few bytes of it unused: a smaller block would be backed by small
        // pages, at one page fault per 4 KiB.
        if (m_size == m_blocks.size() * PerBlock)
            m_blocks.emplace_back(LargeBlock::HugePage);
        at(m_size++) = value;
    }

    // Removes the elements [first, last); the later ones move down.
    void erase(std::size_t first, std::size_t last)
    {
        for (std::size_t from = last; from < m_size; ++from)
            at(first + from - last) = at(from);
        truncate(m_size - (last - first));
    }

    // Keeps the first count elements and gives back the blocks past them.
    void truncate(std::size_t count)
    {
        if (count >= m_size)
            return;
        m_size = count;
        m_blocks.resize((count + PerBlock - 1) / PerBlock);
    }

    void clear()
    {
        m_blocks.clear();
        m_size = 0;
    }

private:
    T &at(std::size_t i) { return reinterpret_cast<T *>(m_blocks[i / PerBlock].data())[i % PerBlock]; }

    std::vector<LargeBlock> m_blocks;
    std::size_t m_size = 0;
};
