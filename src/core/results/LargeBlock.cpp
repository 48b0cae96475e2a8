#include "LargeBlock.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>
#include <utility>

namespace {
std::size_t roundUp(std::size_t value, std::size_t unit)
{
    return (value + unit - 1) / unit * unit;
}

void *mapZeroed(std::size_t bytes)
{
    void *memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw std::bad_alloc();
    return memory;
}
} // namespace

LargeBlock::LargeBlock(std::size_t bytes)
    : m_size(bytes)
{
    if (bytes == 0)
        return;
    static const std::size_t page = std::size_t(::sysconf(_SC_PAGESIZE));
    if (bytes < HugePage) {
        m_mapped = roundUp(bytes, page);
        m_memory = mapZeroed(m_mapped);
        return;
    }
    // Map one huge page more than needed and give back the ends, so that
    // what is kept starts on a huge-page boundary.
    m_mapped = roundUp(bytes, HugePage);
    char *raw = static_cast<char *>(mapZeroed(m_mapped + HugePage));
    char *aligned = reinterpret_cast<char *>(roundUp(reinterpret_cast<std::uintptr_t>(raw), HugePage));
    if (aligned > raw)
        ::munmap(raw, std::size_t(aligned - raw));
    const std::size_t tail = std::size_t(raw + m_mapped + HugePage - (aligned + m_mapped));
    if (tail > 0)
        ::munmap(aligned + m_mapped, tail);
    // Only advice: where huge pages are off, the block works the same.
    ::madvise(aligned, m_mapped, MADV_HUGEPAGE);
    m_memory = aligned;
}

LargeBlock::~LargeBlock()
{
    release();
}

LargeBlock::LargeBlock(LargeBlock &&other) noexcept
    : m_memory(std::exchange(other.m_memory, nullptr))
    , m_size(std::exchange(other.m_size, 0))
    , m_mapped(std::exchange(other.m_mapped, 0))
{ }

LargeBlock &LargeBlock::operator=(LargeBlock &&other) noexcept
{
    if (this != &other) {
        release();
        m_memory = std::exchange(other.m_memory, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapped = std::exchange(other.m_mapped, 0);
    }
    return *this;
}

void LargeBlock::release()
{
    if (m_memory)
        ::munmap(m_memory, m_mapped);
    m_memory = nullptr;
    m_size = 0;
    m_mapped = 0;
}
