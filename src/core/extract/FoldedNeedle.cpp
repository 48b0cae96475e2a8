#include "FoldedNeedle.h"

#include "core/app/Latin1.h"
#include "core/extract/MailByteFrequency.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

int commonness(unsigned char c)
{
    return MailByteFrequency::perMille(c);
}

// A character at least this common is not worth a memchr per occurrence.
constexpr int CommonFromPerMille = 25;

} // namespace

FoldedNeedle::FoldedNeedle(QStringView text)
{
    const std::optional<QByteArray> bytes = Latin1::fromString(text);
    if (!bytes) {
        m_searchable = false;
        return;
    }
    m_lowered = Latin1::toLower(*bytes);
    const auto m = std::uint32_t(m_lowered.size());
    m_shift.fill(m);
    for (std::uint32_t i = 0; i + 1 < m; ++i)
        m_shift[static_cast<unsigned char>(m_lowered[i])] = m - 1 - i;

    for (qsizetype i = 0; i < m_lowered.size(); ++i) {
        const auto c = static_cast<unsigned char>(m_lowered[i]);
        if (commonness(c) < CommonFromPerMille
            && (m_rarePosition < 0
                || commonness(c) < commonness(static_cast<unsigned char>(m_lowered[m_rarePosition]))))
            m_rarePosition = i;
    }
    // The pair: the two rarest positions whose character's byte forms can
    // be told by one comparison.
    const auto &lowerTable = Latin1::lowerTable();
    std::vector<qsizetype> byRarity(size_t(m_lowered.size()));
    for (qsizetype i = 0; i < m_lowered.size(); ++i)
        byRarity[size_t(i)] = i;
    std::stable_sort(byRarity.begin(), byRarity.end(), [&](qsizetype a, qsizetype b) {
        return commonness(static_cast<unsigned char>(m_lowered[a]))
            < commonness(static_cast<unsigned char>(m_lowered[b]));
    });
    int chosen = 0;
    for (const qsizetype i : byRarity) {
        const auto c = static_cast<unsigned char>(m_lowered[i]);
        int forms = 0;
        bool otherCase = false;
        for (int b = 0; b < 256; ++b) {
            if (lowerTable[b] == c) {
                ++forms;
                otherCase = otherCase || b == (c ^ 0x20);
            }
        }
        unsigned char mask = 0;
        if (forms == 2 && otherCase && (c & 0x20))
            mask = 0x20;
        else if (forms != 1 || lowerTable[c] != c)
            continue;
        m_pairAt[size_t(chosen)] = i;
        m_pairByte[size_t(chosen)] = c | mask;
        m_pairMask[size_t(chosen)] = mask;
        if (++chosen == 2)
            break;
    }
    if (chosen == 1) {
        m_pairAt[1] = m_pairAt[0];
        m_pairByte[1] = m_pairByte[0];
        m_pairMask[1] = m_pairMask[0];
    } else if (chosen == 0) {
        m_pairAt = { -1, -1 };
    }

    if (m_rarePosition >= 0) {
        const auto rare = static_cast<unsigned char>(m_lowered[m_rarePosition]);
        const auto &lower = Latin1::lowerTable();
        for (int b = 0; b < 256; ++b) {
            if (lower[b] == rare && m_rareByteCount < 2)
                m_rareBytes[size_t(m_rareByteCount++)] = static_cast<unsigned char>(b);
        }
    }
}

qsizetype FoldedNeedle::indexIn(QByteArrayView haystack, qsizetype from) const
{
    if (!m_searchable)
        return -1;
    const qsizetype m = m_lowered.size();
    if (from < 0)
        from = 0;
    if (m == 0)
        return from <= haystack.size() ? from : -1;
    if (haystack.size() - from < m)
        return -1;
#if defined(__SSE2__)
    if (m_pairAt[0] >= 0)
        return pairIndexIn(haystack, from);
#endif
    return m_rarePosition >= 0 ? rareByteIndexIn(haystack, from) : horspoolIndexIn(haystack, from);
}

