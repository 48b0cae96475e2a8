#include "TextSetMatcher.h"

#include "core/app/Latin1.h"

#include <algorithm>
#include <cstring>
#include <deque>

TextSetMatcher::TextSetMatcher(const QStringList &textSets)
    : m_setCount(textSets.size())
{
    std::vector<std::pair<QByteArray, qsizetype>> patterns;
    for (qsizetype k = 0; k < textSets.size(); ++k) {
        const std::optional<QByteArray> bytes = Latin1::fromString(textSets[k]);
        if (!bytes || bytes->contains('\r') || bytes->contains('\n'))
            continue; // can never occur in a line of 8-bit text
        if (bytes->isEmpty())
            m_everywhere.push_back(k);
        else
            patterns.emplace_back(Latin1::toLower(*bytes), k);
    }
    build(patterns);
    m_seenStamp.assign(size_t(m_setCount), 0);
}

void TextSetMatcher::build(const std::vector<std::pair<QByteArray, qsizetype>> &patterns)
{
    // Columns: one per distinct lower-cased byte that some set holds.
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
    const auto &lower = Latin1::lowerTable();
    for (int b = 0; b < 256; ++b)
        m_column[b] = columnOfLowered[lower[b]];

    // The trie; -1 marks a missing transition until the automaton is closed.
    m_next.assign(size_t(m_columns), -1);
    std::vector<std::vector<qsizetype>> own(1);
    for (const auto &[text, position] : patterns) {
        State state = 0;
        for (char c : text) {
            const int column = columnOfLowered[static_cast<unsigned char>(c)];
            State &target = m_next[size_t(state) * m_columns + column];
            if (target < 0) {
                target = State(own.size());
                own.emplace_back();
                m_next.resize(m_next.size() + size_t(m_columns), -1);
            }
            state = m_next[size_t(state) * m_columns + column];
        }
        own[size_t(state)].push_back(position);
    }

    const size_t states = own.size();
    m_ownBegin.assign(states, 0);
    m_ownEnd.assign(states, 0);
    m_ownSets.clear();
    for (size_t s = 0; s < states; ++s) {
        m_ownBegin[s] = std::int32_t(m_ownSets.size());
        m_ownSets.insert(m_ownSets.end(), own[s].begin(), own[s].end());
        m_ownEnd[s] = std::int32_t(m_ownSets.size());
    }

    // Breadth first: each state's failure state is the longest proper suffix
    // of its text that is also in the trie; missing transitions are taken
    // from the failure state, which turns the trie into a complete table.
    std::vector<State> failure(states, 0);
    m_outputLink.assign(states, -1);
    std::deque<State> queue;
    for (int column = 0; column < m_columns; ++column) {
        State &target = m_next[size_t(column)];
        if (target < 0) {
            target = 0;
        } else {
            failure[size_t(target)] = 0;
            queue.push_back(target);
        }
    }
    while (!queue.empty()) {
        const State state = queue.front();
        queue.pop_front();
        const State fail = failure[size_t(state)];
        m_outputLink[size_t(state)]
            = m_ownBegin[size_t(fail)] != m_ownEnd[size_t(fail)] ? fail : m_outputLink[size_t(fail)];
        for (int column = 0; column < m_columns; ++column) {
            State &target = m_next[size_t(state) * m_columns + column];
            const State viaFailure = m_next[size_t(fail) * m_columns + column];
            if (target < 0) {
                target = viaFailure;
            } else {
                failure[size_t(target)] = viaFailure;
                queue.push_back(target);
            }
        }
    }

    numberReportingStatesLast();
}

void TextSetMatcher::numberReportingStatesLast()
{
    const size_t states = m_ownBegin.size();
    auto reports = [&](size_t s) { return m_ownBegin[s] != m_ownEnd[s] || m_outputLink[s] >= 0; };
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

    std::vector<State> next(m_next.size());
    std::vector<std::int32_t> ownBegin(states);
    std::vector<std::int32_t> ownEnd(states);
    std::vector<State> outputLink(states);
    for (size_t s = 0; s < states; ++s) {
        const size_t to = size_t(renumbered[s]);
        for (int column = 0; column < m_columns; ++column)
            next[to * m_columns + column] = renumbered[size_t(m_next[s * m_columns + column])] * m_columns;
        ownBegin[to] = m_ownBegin[s];
        ownEnd[to] = m_ownEnd[s];
        outputLink[to] = m_outputLink[s] < 0 ? -1 : renumbered[size_t(m_outputLink[s])];
    }
    m_next = std::move(next);
    m_ownBegin = std::move(ownBegin);
    m_ownEnd = std::move(ownEnd);
    m_outputLink = std::move(outputLink);
}

