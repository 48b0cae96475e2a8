#include "core/extract/UnicodeTextSetMatcher.h"

#include "core/extract/Utf8Fold.h"

#include <algorithm>
#include <deque>

UnicodeTextSetMatcher::UnicodeTextSetMatcher(const QStringList &textSets)
    : m_setCount(textSets.size())
{
    std::vector<std::pair<QByteArray, qsizetype>> patterns;
    for (qsizetype k = 0; k < textSets.size(); ++k) {
        const std::optional<QByteArray> lowered = Utf8Fold::lowerUtf8(textSets[k]);
        if (!lowered || lowered->contains('\r') || lowered->contains('\n'))
            continue; // can never occur in a line of decoded text
        if (lowered->isEmpty())
            m_everywhere.push_back(k);
        else
            patterns.emplace_back(*lowered, k);
    }
    build(patterns);
    m_seenStamp.assign(size_t(m_setCount), 0);
}

void UnicodeTextSetMatcher::build(const std::vector<std::pair<QByteArray, qsizetype>> &patterns)
{
    std::array<bool, 256> used {};
    for (const auto &pattern : patterns) {
        for (char c : pattern.first)
            used[static_cast<unsigned char>(c)] = true;
    }
    std::array<std::uint16_t, 256> columnOfLowered {};
    m_columns = 1;
    for (int c = 0; c < 256; ++c) {
        if (used[c])
            columnOfLowered[c] = std::uint16_t(m_columns++);
    }
    for (int b = 0; b < 256; ++b)
        m_column[b] = columnOfLowered[b < 0x80 ? Utf8Fold::asciiLower(static_cast<unsigned char>(b)) : b];

    // The trie; -1 marks a missing transition until the automaton is closed.
    std::vector<State> next(size_t(m_columns), -1);
    std::vector<std::vector<qsizetype>> own(1);
    for (const auto &[text, position] : patterns) {
        State state = 0;
        for (char c : text) {
            const size_t at = size_t(state) * m_columns + columnOfLowered[static_cast<unsigned char>(c)];
            if (next[at] < 0) {
                next[at] = State(own.size());
                own.emplace_back();
                next.resize(next.size() + size_t(m_columns), -1);
            }
            state = next[at];
        }
        own[size_t(state)].push_back(position);
    }
    const size_t states = own.size();

    // Breadth first: each state's failure state is the longest proper suffix
    // of its text that is also in the trie; missing transitions are taken
    // from it, which makes the table complete.
    std::vector<State> failure(states, 0);
    std::vector<State> outputLink(states, -1);
    std::deque<State> queue;
    for (int column = 0; column < m_columns; ++column) {
        if (next[size_t(column)] < 0)
            next[size_t(column)] = 0;
        else
            queue.push_back(next[size_t(column)]);
    }
    while (!queue.empty()) {
        const State state = queue.front();
        queue.pop_front();
        const State fail = failure[size_t(state)];
        outputLink[size_t(state)] = !own[size_t(fail)].empty() ? fail : outputLink[size_t(fail)];
        for (int column = 0; column < m_columns; ++column) {
            State &target = next[size_t(state) * m_columns + column];
            const State viaFailure = next[size_t(fail) * m_columns + column];
            if (target < 0) {
                target = viaFailure;
            } else {
                failure[size_t(target)] = viaFailure;
                queue.push_back(target);
            }
        }
    }

    // States that end a set are numbered last, so that one comparison of a
    // row start tells whether a step reached one.
    auto reports = [&](size_t s) { return !own[s].empty() || outputLink[s] >= 0; };
    std::vector<State> renumbered(states);
    State count = 0;
    for (size_t s = 0; s < states; ++s) {
        if (!reports(s))
            renumbered[s] = count++;
    }
    m_firstReportingRow = count * m_columns;
    for (size_t s = 0; s < states; ++s) {
        if (reports(s))
            renumbered[s] = count++;
    }
    m_next.assign(next.size(), 0);
    m_ownBegin.assign(states, 0);
    m_ownEnd.assign(states, 0);
    m_outputLink.assign(states, -1);
    m_ownSets.clear();
    std::vector<std::vector<qsizetype>> ownRenumbered(states);
    for (size_t s = 0; s < states; ++s) {
        const size_t to = size_t(renumbered[s]);
        for (int column = 0; column < m_columns; ++column)
            m_next[to * m_columns + column] = renumbered[size_t(next[s * m_columns + column])] * m_columns;
        m_outputLink[to] = outputLink[s] < 0 ? -1 : renumbered[size_t(outputLink[s])];
        ownRenumbered[to] = std::move(own[s]);
    }
    for (size_t s = 0; s < states; ++s) {
        m_ownBegin[s] = std::int32_t(m_ownSets.size());
        m_ownSets.insert(m_ownSets.end(), ownRenumbered[s].begin(), ownRenumbered[s].end());
        m_ownEnd[s] = std::int32_t(m_ownSets.size());
    }
}

