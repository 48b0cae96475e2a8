#pragma once

#include "LargeBlock.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <vector>

// Compact storage for result texts: their 8-bit bytes packed into large
// chunks, addressed by a small reference. Texts are only ever appended; the
// newest text can be taken back (a duplicate that is not kept), and the pool
// is emptied as a whole.
class TextPool
{
public:
    struct Ref
    {
        std::uint32_t chunk = 0;
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };

    // One huge page: see LargeBlock.
    static constexpr std::size_t ChunkSize = LargeBlock::HugePage;

    Ref add(QByteArrayView text);
    // Stores a large text by sharing the buffer it lies in instead of copying
    // it; the buffer is kept as long as the pool holds the text.
    Ref addShared(const QByteArray &owner, QByteArrayView text);
    // Takes back the text that the last add() stored.
    void removeLast(const Ref &ref);
    QByteArrayView view(const Ref &ref) const
    {
        return QByteArrayView(m_chunks[ref.chunk].bytes() + ref.offset, qsizetype(ref.length));
    }
    void clear();
    std::size_t bytesReserved() const;

private:
    struct Chunk
    {
        LargeBlock data;
        std::size_t capacity = 0;
        std::size_t used = 0;
        QByteArray shared; // set for a text kept in its own buffer
        const char *sharedData = nullptr; // where that text starts
        const char *bytes() const { return sharedData ? sharedData : data.data(); }
    };
    std::vector<Chunk> m_chunks;
};