void TextSetMatcher::collect(State state, std::vector<qsizetype> &found) const
{
    for (State s = state; s >= 0; s = m_outputLink[size_t(s)]) {
        for (std::int32_t i = m_ownBegin[size_t(s)]; i < m_ownEnd[size_t(s)]; ++i) {
            const qsizetype position = m_ownSets[size_t(i)];
            if (m_seenStamp[size_t(position)] != m_stamp) {
                m_seenStamp[size_t(position)] = m_stamp;
                found.push_back(position);
            }
        }
    }
}

void TextSetMatcher::findContained(QByteArrayView line, std::vector<qsizetype> &found) const
{
    found.clear();
    found.insert(found.end(), m_everywhere.begin(), m_everywhere.end());
    if (m_ownSets.empty())
        return;
    if (++m_stamp == 0) {
        std::fill(m_seenStamp.begin(), m_seenStamp.end(), 0);
        m_stamp = 1;
    }
    const auto *bytes = reinterpret_cast<const unsigned char *>(line.data());
    const State *next = m_next.data();
    State row = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        row = next[row + m_column[bytes[i]]];
        if (row >= m_firstReportingRow)
            collect(row / m_columns, found);
    }
    if (found.size() > 1)
        std::sort(found.begin(), found.end());
}

namespace {
// The position just after the first line end at or after from, or the end.
qsizetype lineStartAfter(const unsigned char *bytes, qsizetype from, qsizetype end)
{
    const void *lf = std::memchr(bytes + from, '\n', size_t(end - from));
    const qsizetype lfEnd = lf ? static_cast<const unsigned char *>(lf) - bytes : end;
    const void *cr = std::memchr(bytes + from, '\r', size_t(lfEnd - from));
    const qsizetype lineEnd = cr ? static_cast<const unsigned char *>(cr) - bytes : lfEnd;
    return lineEnd < end ? lineEnd + 1 : end;
}
} // namespace

qsizetype TextSetMatcher::nextMatchEnd(QByteArrayView text, qsizetype from) const
{
    if (!m_everywhere.empty())
        return from;
    if (m_ownSets.empty())
        return -1;
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    const qsizetype n = text.size();
    const State *next = m_next.data();
    const State reporting = m_firstReportingRow;
    auto step = [&](State row, qsizetype at) { return next[row + m_column[bytes[at]]]; };

    // Each step waits for the table load of the step before it. Two runs of
    // the automaton over neighbouring stretches of the text, taken in turns,
    // let the processor overlap their loads. The second stretch begins at a
    // line start, where any run is in the start state.
    constexpr qsizetype Stretch = 4096;
    State row = 0;
    for (qsizetype p = from; p < n;) {
        const qsizetype q = lineStartAfter(bytes, std::min(p + Stretch, n), n);
        const qsizetype r = std::min(q + (q - p), n);
        qsizetype a = p;
        qsizetype b = q;
        State rowA = row;
        State rowB = 0;
        for (; a < q && b < r; ++a, ++b) {
            rowA = step(rowA, a);
            rowB = step(rowB, b);
            if (rowA >= reporting)
                return a;
            if (rowB >= reporting) {
                // The first stretch may still hold an earlier match.
                for (++a; a < q; ++a) {
                    rowA = step(rowA, a);
                    if (rowA >= reporting)
                        return a;
                }
                return b;
            }
        }
        for (; a < q; ++a) {
            rowA = step(rowA, a);
            if (rowA >= reporting)
                return a;
        }
        for (; b < r; ++b) {
            rowB = step(rowB, b);
            if (rowB >= reporting)
                return b;
        }
        row = rowB;
        p = r;
    }
    return -1;
}
