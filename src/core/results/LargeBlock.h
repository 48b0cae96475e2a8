#pragma once

#include <cstddef>

// Zeroed memory for the large stores of a run (result texts, their rows and
// their index), taken straight from the system. A block of 2 MiB or more is
// aligned so that the kernel may back it with huge pages: filling hundreds
// of megabytes then costs one page fault per 2 MiB instead of one per 4 KiB,
// which on a virtual machine is most of the cost of storing the results.
// The memory goes back to the system when the block is destroyed.
class LargeBlock
{
public:
    static constexpr std::size_t HugePage = std::size_t(2) << 20;

    LargeBlock() = default;
    // Throws std::bad_alloc when the system refuses the memory.
    explicit LargeBlock(std::size_t bytes);
    ~LargeBlock();
    LargeBlock(LargeBlock &&other) noexcept;
    LargeBlock &operator=(LargeBlock &&other) noexcept;
    LargeBlock(const LargeBlock &) = delete;
    LargeBlock &operator=(const LargeBlock &) = delete;

    char *data() const { return static_cast<char *>(m_memory); }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_memory == nullptr; }

private:
    void release();

    void *m_memory = nullptr;
    std::size_t m_size = 0; // what was asked for
    std::size_t m_mapped = 0; // what is mapped, whole pages
};
