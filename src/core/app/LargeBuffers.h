#pragma once

#include <QByteArray>

// Byte arrays for texts of many megabytes (a whole file, its decoded text).
// Filling fresh memory costs a page fault per page, and on a virtual machine
// those faults cost many times the copy itself: a large buffer is therefore
// offered to the kernel for huge pages before anything is written to it, so
// that 100 MB cost some fifty faults instead of some twenty-five thousand.
// Only advice: where huge pages are off, the arrays work the same.
namespace LargeBuffers {

// Below this size an array is left as the allocator gives it.
constexpr qsizetype LargeFrom = qsizetype(4) << 20;

// An array of size bytes, not initialised; below LargeFrom its pages are
// made present at once (it is about to be filled whole).
QByteArray uninitialised(qsizetype size);

// Room for at least more bytes after the end of bytes (its capacity grown,
// and the room not yet written offered for huge pages when it is large), so
// that appending them allocates nothing.
void reserveAppend(QByteArray &bytes, qsizetype more);

} // namespace LargeBuffers
