#include "core/extract/UnicodeNeedle.h"

#include "core/extract/MailByteFrequency.h"
#include "core/extract/Utf8Fold.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

// What one needle character can look like in the text.
struct CaseForms
{
    std::vector<unsigned char> lastBytes; // distinct, ascending
    int width = 0; // bytes of every form, 0 when the forms differ in length
    int commonness = 0; // of its last bytes in mail text, summed
    bool fitsMask = false; // last bytes are one byte, or two differing in 0x20 only
    unsigned char byte = 0;
    unsigned char mask = 0;
};

CaseForms caseForms(char32_t lowered)
{
    CaseForms forms;
    bool first = true;
    for (const char32_t c : Utf8Fold::lowerCaseSources(lowered)) {
        unsigned char bytes[4];
        const int length = Utf8Fold::encode(c, bytes);
        forms.lastBytes.push_back(bytes[length - 1]);
        forms.width = first || forms.width == length ? length : 0;
        first = false;
    }
    std::sort(forms.lastBytes.begin(), forms.lastBytes.end());
    forms.lastBytes.erase(std::unique(forms.lastBytes.begin(), forms.lastBytes.end()), forms.lastBytes.end());
    for (const unsigned char b : forms.lastBytes)
        forms.commonness += MailByteFrequency::perMille(static_cast<unsigned char>(Utf8Fold::asciiLower(b)));
    if (forms.lastBytes.size() == 1) {
        forms.fitsMask = true;
        forms.byte = forms.lastBytes[0];
    } else if (forms.lastBytes.size() == 2 && (forms.lastBytes[0] ^ forms.lastBytes[1]) == 0x20) {
        forms.fitsMask = true;
        forms.byte = forms.lastBytes[1];
        forms.mask = 0x20;
    }
    return forms;
}

} // namespace

UnicodeNeedle::UnicodeNeedle(QStringView text)
{
    std::optional<std::vector<char32_t>> lowered = Utf8Fold::lowerCodePoints(text);
    if (!lowered) {
        m_searchable = false;
        return;
    }
    m_lowered = std::move(*lowered);
    m_holdsLineEnd = std::any_of(m_lowered.begin(), m_lowered.end(), [](char32_t c) { return c == '\r' || c == '\n'; });
    if (!m_lowered.empty())
        chooseAnchors();
}

void UnicodeNeedle::chooseAnchors()
{
    const qsizetype m = qsizetype(m_lowered.size());
    std::vector<CaseForms> forms;
    forms.reserve(size_t(m));
    for (const char32_t c : m_lowered)
        forms.push_back(caseForms(c));

    std::vector<qsizetype> byRarity(static_cast<size_t>(m));
    for (qsizetype i = 0; i < m; ++i)
        byRarity[size_t(i)] = i;
    std::stable_sort(byRarity.begin(), byRarity.end(),
        [&](qsizetype a, qsizetype b) { return forms[size_t(a)].commonness < forms[size_t(b)].commonness; });

    // Bytes from the start of the needle to the end of each character, and
    // how many characters up to there vary in length: two characters are a
    // fixed number of bytes apart when none between them varies.
    std::vector<qsizetype> endByte(size_t(m) + 1, 0);
    std::vector<qsizetype> varying(size_t(m) + 1, 0);
    for (qsizetype i = 0; i < m; ++i) {
        endByte[size_t(i) + 1] = endByte[size_t(i)] + forms[size_t(i)].width;
        varying[size_t(i) + 1] = varying[size_t(i)] + (forms[size_t(i)].width == 0 ? 1 : 0);
    }

    // The pair: the rarest character with a mask that has a partner with a
    // mask at a fixed distance, that partner the rarest such. A few of the
    // rarest candidates are enough.
    std::vector<qsizetype> candidates;
    for (const qsizetype i : byRarity) {
        if (forms[size_t(i)].fitsMask)
            candidates.push_back(i);
        if (candidates.size() == 8)
            break;
    }
    for (size_t x = 0; x < candidates.size() && !m_pair; ++x) {
        for (size_t y = x + 1; y < candidates.size(); ++y) {
            const qsizetype a = std::min(candidates[x], candidates[y]);
            const qsizetype b = std::max(candidates[x], candidates[y]);
            if (varying[size_t(b) + 1] != varying[size_t(a) + 1])
                continue;
            m_pair = true;
            m_anchor = a;
            m_pairDistance = endByte[size_t(b) + 1] - endByte[size_t(a) + 1];
            m_afterPair = m - 1 - b;
            m_pairByte = { forms[size_t(a)].byte, forms[size_t(b)].byte };
            m_pairMask = { forms[size_t(a)].mask, forms[size_t(b)].mask };
            break;
        }
    }
    if (!m_pair && !candidates.empty()) {
        const qsizetype a = candidates.front();
        m_pair = true;
        m_anchor = a;
        m_pairDistance = 0;
        m_afterPair = m - 1 - a;
        m_pairByte = { forms[size_t(a)].byte, forms[size_t(a)].byte };
        m_pairMask = { forms[size_t(a)].mask, forms[size_t(a)].mask };
    }
    if (!m_pair) {
        m_anchor = byRarity.front();
        m_lastBytes = forms[size_t(m_anchor)].lastBytes;
        for (const unsigned char b : m_lastBytes)
            m_isLastByte[b] = true;
    }
}