template <class Report>
qsizetype UnicodeTextSetMatcher::run(const unsigned char *text, qsizetype from, qsizetype n, const Report &report) const
{
    const State *next = m_next.data();
    const State reporting = m_firstReportingRow;
    State row = 0;
    for (qsizetype i = from; i < n;) {
        const unsigned char b = text[i];
        if (b < 0x80) {
            row = next[row + m_column[b]];
            if (row >= reporting && report(row))
                return i;
            ++i;
            continue;
        }
        int length = 0;
        const char32_t lowered = Utf8Fold::lowerAt(text, i, n, length);
        bool reached = false;
        if (lowered >= Utf8Fold::InvalidBase) {
            row = next[row]; // column 0: in no set
        } else {
            unsigned char bytes[4];
            const int count = Utf8Fold::encode(lowered, bytes);
            for (int k = 0; k < count; ++k) {
                row = next[row + m_column[bytes[k]]];
                // Sets end only at whole characters; this is checked anyway,
                // since reporting rows are cheap to tell.
                if (row >= reporting && report(row))
                    reached = true;
            }
        }
        i += length;
        if (reached)
            return i - 1;
    }
    return -1;
}

void UnicodeTextSetMatcher::collect(State row, std::vector<qsizetype> &found) const
{
    for (State s = row / m_columns; s >= 0; s = m_outputLink[size_t(s)]) {
        for (std::int32_t i = m_ownBegin[size_t(s)]; i < m_ownEnd[size_t(s)]; ++i) {
            const qsizetype position = m_ownSets[size_t(i)];
            if (m_seenStamp[size_t(position)] != m_stamp) {
                m_seenStamp[size_t(position)] = m_stamp;
                found.push_back(position);
            }
        }
    }
}

void UnicodeTextSetMatcher::findContained(QByteArrayView line, std::vector<qsizetype> &found) const
{
    found.clear();
    found.insert(found.end(), m_everywhere.begin(), m_everywhere.end());
    if (m_ownSets.empty())
        return;
    if (++m_stamp == 0) {
        std::fill(m_seenStamp.begin(), m_seenStamp.end(), 0);
        m_stamp = 1;
    }
    run(reinterpret_cast<const unsigned char *>(line.data()), 0, line.size(), [&](State row) {
        collect(row, found);
        return false;
    });
    if (found.size() > 1)
        std::sort(found.begin(), found.end());
}

qsizetype UnicodeTextSetMatcher::nextMatchEnd(QByteArrayView text, qsizetype from) const
{
    if (!m_everywhere.empty())
        return from;
    if (m_ownSets.empty() || from >= text.size())
        return -1;
    return run(reinterpret_cast<const unsigned char *>(text.data()), std::max<qsizetype>(from, 0), text.size(),
        [](State) { return true; });
}
