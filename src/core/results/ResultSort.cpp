#include "ResultSort.h"

#include "ResultsModel.h"

#include <QLocale>

#include <unicode/ucol.h>
#include <unicode/uiter.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <thread>

// Rows are sorted by their collation keys a part at a time: every row's
// first sixteen key bytes, then, only among rows still tied, the next
// sixteen, and so on. Most rows differ early, so most keys are never made
// whole; rows that begin alike ("Subject: ...") cost a few parts more.

namespace {

constexpr int32_t PartBytes = 16;

// One row's place in the sort: the key part it is at, as two big-endian
// numbers (zero past the key's end, which sorts a shorter key first), and
// where the collator left off in its text.
struct SortEntry
{
    quint64 high = 0;
    quint64 low = 0;
    quint32 stored = 0;
    uint32_t state[2] = { 0, 0 };
    bool ended = false;
};

quint64 bigEndian(const uint8_t *bytes)
{
    quint64 value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | bytes[i];
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

    // The next part of the key of a text (UTF-8 when unicode, else one
    // character a byte), going on from the entry's state.
    void nextPart(QByteArrayView text, bool unicode, SortEntry &entry)
    {
        UCharIterator iterator;
        if (unicode) {
            uiter_setUTF8(&iterator, text.data(), int32_t(qMin<qsizetype>(text.size(), INT32_MAX)));
        } else {
            m_wide.resize(size_t(text.size()));
            for (qsizetype i = 0; i < text.size(); ++i)
                m_wide[size_t(i)] = UChar(static_cast<unsigned char>(text[i]));
            uiter_setString(&iterator, m_wide.data(), int32_t(qMin<size_t>(m_wide.size(), INT32_MAX)));
        }
        uint8_t part[PartBytes] = {};
        UErrorCode status = U_ZERO_ERROR;
        const int32_t made
            = m_collator ? ucol_nextSortKeyPart(m_collator, &iterator, entry.state, part, PartBytes, &status) : 0;
        setPart(entry, part, U_FAILURE(status) ? 0 : made);
    }

    // The whole key of a text, made once (a path shared by many rows).
    std::vector<uint8_t> wholeKey(const QString &text)
    {
        std::vector<uint8_t> key;
        if (!m_collator)
            return key;
        UCharIterator iterator;
        uint32_t state[2] = { 0, 0 };
        for (;;) {
            uiter_setString(&iterator, reinterpret_cast<const UChar *>(text.utf16()),
                int32_t(qMin<qsizetype>(text.size(), INT32_MAX)));
            uint8_t part[64];
            UErrorCode status = U_ZERO_ERROR;
            const int32_t made
                = ucol_nextSortKeyPart(m_collator, &iterator, state, part, int32_t(sizeof part), &status);
            if (U_FAILURE(status))
                break;
            key.insert(key.end(), part, part + made);
            if (made < int32_t(sizeof part))
                break;
        }
        return key;
    }

    static void setPart(SortEntry &entry, const uint8_t *part, int32_t made)
    {
        uint8_t padded[PartBytes] = {};
        if (made > 0)
            std::memcpy(padded, part, size_t(qMin(made, PartBytes)));
        entry.high = bigEndian(padded);
        entry.low = bigEndian(padded + 8);
        entry.ended = made < PartBytes;
    }

private:
    UCollator *m_collator = nullptr;
    std::vector<UChar> m_wide;
};

// Runs work(begin, end, collator) over [0, count) on two threads.
template <typename Work> void onTwoThreads(size_t count, const Work &work)
{
    const size_t half = count / 2;
    std::thread other([&] {
        Collator collator;
        work(half, count, collator);
    });
    Collator collator;
    work(0, half, collator);
    other.join();
}

class Sorter
{
public:
    Sorter(const ResultsModel &results, int column, bool descending)
        : m_results(results)
        , m_column(column)
        , m_descending(descending)
        , m_unicode(results.textKind() == TextKind::Unicode)
    { }

    std::vector<std::uint32_t> sortedRows()
    {
        const size_t count = size_t(m_results.totalSize());
        makePathKeys();
        m_entries.resize(count);
        onTwoThreads(count, [&](size_t begin, size_t end, Collator &collator) {
            for (size_t stored = begin; stored < end; ++stored) {
                m_entries[stored].stored = quint32(stored);
                nextPart(m_entries[stored], 0, collator);
            }
        });
        // Each pass orders the tied ranges by the part their rows are at and
        // leaves the ranges still tied (on keys not yet ended) to the next.
        std::vector<std::pair<size_t, size_t>> tied { { 0, count } };
        for (int depth = 0; !tied.empty(); ++depth) {
            if (depth > 0)
                makeNextParts(tied, depth);
            sortRanges(tied);
            tied = stillTied(tied);
        }
        std::vector<std::uint32_t> order(count);
        for (size_t i = 0; i < count; ++i)
            order[i] = m_entries[i].stored;
        return order;
    }

private:
    // A path's key is made once and read part by part for each of its rows.
    void makePathKeys()
    {
        const qsizetype paths = m_results.sourcePathCount();
        std::vector<bool> used(size_t(paths), false);
        bool any = false;
        for (size_t stored = 0, count = size_t(m_results.totalSize()); stored < count; ++stored) {
            if (m_results.storedCellKind(stored, m_column) == ResultsModel::CellKind::Path) {
                used[size_t(m_results.storedSourceIndex(stored))] = true;
                any = true;
            }
        }
        if (!any)
            return;
        m_pathKeys.resize(size_t(paths));
        Collator collator;
        for (qsizetype index = 0; index < paths; ++index) {
            if (used[size_t(index)])
                m_pathKeys[size_t(index)] = collator.wholeKey(m_results.sourcePathAt(std::int32_t(index)));
        }
    }