bool UnicodeNeedle::matchesAround(
    const unsigned char *text, qsizetype n, qsizetype from, qsizetype anchorEnd, qsizetype &start, qsizetype &end) const
{
    const char32_t *lowered = m_lowered.data();
    const qsizetype m = qsizetype(m_lowered.size());
    // Backwards from the anchor's last byte over the anchor and what comes
    // before it in the needle; no character may begin before from.
    qsizetype q = anchorEnd;
    for (qsizetype i = m_anchor; i >= 0; --i) {
        if (q <= from)
            return false;
        const unsigned char b = text[q - 1];
        if (b < 0x80) {
            if (Utf8Fold::asciiLower(b) != lowered[i])
                return false;
            --q;
            continue;
        }
        qsizetype lead = q - 1;
        while (lead > from && lead > q - 4 && Utf8Fold::isContinuation(text[lead]))
            --lead;
        int length = 0;
        if (Utf8Fold::lowerAt(text, lead, n, length) != lowered[i] || lead + length != q)
            return false;
        q = lead;
    }
    // Forwards over the rest.
    qsizetype p = anchorEnd;
    for (qsizetype i = m_anchor + 1; i < m; ++i) {
        if (p >= n)
            return false;
        const unsigned char b = text[p];
        if (b < 0x80) {
            if (Utf8Fold::asciiLower(b) != lowered[i])
                return false;
            ++p;
            continue;
        }
        int length = 0;
        if (Utf8Fold::lowerAt(text, p, n, length) != lowered[i])
            return false;
        p += length;
    }
    start = q;
    end = p;
    return true;
}

qsizetype UnicodeNeedle::indexIn(QByteArrayView utf8, qsizetype from, qsizetype *matchLength) const
{
    if (!m_searchable)
        return -1;
    from = std::max<qsizetype>(from, 0);
    const qsizetype n = utf8.size();
    if (m_lowered.empty()) {
        if (from > n)
            return -1;
        if (matchLength)
            *matchLength = 0;
        return from;
    }
    // Every character is at least one byte.
    if (n - from < qsizetype(m_lowered.size()))
        return -1;
    const auto *text = reinterpret_cast<const unsigned char *>(utf8.data());
    return m_pair ? pairIndexIn(text, n, from, matchLength) : byteSetIndexIn(text, n, from, matchLength);
}

