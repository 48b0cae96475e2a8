#include "LargeBuffers.h"

#include <algorithm>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace LargeBuffers {

namespace {

// Offers the whole huge pages inside [begin, end) for huge pages. The range
// must be memory of one allocation not written yet (what is written already
// stays in the small pages it has).
void adviseHugePages([[maybe_unused]] char *begin, [[maybe_unused]] char *end)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t HugePage = std::uintptr_t(2) << 20;
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(begin) + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(end) & ~(HugePage - 1);
    if (first < last)
        ::madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#endif
}

// Makes the whole pages inside [begin, end) present at once, writable: one
// call instead of a fault for each page as it is first written. Only advice:
// a kernel without it leaves the pages to fault in as before.
void populate([[maybe_unused]] char *begin, [[maybe_unused]] char *end)
{
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    constexpr std::uintptr_t Page = 4096;
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(begin) + Page - 1) & ~(Page - 1);
    const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(end) & ~(Page - 1);
    if (first < last)
        ::madvise(reinterpret_cast<void *>(first), last - first, MADV_POPULATE_WRITE);
#endif
}

} // namespace

QByteArray uninitialised(qsizetype size)
{
    QByteArray bytes;
    reserveAppend(bytes, size);
    bytes.resize(size);
    // It is about to be filled whole (a file read into it, say). A large
    // one is left to fill in huge pages piece by piece: making it present at
    // once would hold the thread for as long as that takes.
    if (size < LargeFrom)
        populate(bytes.data(), bytes.data() + bytes.size());
    return bytes;
}

void reserveAppend(QByteArray &bytes, qsizetype more)
{
    const qsizetype needed = bytes.size() + more;
    if (needed <= bytes.capacity() && bytes.isDetached())
        return;
    // Grown at least by half, as appending would grow it, so that a text
    // made of many large pieces is not reallocated for each.
    const qsizetype capacity = needed >= LargeFrom ? std::max(needed, bytes.size() + bytes.size() / 2) : needed;
    bytes.reserve(capacity);
    if (bytes.capacity() >= LargeFrom)
        adviseHugePages(bytes.data() + bytes.size(), bytes.data() + bytes.capacity());
}

} // namespace LargeBuffers