#if defined(__SSE2__)
namespace {
// The pair test over many start positions at once: from s on, while a whole
// vector fits, the bytes at the pair's two positions, or-ed with their masks,
// are compared with the pair's bytes; each start where both agree is checked
// with occursAt. Returns the first start found, -1 when a start beyond last
// is reached, or -2 with s where the vectors stopped.
struct PairTest
{
    const unsigned char *text;
    qsizetype n;
    qsizetype last;
    qsizetype a;
    qsizetype b;
    std::array<unsigned char, 2> bytes;
    std::array<unsigned char, 2> masks;
};

template <class Check> qsizetype firstOfBits(unsigned bits, qsizetype s, qsizetype last, const Check &occursAt)
{
    while (bits) {
        const qsizetype at = s + std::countr_zero(bits);
        if (at > last)
            return -1;
        if (occursAt(at))
            return at;
        bits &= bits - 1;
    }
    return -2;
}

template <class Check> qsizetype pairScanSse2(const PairTest &t, qsizetype &s, const Check &occursAt)
{
    const __m128i byteA = _mm_set1_epi8(char(t.bytes[0]));
    const __m128i byteB = _mm_set1_epi8(char(t.bytes[1]));
    const __m128i maskA = _mm_set1_epi8(char(t.masks[0]));
    const __m128i maskB = _mm_set1_epi8(char(t.masks[1]));
    const qsizetype reach = std::max(t.a, t.b) + 16;
    for (; s + reach <= t.n; s += 16) {
        const __m128i atA = _mm_loadu_si128(reinterpret_cast<const __m128i *>(t.text + s + t.a));
        const __m128i atB = _mm_loadu_si128(reinterpret_cast<const __m128i *>(t.text + s + t.b));
        const auto bits = unsigned(_mm_movemask_epi8(_mm_and_si128(
            _mm_cmpeq_epi8(_mm_or_si128(atA, maskA), byteA), _mm_cmpeq_epi8(_mm_or_si128(atB, maskB), byteB))));
        if (bits) {
            const qsizetype found = firstOfBits(bits, s, t.last, occursAt);
            if (found != -2)
                return found;
        }
    }
    return -2;
}

#if defined(__x86_64__) || defined(__i386__)
#define TOLLERVANE_HAVE_AVX2 1
template <class Check>
[[gnu::target("avx2")]] qsizetype pairScanAvx2(const PairTest &t, qsizetype &s, const Check &occursAt)
{
    const __m256i byteA = _mm256_set1_epi8(char(t.bytes[0]));
    const __m256i byteB = _mm256_set1_epi8(char(t.bytes[1]));
    const __m256i maskA = _mm256_set1_epi8(char(t.masks[0]));
    const __m256i maskB = _mm256_set1_epi8(char(t.masks[1]));
    const qsizetype reach = std::max(t.a, t.b) + 32;
    for (; s + reach <= t.n; s += 32) {
        const __m256i atA = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(t.text + s + t.a));
        const __m256i atB = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(t.text + s + t.b));
        const auto bits
            = unsigned(_mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(atA, maskA), byteA),
                _mm256_cmpeq_epi8(_mm256_or_si256(atB, maskB), byteB))));
        if (bits) {
            const qsizetype found = firstOfBits(bits, s, t.last, occursAt);
            if (found != -2)
                return found;
        }
    }
    return -2;
}

bool haveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}
#endif
} // namespace

qsizetype FoldedNeedle::pairIndexIn(QByteArrayView haystack, qsizetype from) const
{
    const auto *text = reinterpret_cast<const unsigned char *>(haystack.data());
    const PairTest test { text, haystack.size(), haystack.size() - m_lowered.size(), m_pairAt[0], m_pairAt[1],
        m_pairByte, m_pairMask };
    const auto check = [&](qsizetype at) { return occursAt(text, at); };

    // Many start positions at a time, then what is left one at a time.
    qsizetype s = from;
    qsizetype found = -2;
#if defined(TOLLERVANE_HAVE_AVX2)
    if (haveAvx2())
        found = pairScanAvx2(test, s, check);
#endif
    if (found == -2)
        found = pairScanSse2(test, s, check);
    if (found != -2)
        return found;
    for (; s <= test.last; ++s) {
        if ((text[s + test.a] | m_pairMask[0]) == m_pairByte[0] && (text[s + test.b] | m_pairMask[1]) == m_pairByte[1]
            && occursAt(text, s))
            return s;
    }
    return -1;
}
#endif

bool FoldedNeedle::occursAt(const unsigned char *text, qsizetype at) const
{
    const auto &lower = Latin1::lowerTable();
    const auto *needle = reinterpret_cast<const unsigned char *>(m_lowered.constData());
    for (qsizetype j = 0; j < m_lowered.size(); ++j) {
        if (lower[text[at + j]] != needle[j])
            return false;
    }
    return true;
}

qsizetype FoldedNeedle::rareByteIndexIn(QByteArrayView haystack, qsizetype from) const
{
    const qsizetype m = m_lowered.size();
    const qsizetype n = haystack.size();
    const auto *text = reinterpret_cast<const unsigned char *>(haystack.data());
    // The next occurrence of each form of the rare character at or after
    // the cursor; -2 until looked for, -1 when there is none.
    qsizetype next[2] = { -2, -2 };
    for (qsizetype cursor = from + m_rarePosition; cursor < n;) {
        qsizetype candidate = -1;
        for (int v = 0; v < m_rareByteCount; ++v) {
            if (next[v] != -1 && next[v] < cursor) {
                const void *hit = std::memchr(text + cursor, m_rareBytes[size_t(v)], size_t(n - cursor));
                next[v] = hit ? static_cast<const unsigned char *>(hit) - text : -1;
            }
            if (next[v] >= 0 && (candidate < 0 || next[v] < candidate))
                candidate = next[v];
        }
        if (candidate < 0)
            return -1;
        const qsizetype start = candidate - m_rarePosition;
        if (start + m > n)
            return -1;
        if (occursAt(text, start))
            return start;
        cursor = candidate + 1;
    }
    return -1;
}

qsizetype FoldedNeedle::horspoolIndexIn(QByteArrayView haystack, qsizetype from) const
{
    const qsizetype m = m_lowered.size();
    const qsizetype n = haystack.size();
    const auto &lower = Latin1::lowerTable();
    const auto *hay = reinterpret_cast<const unsigned char *>(haystack.data());
    const auto *needle = reinterpret_cast<const unsigned char *>(m_lowered.constData());

    if (m == 1) {
        const unsigned char wanted = needle[0];
        for (qsizetype i = from; i < n; ++i) {
            if (lower[hay[i]] == wanted)
                return i;
        }
        return -1;
    }

    const unsigned char last = needle[m - 1];
    for (qsizetype i = from; i + m <= n;) {
        const unsigned char tail = lower[hay[i + m - 1]];
        if (tail == last) {
            qsizetype j = m - 2;
            while (j >= 0 && lower[hay[i + j]] == needle[j])
                --j;
            if (j < 0)
                return i;
        }
        i += m_shift[tail];
    }
    return -1;
}