namespace {

// Reports the first start position (from bits, a mask of positions from s
// on) that check accepts, -1 past last, -2 when none of them did.
template <class Check> qsizetype firstOfBits(std::uint32_t bits, qsizetype s, qsizetype last, const Check &check)
{
    while (bits) {
        const qsizetype at = s + std::countr_zero(bits);
        if (at > last)
            return -1;
        const qsizetype found = check(at);
        if (found >= 0)
            return found;
        bits &= bits - 1;
    }
    return -2;
}

struct PairScan
{
    const unsigned char *text;
    qsizetype n;
    qsizetype last;
    qsizetype distance;
    std::array<unsigned char, 2> bytes;
    std::array<unsigned char, 2> masks;
};

#if defined(__SSE2__)
template <class Check> qsizetype pairScanSse2(const PairScan &t, qsizetype &s, const Check &check)
{
    const __m128i byteA = _mm_set1_epi8(char(t.bytes[0]));
    const __m128i byteB = _mm_set1_epi8(char(t.bytes[1]));
    const __m128i maskA = _mm_set1_epi8(char(t.masks[0]));
    const __m128i maskB = _mm_set1_epi8(char(t.masks[1]));
    for (; s + t.distance + 16 <= t.n && s <= t.last; s += 16) {
        const __m128i atA = _mm_loadu_si128(reinterpret_cast<const __m128i *>(t.text + s));
        const __m128i atB = _mm_loadu_si128(reinterpret_cast<const __m128i *>(t.text + s + t.distance));
        const auto bits = std::uint32_t(_mm_movemask_epi8(_mm_and_si128(
            _mm_cmpeq_epi8(_mm_or_si128(atA, maskA), byteA), _mm_cmpeq_epi8(_mm_or_si128(atB, maskB), byteB))));
        if (bits) {
            const qsizetype found = firstOfBits(bits, s, t.last, check);
            if (found != -2)
                return found;
        }
    }
    return -2;
}
#endif

#if defined(__x86_64__) || defined(__i386__)
#define TOLLERVANE_UNICODE_AVX2 1
template <class Check>
[[gnu::target("avx2")]] qsizetype pairScanAvx2(const PairScan &t, qsizetype &s, const Check &check)
{
    const __m256i byteA = _mm256_set1_epi8(char(t.bytes[0]));
    const __m256i byteB = _mm256_set1_epi8(char(t.bytes[1]));
    const __m256i maskA = _mm256_set1_epi8(char(t.masks[0]));
    const __m256i maskB = _mm256_set1_epi8(char(t.masks[1]));
    for (; s + t.distance + 32 <= t.n && s <= t.last; s += 32) {
        const __m256i atA = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(t.text + s));
        const __m256i atB = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(t.text + s + t.distance));
        const auto bits
            = std::uint32_t(_mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(atA, maskA), byteA),
                _mm256_cmpeq_epi8(_mm256_or_si256(atB, maskB), byteB))));
        if (bits) {
            const qsizetype found = firstOfBits(bits, s, t.last, check);
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

qsizetype UnicodeNeedle::pairIndexIn(
    const unsigned char *text, qsizetype n, qsizetype from, qsizetype *matchLength) const
{
    // The anchor ends at least m_anchor bytes after from; what follows the
    // second character needs a byte per character.
    const PairScan scan { text, n, n - 1 - m_pairDistance - m_afterPair, m_pairDistance, m_pairByte, m_pairMask };
    const auto check = [&](qsizetype at) -> qsizetype {
        qsizetype start = 0;
        qsizetype end = 0;
        if (!matchesAround(text, n, from, at + 1, start, end))
            return -1;
        if (matchLength)
            *matchLength = end - start;
        return start;
    };
    qsizetype s = from + m_anchor;
    qsizetype found = -2;
#if defined(TOLLERVANE_UNICODE_AVX2)
    if (haveAvx2())
        found = pairScanAvx2(scan, s, check);
#endif
#if defined(__SSE2__)
    if (found == -2)
        found = pairScanSse2(scan, s, check);
#endif
    if (found != -2)
        return found;
    for (; s <= scan.last; ++s) {
        if ((text[s] | m_pairMask[0]) == m_pairByte[0] && (text[s + m_pairDistance] | m_pairMask[1]) == m_pairByte[1]) {
            const qsizetype start = check(s);
            if (start >= 0)
                return start;
        }
    }
    return -1;
}

qsizetype UnicodeNeedle::byteSetIndexIn(
    const unsigned char *text, qsizetype n, qsizetype from, qsizetype *matchLength) const
{
    const qsizetype last = n - 1 - (qsizetype(m_lowered.size()) - 1 - m_anchor);
    for (qsizetype s = from + m_anchor; s <= last; ++s) {
        if (m_lastBytes.size() == 1) {
            const void *hit = std::memchr(text + s, m_lastBytes[0], size_t(last + 1 - s));
            if (!hit)
                return -1;
            s = static_cast<const unsigned char *>(hit) - text;
        } else if (!m_isLastByte[text[s]]) {
            continue;
        }
        qsizetype start = 0;
        qsizetype end = 0;
        if (matchesAround(text, n, from, s + 1, start, end)) {
            if (matchLength)
                *matchLength = end - start;
            return start;
        }
    }
    return -1;
}
