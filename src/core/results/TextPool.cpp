#include "TextPool.h"

#include <cstring>
#include <stdexcept>

TextPool::Ref TextPool::add(QByteArrayView text)
{
    const std::size_t length = std::size_t(text.size());
    if (length > UINT32_MAX)
        throw std::length_error("A single result is larger than 4 GiB");
    // A shared chunk holds its one text only.
    if (m_chunks.empty() || m_chunks.back().sharedData || m_chunks.back().capacity - m_chunks.back().used < length) {
        // A text larger than a chunk gets a chunk of its own size.
        const std::size_t capacity = length > ChunkSize ? length : ChunkSize;
        Chunk chunk;
        chunk.data = LargeBlock(capacity);
        chunk.capacity = capacity;
        m_chunks.push_back(std::move(chunk));
    }
    Chunk &chunk = m_chunks.back();
    if (length)
        std::memcpy(chunk.data.data() + chunk.used, text.data(), length);
    const Ref ref { std::uint32_t(m_chunks.size() - 1), std::uint32_t(chunk.used), std::uint32_t(length) };
    chunk.used += length;
    return ref;
}

TextPool::Ref TextPool::addShared(const QByteArray &owner, QByteArrayView text)
{
    if (std::size_t(text.size()) > UINT32_MAX)
        throw std::length_error("A single result is larger than 4 GiB");
    Chunk chunk;
    chunk.shared = owner;
    chunk.sharedData = text.data();
    chunk.capacity = chunk.used = std::size_t(text.size());
    m_chunks.push_back(std::move(chunk));
    return Ref { std::uint32_t(m_chunks.size() - 1), 0, std::uint32_t(text.size()) };
}

void TextPool::removeLast(const Ref &ref)
{
    Chunk &chunk = m_chunks[ref.chunk];
    if (chunk.sharedData) {
        m_chunks.resize(ref.chunk);
        return;
    }
    chunk.used = ref.offset;
    if (chunk.used == 0 && ref.chunk + 1 == m_chunks.size())
        m_chunks.pop_back();
}

void TextPool::clear()
{
    m_chunks.clear();
}

std::size_t TextPool::bytesReserved() const
{
    std::size_t total = 0;
    for (const Chunk &chunk : m_chunks)
        total += chunk.capacity;
    return total;
}