    void nextPart(SortEntry &entry, int depth, Collator &collator) const
    {
        switch (m_results.storedCellKind(entry.stored, m_column)) {
        case ResultsModel::CellKind::Text:
            collator.nextPart(m_results.storedCellBytes(entry.stored, m_column), m_unicode, entry);
            return;
        case ResultsModel::CellKind::Path: {
            const std::vector<uint8_t> &key = m_pathKeys[size_t(m_results.storedSourceIndex(entry.stored))];
            const size_t from = size_t(depth) * PartBytes;
            const size_t made = key.size() > from ? std::min<size_t>(PartBytes, key.size() - from) : 0;
            Collator::setPart(entry, key.data() + std::min(from, key.size()), int32_t(made));
            return;
        }
        case ResultsModel::CellKind::Count:
        case ResultsModel::CellKind::Empty:
            break;
        }
        Collator::setPart(entry, nullptr, 0);
    }

    void makeNextParts(const std::vector<std::pair<size_t, size_t>> &ranges, int depth)
    {
        // The rows of every range, in one list, shared out evenly.
        std::vector<SortEntry *> rows;
        for (const auto &[begin, end] : ranges) {
            for (size_t i = begin; i < end; ++i)
                rows.push_back(&m_entries[i]);
        }
        onTwoThreads(rows.size(), [&](size_t begin, size_t end, Collator &collator) {
            for (size_t i = begin; i < end; ++i) {
                if (rows[i]->ended)
                    Collator::setPart(*rows[i], nullptr, 0);
                else
                    nextPart(*rows[i], depth, collator);
            }
        });
    }

    bool before(const SortEntry &a, const SortEntry &b) const
    {
        if (a.high != b.high)
            return (a.high < b.high) != m_descending;
        if (a.low != b.low)
            return (a.low < b.low) != m_descending;
        // Equal keys keep the order they were found in, either way.
        return a.stored < b.stored;
    }

    void sortRanges(const std::vector<std::pair<size_t, size_t>> &ranges)
    {
        const auto sortRange = [&](const std::pair<size_t, size_t> &range) {
            std::sort(m_entries.begin() + std::ptrdiff_t(range.first), m_entries.begin() + std::ptrdiff_t(range.second),
                [&](const SortEntry &a, const SortEntry &b) { return before(a, b); });
        };
        if (ranges.size() == 1) {
            sortWholeRange(ranges.front());
            return;
        }
        // Ranges shared out by their rows between two threads.
        size_t total = 0;
        for (const auto &range : ranges)
            total += range.second - range.first;
        size_t split = 0;
        for (size_t rows = 0; split < ranges.size() && rows < total / 2; ++split)
            rows += ranges[split].second - ranges[split].first;
        std::thread other([&] {
            for (size_t i = split; i < ranges.size(); ++i)
                sortRange(ranges[i]);
        });
        for (size_t i = 0; i < split; ++i)
            sortRange(ranges[i]);
        other.join();
    }

    // One range (at first every row): its halves sorted at once, then merged.
    void sortWholeRange(const std::pair<size_t, size_t> &range)
    {
        const auto by = [&](const SortEntry &a, const SortEntry &b) { return before(a, b); };
        const auto first = m_entries.begin() + std::ptrdiff_t(range.first);
        const auto last = m_entries.begin() + std::ptrdiff_t(range.second);
        const auto middle = first + (last - first) / 2;
        std::thread other([&] { std::sort(middle, last, by); });
        std::sort(first, middle, by);
        other.join();
        std::vector<SortEntry> merged(size_t(last - first));
        std::merge(first, middle, middle, last, merged.begin(), by);
        std::copy(merged.begin(), merged.end(), first);
    }

    // The runs of rows whose parts are equal and whose keys go on.
    std::vector<std::pair<size_t, size_t>> stillTied(const std::vector<std::pair<size_t, size_t>> &ranges) const
    {
        std::vector<std::pair<size_t, size_t>> tied;
        for (const auto &[begin, end] : ranges) {
            for (size_t first = begin; first < end;) {
                size_t last = first + 1;
                while (last < end && m_entries[last].high == m_entries[first].high
                    && m_entries[last].low == m_entries[first].low)
                    ++last;
                // Equal parts that ended are equal keys: already in found order.
                if (last - first > 1 && !m_entries[first].ended)
                    tied.emplace_back(first, last);
                first = last;
            }
        }
        return tied;
    }

    const ResultsModel &m_results;
    const int m_column;
    const bool m_descending;
    const bool m_unicode;
    std::vector<SortEntry> m_entries;
    std::vector<std::vector<uint8_t>> m_pathKeys;
};

} // namespace

std::vector<std::uint32_t> SortedRows(const ResultsModel &results, int column, Qt::SortOrder direction)
{
    const size_t count = size_t(results.totalSize());
    const bool descending = direction == Qt::DescendingOrder;
    const bool counts = count > 0 && results.storedCellKind(0, column) == ResultsModel::CellKind::Count;
    if (counts) {
        std::vector<std::uint32_t> order(count);
        std::iota(order.begin(), order.end(), 0u);
        std::vector<std::uint32_t> found(count);
        for (size_t stored = 0; stored < count; ++stored)
            found[stored] = results.storedFoundCount(stored);
        std::stable_sort(order.begin(), order.end(),
            [&](std::uint32_t a, std::uint32_t b) { return descending ? found[b] < found[a] : found[a] < found[b]; });
        return order;
    }
    return Sorter(results, column, descending).sortedRows();
}
