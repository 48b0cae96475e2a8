#include "ResultSort.h"

#include "ResultsModel.h"

#include <QLocale>

#include <unicode/ucol.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string_view>
#include <thread>

namespace {

// One row's place in the sort: the first bytes of its collation key as a
// number (most rows differ there), and where the whole key lies.
struct SortEntry
{
    quint64 prefix = 0; // key bytes 0..7, big-endian
    quint64 next = 0; // key bytes 8..15
    quint32 offset = 0;
    quint32 length = 0;
    quint32 stored = 0;
};

quint64 bigEndianAt(const char *key, size_t length, size_t from)
{
    unsigned char bytes[8] = {};
    if (length > from)
        std::memcpy(bytes, key + from, qMin<size_t>(8, length - from));
    quint64 value = 0;
    for (const unsigned char byte : bytes)
        value = (value << 8) | byte;
    return value;
}

// A collator for the user's locale that ignores letter case and reads runs
// of digits as numbers; one per thread (a collator is not shared).
class Collator
{
public:
    Collator()
    {
        UErrorCode status = U_ZERO_ERROR;
        m_collator = ucol_open(QLocale().name().toLatin1().constData(), &status);
        if (U_FAILURE(status) || !m_collator) {
            status = U_ZERO_ERROR;
            m_collator = ucol_open("", &status);
        }
        if (!m_collator)
            return;
        status = U_ZERO_ERROR;
        ucol_setStrength(m_collator, UCOL_SECONDARY);
        ucol_setAttribute(m_collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    }
    ~Collator()
    {
        if (m_collator)
            ucol_close(m_collator);
    }
    Collator(const Collator &) = delete;
    Collator &operator=(const Collator &) = delete;

    // Appends the key of text to keys.
    void appendKey(const QString &text, std::vector<char> &keys)
    {
        if (!m_collator)
            return;
        const auto *chars = reinterpret_cast<const UChar *>(text.utf16());
        const int32_t length = int32_t(qMin<qsizetype>(text.size(), INT32_MAX));
        int32_t needed = ucol_getSortKey(m_collator, chars, length, m_buffer.data(), int32_t(m_buffer.size()));
        if (needed > int32_t(m_buffer.size())) {
            m_buffer.resize(size_t(needed));
            needed = ucol_getSortKey(m_collator, chars, length, m_buffer.data(), int32_t(m_buffer.size()));
        }
        // The key ends in a zero byte, which is not compared.
        const auto *key = reinterpret_cast<const char *>(m_buffer.data());
        keys.insert(keys.end(), key, key + qMax(0, needed - 1));
    }

private:
    UCollator *m_collator = nullptr;
    std::vector<uint8_t> m_buffer = std::vector<uint8_t>(256);
};

// The keys of rows [begin, end) into entries, their bytes into keys.
void makeKeys(const ResultsModel &results, int column, size_t begin, size_t end, std::vector<SortEntry> &entries,
    std::vector<char> &keys)
{
    Collator collator;
    keys.reserve((end - begin) * 48);
    for (size_t stored = begin; stored < end; ++stored) {
        const size_t offset = keys.size();
        collator.appendKey(results.storedCellText(stored, column), keys);
        SortEntry &entry = entries[stored];
        entry.stored = quint32(stored);
        entry.offset = quint32(offset);
        entry.length = quint32(keys.size() - offset);
    }
}

} // namespace

std::vector<std::uint32_t> SortedRows(const ResultsModel &results, int column, Qt::SortOrder direction)
{
    const size_t count = size_t(results.totalSize());
    std::vector<std::uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    const bool descending = direction == Qt::DescendingOrder;
    const bool counts = count > 0 && results.storedCellKind(0, column) == ResultsModel::CellKind::Count;
    if (counts) {
        std::vector<std::uint32_t> found(count);
        for (size_t stored = 0; stored < count; ++stored)
            found[stored] = results.storedFoundCount(stored);
        std::stable_sort(order.begin(), order.end(),
            [&](std::uint32_t a, std::uint32_t b) { return descending ? found[b] < found[a] : found[a] < found[b]; });
        return order;
    }
    // Making the keys is most of the work: both halves at once, each into
    // its own store of key bytes.
    std::vector<SortEntry> entries(count);
    std::vector<char> firstKeys;
    std::vector<char> secondKeys;
    const size_t half = count / 2;
    std::thread other([&] { makeKeys(results, column, half, count, entries, secondKeys); });
    makeKeys(results, column, 0, half, entries, firstKeys);
    other.join();
    const auto keyOf = [&](const SortEntry &entry) {
        const char *base = entry.stored < half ? firstKeys.data() : secondKeys.data();
        return std::string_view(base + entry.offset, entry.length);
    };
    // Results often begin alike ("Subject: ..."): the bytes every key
    // begins with decide nothing, so the two numbers compared first are
    // taken from the bytes after them.
    size_t common = count > 0 ? keyOf(entries[0]).size() : 0;
    for (size_t i = 1; i < count && common > 0; ++i) {
        const std::string_view a = keyOf(entries[0]);
        const std::string_view b = keyOf(entries[i]);
        size_t same = 0;
        const size_t limit = std::min({ common, a.size(), b.size() });
        while (same < limit && a[same] == b[same])
            ++same;
        common = same;
    }
    for (SortEntry &entry : entries) {
        const std::string_view key = keyOf(entry);
        entry.prefix = bigEndianAt(key.data(), key.size(), common);
        entry.next = bigEndianAt(key.data(), key.size(), common + 8);
    }
    // Past those sixteen bytes (equal when compared here), the rest.
    const auto restOf = [&](const SortEntry &entry) {
        const std::string_view key = keyOf(entry);
        return key.size() > common + 16 ? key.substr(common + 16) : std::string_view();
    };
    const auto before = [&](const SortEntry &a, const SortEntry &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        if (a.next != b.next)
            return a.next < b.next;
        return restOf(a) < restOf(b);
    };
    std::stable_sort(entries.begin(), entries.end(),
        [&](const SortEntry &a, const SortEntry &b) { return descending ? before(b, a) : before(a, b); });
    for (size_t i = 0; i < count; ++i)
        order[i] = entries[i].stored;
    return order;
}
