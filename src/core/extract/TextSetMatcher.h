#pragma once

#include <QByteArrayView>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

// Finds, in one pass over a line, which text sets of a list the line
// contains, ignoring letter case: an Aho-Corasick automaton over the
// lower-cased sets, run as a table of transitions on the line's bytes folded
// through the Latin-1 table. The answer is what testing each set on its own
// would give: a set is contained when its lower-cased text occurs anywhere
// in the lower-cased line; the empty set is contained in every line; a set
// with a character outside ISO-8859-1, or with a line end, in none.
//
// Since no set holds a line end, a line end always leads back to the start
// state, and a whole file can be run through the automaton at once to find
// the next line that contains any set.
//
// Build it once per list; matching keeps scratch state, so one matcher
// serves one caller at a time.
class TextSetMatcher
{
public:
    TextSetMatcher() = default;
    explicit TextSetMatcher(const QStringList &textSets);

    qsizetype setCount() const { return m_setCount; }

    // Fills found with the positions in the list (ascending, each once) of
    // the text sets the line contains.
    void findContained(QByteArrayView line, std::vector<qsizetype> &found) const;

    // The offset of the last byte of the first set that ends in text at or
    // after from (matching begins afresh at from), or -1. With an empty set
    // in the list, from itself.
    qsizetype nextMatchEnd(QByteArrayView text, qsizetype from) const;

private:
    using State = std::int32_t;

    void build(const std::vector<std::pair<QByteArray, qsizetype>> &patterns);
    void numberReportingStatesLast();
    void collect(State state, std::vector<qsizetype> &found) const;

    qsizetype m_setCount = 0;
    // Byte -> column of the transition table; bytes that occur in no set
    // (after lower-casing) share column 0.
    std::array<std::uint16_t, 256> m_column {};
    int m_columns = 1;
    // Row of state s starts at s * m_columns; each entry holds the start of
    // the next state's row, so that a step is one addition and one load.
    std::vector<State> m_next;
    // States that end some set are numbered last: a step has reached one
    // when its row start is at least this.
    State m_firstReportingRow = 0;
    std::vector<std::int32_t> m_ownBegin; // per state: its own sets in
    std::vector<std::int32_t> m_ownEnd; //   m_ownSets[begin, end)
    std::vector<qsizetype> m_ownSets;
    std::vector<State> m_outputLink; // nearest shorter suffix state ending a set, or -1
    std::vector<qsizetype> m_everywhere; // empty sets: in every line

    // Per-call scratch: which positions were already found for this line.
    mutable std::vector<std::uint32_t> m_seenStamp;
    mutable std::uint32_t m_stamp = 0;
};
