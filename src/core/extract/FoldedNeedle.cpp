#include "FoldedNeedle.h"

#include "app/Latin1.h"

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
}

qsizetype FoldedNeedle::indexIn(QByteArrayView haystack, qsizetype from) const
{
    if (!m_searchable)
        return -1;
    const qsizetype m = m_lowered.size();
    const qsizetype n = haystack.size();
    if (from < 0)
        from = 0;
    if (m == 0)
        return from <= n ? from : -1;
    if (n - from < m)
        return -1;

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
